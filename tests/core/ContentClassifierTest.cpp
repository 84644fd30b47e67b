#include "fakes/FaultyFileSystem.h"
#include "fakes/MemoryFileSystem.h"

#include "core/ContentClassifier.h"
#include "core/IoPool.h"

#include <QTest>

#include <random>
#include <string>
#include <vector>

using namespace zelvo;

namespace {

using Classes = std::vector<std::vector<std::size_t>>;

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Files in memory, seen through a counting decorator.
struct Files {
    MemoryFileSystem memory;
    FaultyFileSystem fileSystem{memory};
    std::vector<std::string> paths;

    void add(std::string contents)
    {
        paths.push_back("/f" + std::to_string(paths.size()));
        memory.addFile(paths.back(), std::move(contents));
    }
    Classes split(ByteCount size, ClassifierLimits limits = {})
    {
        ContentClassifier classifier(fileSystem, limits);
        return classifier.split(paths, size);
    }
};

} // namespace

class ContentClassifierTest : public QObject {
    Q_OBJECT

private slots:
    void emptyFilesAreIdenticalWithoutBeingOpened()
    {
        Files files;
        files.add("");
        files.add("");
        files.add("");
        QCOMPARE(files.split(0), (Classes{{0, 1, 2}}));
        QCOMPARE(files.fileSystem.totalOpens(), 0);
    }

    void aLoneFileIsNeverOpened()
    {
        Files files;
        files.add("abc");
        QVERIFY(files.split(3).empty());
        QCOMPARE(files.fileSystem.totalOpens(), 0);
    }

    void classesAreOrderedByTheirFirstFileAndKeepListingOrder()
    {
        Files files;
        for (const char* contents : {"zzz", "xxx", "yyy", "xxx", "zzz", "yyy", "uuu", "xxx"})
            files.add(contents);
        QCOMPARE(files.split(3), (Classes{{0, 4}, {1, 3, 7}, {2, 5}}));
    }

    void filesThatDifferOnlyInTheirLastByteAreApart()
    {
        for (std::size_t size : {std::size_t{1}, std::size_t{60001}, std::size_t{200001}, std::size_t{3} << 20}) {
            Files files;
            const std::string bytes = randomBytes(size, 1);
            std::string other = bytes;
            other.back() ^= 1;
            files.add(bytes);
            files.add(other);
            QVERIFY(files.split(size).empty());
            // The last block comes second, long before the middle; of a
            // small file, all the rest comes second, in one read.
            if (size > 131072)
                QVERIFY(files.fileSystem.bytesRead(files.paths[0]) <= 8192);
            else if (size > 4096)
                QCOMPARE(files.fileSystem.counters(files.paths[0]).readCalls, 2);
        }
    }

    void filesThatDifferInTheirLastBytesJustPastABlockBoundaryAreApartAfterTwoReads()
    {
        // Template-like files: a long common start, a counter in the last 8
        // bytes, and a size 3 bytes past a block boundary, so that the last
        // block on the grid would hold only bytes they share.
        const std::size_t size = (std::size_t{256} << 10) + 3;
        const std::string common = randomBytes(size, 12);
        Files files;
        for (char counter : {'a', 'b', 'c', 'a'}) {
            std::string contents = common;
            contents[size - 8] = counter;
            files.add(contents);
        }
        QCOMPARE(files.split(size), (Classes{{0, 3}}));
        for (std::size_t f : {std::size_t{1}, std::size_t{2}}) {
            QCOMPARE(files.fileSystem.counters(files.paths[f]).readCalls, 2);
            QCOMPARE(files.fileSystem.bytesRead(files.paths[f]), ByteCount{8192});
        }
        QCOMPARE(files.fileSystem.bytesRead(files.paths[0]), ByteCount{size});
        QVERIFY(files.fileSystem.pathsReadTwice().empty());
    }

    void filesNoLongerThanTheFirstChunkAreClosedRightAfterTheirOneRead()
    {
        Files files;
        for (int i = 0; i < 6; ++i)
            files.add(i % 2 ? "twin" : "left");
        ClassifierLimits limits;
        limits.maxOpenFiles = 100;
        QCOMPARE(files.split(4, limits), (Classes{{0, 2, 4}, {1, 3, 5}}));
        QCOMPARE(files.fileSystem.peakOpenReaders(), 1);
        QCOMPARE(files.fileSystem.totalOpens(), 6);
    }

    void filesThatDifferEarlyAreReadOnlyAsFarAsTheFirstChunk()
    {
        Files files;
        const std::string bytes = randomBytes(1 << 20, 2);
        std::string other = bytes;
        other[100] ^= 1;
        files.add(bytes);
        files.add(other);
        QVERIFY(files.split(bytes.size()).empty());
        QCOMPARE(files.fileSystem.bytesRead(files.paths[1]), ByteCount{4096});
    }

    void identicalFilesAreReadWholeAndEachByteOnce()
    {
        for (std::size_t size : {std::size_t{4095}, std::size_t{4096}, std::size_t{4097},
                                 std::size_t{120000}, (std::size_t{5} << 20) + 17}) {
            Files files;
            const std::string bytes = randomBytes(size, 3);
            files.add(bytes);
            files.add(bytes);
            files.add(randomBytes(size, 4));
            QCOMPARE(files.split(size), (Classes{{0, 1}}));
            QCOMPARE(files.fileSystem.bytesRead(files.paths[0]), ByteCount{size});
            QCOMPARE(files.fileSystem.bytesRead(files.paths[1]), ByteCount{size});
            QVERIFY(files.fileSystem.pathsReadTwice().empty());
            // Few files: each is opened once and kept open between rounds.
            QCOMPARE(files.fileSystem.opens(files.paths[0]), 1);
            QCOMPARE(files.fileSystem.openReaders(), 0);
        }
    }

    void progressCountsTheBytesComparedBeforeEachRound()
    {
        // 4 KiB first, then the last block, then the middle: in one read up
        // to the largest chunk (1 MiB), else in growing chunks.
        for (const std::size_t size : {std::size_t{300000}, std::size_t{3000000}}) {
            Files files;
            const std::string bytes = randomBytes(size, 5);
            files.add(bytes);
            files.add(bytes);
            std::vector<ByteCount> compared;
            ContentClassifier classifier(files.fileSystem);
            classifier.split(files.paths, bytes.size(), [&](ByteCount done, ByteCount total) {
                QCOMPARE(total, ByteCount{size});
                compared.push_back(done);
            });
            if (size < (1u << 20))
                QCOMPARE(compared, (std::vector<ByteCount>{0, 4096, 8192}));
            QVERIFY(compared.size() >= 3);
            QCOMPARE(compared[0], ByteCount{0});
            QCOMPARE(compared[1], ByteCount{4096});
            QVERIFY(std::is_sorted(compared.begin(), compared.end()));
            QVERIFY(compared.back() < size);
            if (size > (1u << 20))
                QVERIFY(compared.size() > 4);
        }
    }

    void anUnreadableFileIsIdenticalToNothing()
    {
        Files files;
        const std::string bytes = randomBytes(200000, 6);
        for (int i = 0; i < 5; ++i)
            files.add(bytes);
        files.fileSystem.failOpen(files.paths[1], FileError::AccessDenied);
        files.fileSystem.failReadAfterBytes(files.paths[2], 100000);
        // A file that shrank since it was measured reads short.
        files.memory.erase(files.paths[3]);
        files.memory.addFile(files.paths[3], bytes.substr(0, 150000));
        QCOMPARE(files.split(bytes.size()), (Classes{{0, 4}}));
        QCOMPARE(files.fileSystem.openReaders(), 0);

        // A shrunk file never matches its longer original, even where the
        // bytes it lacks equal those it has.
        Files pair;
        pair.add(std::string(8000, 'x'));
        pair.add(std::string(5000, 'x'));
        QVERIFY(pair.split(8000).empty());
    }

    void manyClassesOfOneSizeAreStillSplitExactly()
    {
        // Far more classes than are compared one by one: the hash only picks
        // the representative, the bytes decide. Contents share their first
        // and last blocks so that the split happens in the middle.
        Files files;
        const std::size_t size = 50000;
        const std::string common = randomBytes(size, 7);
        Classes expected(40);
        for (std::size_t copy = 0; copy < 3; ++copy)
            for (std::size_t c = 0; c < expected.size(); ++c) {
                std::string contents = common;
                contents[20000] = static_cast<char>(c);
                expected[c].push_back(files.paths.size());
                files.add(contents);
            }
        files.add(common); // shares every byte with class 0 but one
        QCOMPARE(files.split(size), expected);
        QVERIFY(files.fileSystem.pathsReadTwice().empty());
    }

    void openFilesStayWithinTheLimitForLargeClasses()
    {
        Files files;
        const std::string bytes = randomBytes(70000, 8);
        for (int i = 0; i < 50; ++i)
            files.add(bytes);
        files.add(randomBytes(70000, 9));
        ClassifierLimits limits;
        limits.maxOpenFiles = 10;
        Classes expected(1);
        for (std::size_t i = 0; i < 50; ++i)
            expected[0].push_back(i);
        QCOMPARE(files.split(bytes.size(), limits), expected);
        QVERIFY(files.fileSystem.peakOpenReaders() <= 10);
        QCOMPARE(files.fileSystem.openReaders(), 0);
        QVERIFY(files.fileSystem.pathsReadTwice().empty());
        QCOMPARE(files.fileSystem.bytesRead(files.paths[0]), ByteCount{70000});
    }

    void noChunkIsLargerThanTheLargestChunkAllowed()
    {
        Files files;
        const std::string bytes = randomBytes(100000, 11);
        files.add(bytes);
        files.add(bytes);
        ClassifierLimits limits;
        limits.largestChunk = 8192;
        QCOMPARE(files.split(bytes.size(), limits), (Classes{{0, 1}}));
        // 4 KiB, the last block, then the middle in 8 KiB chunks.
        const int reads = files.fileSystem.counters(files.paths[0]).readCalls;
        QCOMPARE(reads, 2 + (98304 - 4096 + 8191) / 8192);
    }

    void aSmallMemoryBudgetMeansSmallerChunks()
    {
        const std::string bytes = randomBytes(1 << 20, 10);
        Files roomy;
        Files tight;
        for (int i = 0; i < 3; ++i) {
            roomy.add(bytes);
            tight.add(bytes);
        }
        ClassifierLimits limits;
        limits.memoryBudget = 64 << 10; // a quarter of it per buffer: 16 KiB chunks
        QCOMPARE(tight.split(bytes.size(), limits), (Classes{{0, 1, 2}}));
        QCOMPARE(roomy.split(bytes.size()), (Classes{{0, 1, 2}}));
        const int tightReads = tight.fileSystem.counters(tight.paths[0]).readCalls;
        const int roomyReads = roomy.fileSystem.counters(roomy.paths[0]).readCalls;
        QVERIFY2(tightReads >= 60, qPrintable(QString::number(tightReads)));
        QVERIFY2(roomyReads <= 8, qPrintable(QString::number(roomyReads)));
        QCOMPARE(tight.fileSystem.bytesRead(tight.paths[0]), ByteCount{1 << 20});
    }

    void withAPoolFilesAlikeAtTheStartAreNotOpenedAgainForTheirLastBlock()
    {
        Files files;
        files.memory.setConcurrentReads(true);
        const std::string start = randomBytes(140000, 12);
        for (int i = 0; i < 40; ++i) {
            std::string contents = start;
            contents.back() = char(i);
            files.add(contents);
        }
        ClassifierLimits limits;
        limits.maxOpenFiles = 10;
        limits.parallelFrom = 2;
        IoPool pool(3);
        ContentClassifier classifier(files.fileSystem, limits, &pool);
        QCOMPARE(classifier.split(files.paths, start.size()), Classes{});
        QVERIFY(files.fileSystem.pathsReadTwice().empty());
        QCOMPARE(files.fileSystem.openReaders(), 0);
        // More files than are kept open: in two rounds each would be opened twice.
        const int opens = files.fileSystem.totalOpens();
        QVERIFY2(opens < 60, qPrintable(QString::number(opens)));
    }
};

QTEST_GUILESS_MAIN(ContentClassifierTest)
#include "ContentClassifierTest.moc"
