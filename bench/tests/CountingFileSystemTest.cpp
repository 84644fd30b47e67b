#include "CountingFileSystem.h"

#include "platform/PosixFileSystem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <thread>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

// A file of `size` bytes "x" in `dir`; its path, or nothing when it could not
// be written.
std::string writeFile(const QTemporaryDir& dir, const QString& fileName, int size)
{
    const QString path = dir.filePath(fileName);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(size, 'x')) != size)
        return {};
    file.close();
    return QFile::encodeName(path).toStdString();
}

} // namespace

class CountingFileSystemTest : public QObject {
    Q_OBJECT
private slots:
    void rangesReadAgainAreCountedOnceAndTouchingRangesMerge()
    {
        FileIoRecord record;
        CountingFileSystem::noteDelivered(record, 0, 10);
        CountingFileSystem::noteDelivered(record, 20, 10);
        QCOMPARE(record.bytesReadAgain, ByteCount(0));
        // Overlaps the end of the first range and the start of the second.
        CountingFileSystem::noteDelivered(record, 5, 20);
        QCOMPARE(record.bytesReadAgain, ByteCount(10));
        // Touching is not overlapping.
        CountingFileSystem::noteDelivered(record, 30, 10);
        QCOMPARE(record.bytesReadAgain, ByteCount(10));
        QCOMPARE(record.ranges, (std::map<ByteCount, ByteCount>{{0, 40}}));
        CountingFileSystem::noteDelivered(record, 100, 0);
        CountingFileSystem::noteDelivered(record, 0, 50);
        QCOMPARE(record.bytesReadAgain, ByteCount(50));
        QCOMPARE(record.ranges, (std::map<ByteCount, ByteCount>{{0, 50}}));
    }

    void callsFromTwoThreadsAreAllCounted()
    {
        QTemporaryDir dir;
        const std::string name = writeFile(dir, "data.bin", 100);
        QVERIFY(!name.empty());

        PosixFileSystem disk;
        for (bool recordEachFile : {false, true}) {
            CountingFileSystem counting(disk, recordEachFile);
            QVERIFY(counting.allowsConcurrentReads());
            const auto work = [&] {
                std::array<std::byte, 10> buffer{};
                for (int i = 0; i < 500; ++i) {
                    static_cast<void>(counting.status(name));
                    auto reader = counting.openForComparing(name, 100);
                    static_cast<void>((*reader)->readAt(std::size_t(i % 10) * 10, buffer));
                }
            };
            std::thread other(work);
            work();
            other.join();
            const IoTotals totals = counting.totals();
            QCOMPARE(totals.statusCalls, std::uint64_t(1000));
            QCOMPARE(totals.opens, std::uint64_t(1000));
            QCOMPARE(totals.readCalls, std::uint64_t(1000));
            QCOMPARE(totals.bytesRead, ByteCount(10000));
            if (recordEachFile) {
                QCOMPARE(counting.files().at(name).opens, 1000);
                QCOMPARE(counting.files().at(name).bytesReadAgain, ByteCount(9900));
            }
        }
    }

    void sequentialAndPositionedReadsAreCountedWhereTheyLand()
    {
        QTemporaryDir dir;
        const std::string name = writeFile(dir, "data.bin", 10000);
        QVERIFY(!name.empty());

        PosixFileSystem disk;
        CountingFileSystem counting(disk, true);
        std::array<std::byte, 4096> buffer{};
        {
            auto reader = counting.openForReading(name);
            QVERIFY(reader.ok());
            QCOMPARE(*(*reader)->read(buffer), std::size_t(4096));
            // The last block, out of order, does not move the sequential
            // position: the next read() continues at 4096.
            QCOMPARE(*(*reader)->readAt(10000 - 100, std::span(buffer).first(100)), std::size_t(100));
            QCOMPARE(*(*reader)->read(buffer), std::size_t(4096));
            QCOMPARE(counting.files().at(name).bytesReadAgain, ByteCount(0));
            QCOMPARE(*(*reader)->readAt(8000, buffer), std::size_t(2000));
        }
        QVERIFY(!counting.openForReading(name + ".missing").ok());

        const IoTotals& totals = counting.totals();
        QCOMPARE(totals.opens, std::uint64_t(1));
        QCOMPARE(totals.failedOpens, std::uint64_t(1));
        QCOMPARE(totals.readCalls, std::uint64_t(4));
        QCOMPARE(totals.bytesRead, ByteCount(4096 + 100 + 4096 + 2000));
        const FileIoRecord& record = counting.files().at(name);
        QCOMPARE(record.opens, 1);
        const std::vector<std::pair<ByteCount, ByteCount>> reads{{0, 4096}, {9900, 100}, {4096, 4096}, {8000, 2000}};
        QCOMPARE(record.reads, reads);
        // 8000..8192 was read by the second read(), 9900..10000 by the first
        // readAt().
        QCOMPARE(record.bytesReadAgain, ByteCount(192 + 100));
    }

    void withoutRecordsOnlyTheTotalsAreKept()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath("a.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("abc");
        file.close();
        PosixFileSystem disk;
        CountingFileSystem counting(disk, false);
        const auto listed = counting.listFiles(QFile::encodeName(dir.path()).toStdString(), "*.*");
        QVERIFY(listed.ok());
        QCOMPARE(listed->size(), std::size_t(1));
        const std::string name = QFile::encodeName(file.fileName()).toStdString();
        QCOMPARE(counting.status(name)->size, ByteCount(3));
        std::array<std::byte, 16> buffer{};
        QCOMPARE(*(*counting.openForReading(name))->read(buffer), std::size_t(3));
        QVERIFY(counting.files().empty());
        QCOMPARE(counting.totals().listings, std::uint64_t(1));
        QCOMPARE(counting.totals().statusCalls, std::uint64_t(1));
        QCOMPARE(counting.totals().bytesRead, ByteCount(3));
    }
};

QTEST_GUILESS_MAIN(CountingFileSystemTest)
#include "CountingFileSystemTest.moc"
