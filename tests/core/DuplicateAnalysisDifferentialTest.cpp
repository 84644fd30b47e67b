#include "fakes/MemoryFileSystem.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/RecordingPairRecorder.h"
#include "fakes/RecordingView.h"

#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"

#include <QTest>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace zelvo;

namespace {

using Pair = RecordedPair;
using PairList = RecordingPairRecorder;

struct Expected {
    std::vector<DuplicateRow> rows;
    std::vector<Pair> pairs;
};

// The whole contents of a file, or nothing when it cannot be read whole.
// Empty files have nothing to read and are never opened.
std::optional<std::string> contentsOf(FileSystem& fileSystem, const std::string& path, ByteCount size)
{
    if (size == 0)
        return std::string();
    auto reader = fileSystem.openForReading(path);
    if (!reader)
        return std::nullopt;
    std::string bytes(size + 1, '\0');
    const auto got = (*reader)->read(std::as_writable_bytes(std::span(bytes.data(), bytes.size())));
    if (!got || *got != size)
        return std::nullopt;
    bytes.resize(size);
    return bytes;
}

// The plain walk over the listing: every file not yet listed as a twin is a
// reference in its turn and is compared with each following file of its size
// that is not a twin and is not the same file on disk.
Expected referenceWalk(FileSystem& fileSystem, const FolderListing& listing)
{
    Expected expected;
    const std::size_t n = listing.NumArchivos();
    std::vector<bool> twin(n, false);
    int group = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (twin[i])
            continue;
        const FileStatus reference = *fileSystem.status(listing.paths[i]);
        const auto referenceBytes = contentsOf(fileSystem, listing.paths[i], reference.size);
        bool headAdded = false;
        for (std::size_t j = i + 1; j < n; ++j) {
            const FileStatus candidate = *fileSystem.status(listing.paths[j]);
            if (candidate.size != reference.size)
                break;
            if (twin[j] || candidate.identity == reference.identity)
                continue;
            const auto candidateBytes = contentsOf(fileSystem, listing.paths[j], candidate.size);
            if (!referenceBytes || !candidateBytes || *referenceBytes != *candidateBytes)
                continue;
            if (!headAdded) {
                expected.rows.push_back({true, listing.paths[i], ++group});
                headAdded = true;
            }
            expected.rows.push_back({false, listing.paths[j], group});
            expected.pairs.emplace_back(listing.paths[i], reference.size, listing.paths[j]);
            twin[j] = true;
        }
    }
    return expected;
}

// A random folder: sizes from a few values around the chunk boundaries, a
// few distinct contents per size, and copies, near-copies (one byte changed
// at the start, the middle or the end), hard links and unreadable files. A
// file refuses to be opened under every one of its names.
void fillFolder(std::mt19937& random, MemoryFileSystem& memory, FaultyFileSystem& faulty)
{
    static const std::size_t kSizes[] = {0, 1, 17, 4096, 4097, 12289, 20000};
    std::vector<std::string> made;
    std::vector<std::string> unreadable;
    const auto refuses = [&](const std::string& path) {
        return std::find(unreadable.begin(), unreadable.end(), path) != unreadable.end();
    };
    const int files = 2 + int(random() % 14);
    for (int f = 0; f < files; ++f) {
        std::string name;
        for (int c = 0; c < 3; ++c)
            name += char((random() % 2 ? 'a' : 'A') + random() % 4);
        name += std::to_string(f);
        const std::string path = "/d/" + name;
        const unsigned kind = random() % 10;
        if (!made.empty() && kind < 2) {
            const std::string& target = made[random() % made.size()];
            memory.addLink(path, target);
            if (refuses(target)) {
                faulty.failOpen(path, FileError::AccessDenied);
                unreadable.push_back(path);
            }
            made.push_back(path);
            continue;
        }
        if (!made.empty() && kind < 6) {
            auto source = memory.openForReading(made[random() % made.size()]);
            std::string bytes(20001, '\0');
            const std::size_t size = *(*source)->read(std::as_writable_bytes(std::span(bytes.data(), bytes.size())));
            bytes.resize(size);
            if (kind >= 4 && size > 0) {
                const std::size_t at = kind == 4 ? size - 1 : random() % size;
                bytes[at] = char(bytes[at] ^ 0x40);
            }
            memory.addFile(path, bytes);
        } else {
            const std::size_t size = kSizes[random() % std::size(kSizes)];
            const unsigned seed = random() % 3;
            std::string bytes(size, '\0');
            for (std::size_t i = 0; i < size; ++i)
                bytes[i] = char('a' + (i * 7 + seed * 13 + i / 5000) % 26);
            memory.addFile(path, bytes);
        }
        made.push_back(path);
        if (random() % 25 == 0) {
            faulty.failOpen(path, FileError::AccessDenied);
            unreadable.push_back(path);
        }
    }
}

} // namespace

class DuplicateAnalysisDifferentialTest : public QObject {
    Q_OBJECT

private slots:
    void rowsAndPairsEqualThoseOfThePlainReferenceWalk()
    {
        int foldersWithGroups = 0;
        int foldersWithLinks = 0;
        for (unsigned seed = 1; seed <= 600; ++seed) {
            std::mt19937 random(seed);
            MemoryFileSystem memory;
            FaultyFileSystem fileSystem(memory);
            fillFolder(random, memory, fileSystem);

            RecordingView view;
            BulletBar bar(view);
            FolderListing listing;
            const ScanRequest where{"/d", "*"};
            LeerDirectorio(ScanMode::StartUp, where, fileSystem, view, listing, bar);
            const Expected expected = referenceWalk(fileSystem, listing);

            FakeDateText dates;
            FakeMessageBox messages;
            PairList recorder;
            DuplicateAnalysis analysis(fileSystem, dates, view, messages, recorder);
            // Half of the folders go through tiny chunks and a tiny open-file
            // bound, so that small files take many rounds and reopenings.
            ClassifierLimits limits;
            if (seed % 2) {
                limits.firstChunk = 16;
                limits.memoryBudget = 16 << 10;
                limits.maxOpenFiles = 3;
            }
            // A third of them share measuring and reading with a pool of
            // threads: half a class at a time down to the smallest, half
            // with the classes of a round read together.
            if (seed % 3 == 0) {
                memory.setConcurrentReads(true);
                limits.parallelFrom = seed % 2 ? 2 : 1000;
                limits.parallelListingFrom = 2;
                limits.ioThreads = 1 + seed % 4;
            }
            // A fifth of them lie on a disk that seeks, their places drawn at
            // random: one thread reads each class in the order of the places.
            if (seed % 5 == 1) {
                memory.setReadsInOrder(true);
                for (const std::string& path : listing.paths.toVector())
                    memory.setPlace(path, random() % 1000 + 1);
            }
            analysis.setLimits(limits);
            fileSystem.resetCounters();
            const AnalysisOutcome outcome = analysis.run(where, listing);

            const QByteArray context = "seed " + QByteArray::number(seed);

            QVERIFY2(view.rows() == expected.rows, context);
            QVERIFY2(recorder.pairs == expected.pairs, context);
            QVERIFY2(outcome.NumDuplicados == double(expected.pairs.size()), context);
            QVERIFY2(fileSystem.pathsReadTwice().empty(), context);
            QVERIFY2(fileSystem.openReaders() == 0, context);
            QVERIFY2(messages.callCount() == 0, context);
            foldersWithGroups += !expected.rows.empty();
            for (std::size_t i = 1; i < listing.NumArchivos(); ++i)
                if (fileSystem.status(listing.paths[i])->identity ==
                    fileSystem.status(listing.paths[i - 1])->identity) {
                    ++foldersWithLinks;
                    break;
                }
        }
        // The folders must exercise what they are meant to.
        QVERIFY(foldersWithGroups > 300);
        QVERIFY(foldersWithLinks > 50);
    }
};

QTEST_GUILESS_MAIN(DuplicateAnalysisDifferentialTest)
#include "DuplicateAnalysisDifferentialTest.moc"
