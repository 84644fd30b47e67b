#include "FloorReads.h"
#include "TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <mutex>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

// A folder of test files and the floor's plan for it.
class Folder : public bench::TestFolder {
public:
    std::vector<FloorFile> plan() const { return floorPlan(paths, sizes, truth()); }
};

// The real reads, with every call written down per file.
class RecordingReader final : public RangeReader {
public:
    int open(const std::string& path, bool readAhead) override
    {
        const int handle = m_real.open(path, readAhead);
        std::lock_guard lock(m_mutex);
        ++opens[path];
        readsAhead[path] = readAhead;
        if (handle >= 0)
            m_pathOf[handle] = path;
        return handle;
    }
    long long readAt(int handle, unsigned char* into, std::size_t length,
                     ByteCount offset) override
    {
        const long long got = m_real.readAt(handle, into, length, offset);
        std::lock_guard lock(m_mutex);
        if (got > 0)
            reads[m_pathOf.at(handle)].push_back({offset, ByteCount(got)});
        return got;
    }
    void close(int handle) override
    {
        {
            std::lock_guard lock(m_mutex);
            m_pathOf.erase(handle);
        }
        m_real.close(handle);
    }

    std::map<std::string, int> opens;
    std::map<std::string, bool> readsAhead;
    std::map<std::string, std::vector<std::pair<ByteCount, ByteCount>>> reads;

private:
    PosixRangeReader m_real;
    std::mutex m_mutex;
    std::map<int, std::string> m_pathOf;
};

} // namespace

class FloorReadsTest : public QObject {
    Q_OBJECT
private slots:
    void thePlanHoldsSharedSizesToTheirBoundAndAtLeastTheirFirstBlock()
    {
        Folder folder;
        folder.add(pattern(777, 1)); // unique size: never opened
        folder.add({});              // empty files need no read
        folder.add({});
        const QByteArray big = pattern(20000, 2);
        const auto twin = folder.add(big);                // a twin: read whole
        const auto early = folder.add(changed(big, 100)); // differs at byte 100 from both
        const auto twin2 = folder.add(big);
        const auto lateA = folder.add(changed(pattern(9000, 3), 8000)); // the pair differs at 8000
        const auto lateB = folder.add(pattern(9000, 3));
        const auto smallA = folder.add(pattern(300, 4)); // shorter than a block: whole
        const auto smallB = folder.add(changed(pattern(300, 4), 5));
        const auto endA = folder.add(changed(pattern(30000, 5), 29990)); // the end block tells
        const auto endB = folder.add(pattern(30000, 5));                // them apart
        const auto midA = folder.add(changed(pattern(40000, 6), 15000)); // same ends: only the
        const auto midB = folder.add(pattern(40000, 6));                // middle tells

        using Ranges = std::vector<std::pair<ByteCount, ByteCount>>;
        const std::vector<FloorFile> plan = folder.plan();
        std::map<std::string, Ranges> ranges;
        for (const FloorFile& file : plan)
            ranges[file.path] = file.ranges;
        const Ranges ends{{0, 4096}, {25904, 4096}};
        const std::map<std::string, Ranges> expected{
            {folder.paths[twin], {{0, 20000}}},  {folder.paths[early], {{0, 4096}}},
            {folder.paths[twin2], {{0, 20000}}}, {folder.paths[lateA], {{0, 8001}}},
            {folder.paths[lateB], {{0, 8001}}},  {folder.paths[smallA], {{0, 300}}},
            {folder.paths[smallB], {{0, 300}}},  {folder.paths[endA], ends},
            {folder.paths[endB], ends},          {folder.paths[midA], {{0, 15001}}},
            {folder.paths[midB], {{0, 15001}}}};
        QCOMPARE(ranges, expected);
        QCOMPARE(plan.size(), expected.size());
        QCOMPARE(plan.front().path, folder.paths[twin]); // in listing order
    }

    void everyPlannedFileIsOpenedOnceAndItsPrefixReadOnceWhateverTheThreads()
    {
        Folder folder;
        const QByteArray big = pattern((3 << 20) + 7, 5);
        folder.add(big);
        folder.add(big);
        for (int i = 0; i < 6; ++i)
            folder.add(changed(pattern(50000, 6), 10 + 7000 * i));
        folder.add(changed(pattern(50000, 9), 49999));
        folder.add(pattern(50000, 9));
        const std::vector<FloorFile> plan = folder.plan();
        QCOMPARE(plan.size(), std::size_t(10));
        QCOMPARE(plan.back().ranges.size(), std::size_t(2));

        for (unsigned threads : {1u, 3u, 64u}) {
            RecordingReader reader;
            const FloorRun run = readPlan(plan, threads, reader, 1 << 20);
            ByteCount planned = 0;
            for (const FloorFile& file : plan) {
                planned += file.bytes();
                QCOMPARE(reader.opens[file.path], 1);
                // The reads, in order, tile each range without a gap or an overlap,
                // and nothing else.
                const auto& reads = reader.reads[file.path];
                std::size_t k = 0;
                for (const auto& [offset, length] : file.ranges) {
                    ByteCount next = offset;
                    while (next < offset + length && k < reads.size()) {
                        QCOMPARE(reads[k].first, next);
                        QVERIFY(reads[k].second <= ByteCount(1 << 20));
                        next += reads[k++].second;
                    }
                    QCOMPARE(next, offset + length);
                }
                QCOMPARE(k, reads.size());
            }
            QCOMPARE(reader.opens.size(), plan.size());
            // Twins are read whole, the others only in part: without read-ahead.
            QVERIFY(reader.readsAhead[folder.paths[0]]);
            QVERIFY(!reader.readsAhead[folder.paths[2]] && !reader.readsAhead[folder.paths[9]]);
            QCOMPARE(run.filesOpened, std::uint64_t(plan.size()));
            QCOMPARE(run.bytesRead, planned);
            QCOMPARE(run.failures, std::uint64_t(0));
        }
    }

    void aFileThatVanishedIsCountedAsAFailureAndTheOthersAreStillRead()
    {
        Folder folder;
        folder.add(pattern(5000, 7));
        folder.add(pattern(5000, 7));
        std::vector<FloorFile> plan = folder.plan();
        plan.insert(plan.begin(), FloorFile{"/nonexistent/zelvo/gone.bin", {{0, 5000}}, 5000});
        plan.push_back({folder.paths[0], {{0, 6000}}}); // shorter on disk than planned
        RecordingReader reader;
        const FloorRun run = readPlan(plan, 2, reader);
        QCOMPARE(run.failures, std::uint64_t(2));
        QCOMPARE(run.filesOpened, std::uint64_t(3));
        QCOMPARE(run.bytesRead, ByteCount(15000));
    }

    void theTimedListingMeasuresTheRegularFilesNotHiddenWhateverTheThreads()
    {
        Folder folder;
        folder.add(pattern(300, 1));
        folder.add({});
        const QString where = QFileInfo(QString::fromStdString(folder.paths[0])).path();
        QVERIFY(QDir(where).mkdir("sub.d"));
        QFile hidden(where + "/.hidden");
        QVERIFY(hidden.open(QIODevice::WriteOnly));
        for (unsigned threads : {1u, 8u}) {
            FloorListing listing;
            QVERIFY(listAndMeasure(where.toStdString(), threads, listing));
            QCOMPARE(listing.paths, folder.paths);
            QCOMPARE(listing.sizes, folder.sizes);
        }
        FloorListing none;
        QVERIFY(!listAndMeasure("/nonexistent/zelvo", 2, none));
    }

    void aPlanWrittenAsTextReadsBackTheSame()
    {
        const std::vector<FloorFile> plan{{"/a b/x.bin", {{0, 4096}, {(3 << 20) - 9, 4096}}, 3 << 20},
                                          {"/c/y.bin", {{0, (2 << 20) + 1}}, (2 << 20) + 1}};
        std::vector<FloorFile> back;
        QVERIFY(parsePlan(planText(plan), back));
        QCOMPARE(back.size(), plan.size());
        for (std::size_t i = 0; i < plan.size(); ++i)
            QVERIFY(back[i].path == plan[i].path && back[i].ranges == plan[i].ranges &&
                    back[i].size == plan[i].size);
        QVERIFY(!parsePlan("12 1 0 x /p\n", back) && !parsePlan("12 1 0 12 /p", back));
    }
};

QTEST_GUILESS_MAIN(FloorReadsTest)
#include "FloorReadsTest.moc"
