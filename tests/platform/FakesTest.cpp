#include "fakes/FakeDateText.h"
#include "fakes/FakeDrives.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakePictureLoader.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/MemoryFileSystem.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zelvo;

namespace {

Result<std::size_t> readInto(FileReader& reader, std::size_t count)
{
    std::vector<std::byte> buffer(count);
    return reader.read(buffer);
}

Result<std::size_t> readAtInto(FileReader& reader, ByteCount offset, std::size_t count)
{
    std::vector<std::byte> buffer(count);
    return reader.readAt(offset, buffer);
}

} // namespace

// The fakes that every other test leans on: if they lie, those tests lie.
class FakesTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxAnswersFromItsScriptThenWithTheFirstButton()
    {
        FakeMessageBox box;
        box.scriptAnswers({MessageAnswer::Cancel, MessageAnswer::No});
        QCOMPARE(box.show("a\nb", "T1", MessageButtons::OkCancel, MessageIcon::None), MessageAnswer::Cancel);
        QCOMPARE(box.show("c", "T2", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::No);
        QCOMPARE(box.show("d", "T3", MessageButtons::YesNo, MessageIcon::Question), MessageAnswer::Yes);
        QCOMPARE(box.show("e", "T4", MessageButtons::OkCancel, MessageIcon::Critical), MessageAnswer::Ok);
        QCOMPARE(box.show("f", "T5", MessageButtons::Ok, MessageIcon::Information), MessageAnswer::Ok);

        QCOMPARE(box.callCount(), std::size_t(5));
        QCOMPARE(box.calls()[0].text, std::string("a\nb"));
        QCOMPARE(box.calls()[0].title, std::string("T1"));
        QCOMPARE(box.calls()[0].buttons, MessageButtons::OkCancel);
        QCOMPARE(box.calls()[1].icon, MessageIcon::Question);
        QCOMPARE(box.lastCall().title, std::string("T5"));
        QCOMPARE(box.lastCall().icon, MessageIcon::Information);
        QCOMPARE(box.unusedAnswers(), std::size_t(0));
    }

    void fakeDatesLeaveOutTheTimeOnlyAtMidnight()
    {
        FakeDateText dates;
        // 2024-02-29 00:00:00 UTC, a leap day.
        const Timestamp midnight{1709164800};
        QCOMPARE(dates.generalDate(midnight), std::string("29/2/2024"));
        QCOMPARE(dates.generalDate({midnight.seconds + 1}), std::string("29/2/2024 0:00:01"));
        QCOMPARE(dates.generalDate({midnight.seconds - 1}), std::string("28/2/2024 23:59:59"));
        QCOMPARE(dates.timeWithSeconds({midnight.seconds + 9 * 3600 + 5 * 60 + 7}), std::string("9:05:07"));
        QCOMPARE(dates.shortDate({0}), std::string("1/1/1970"));
        QCOMPARE(dates.generalDate({-1}), std::string("31/12/1969 23:59:59"));
        dates.setNow(midnight);
        QCOMPARE(dates.now(), midnight);
    }

    void fakeDrivesStayNotReadyForTheScriptedAttempts()
    {
        FakeDrives drives({"/", "/media/usb"});
        drives.setNotReady("/media/usb", 2);
        QCOMPARE(drives.enter("/media/usb").error(), FileError::DeviceNotReady);
        QCOMPARE(drives.enter("/media/usb").error(), FileError::DeviceNotReady);
        auto third = drives.enter("/media/usb");
        QVERIFY(third.ok());
        QCOMPARE(*third, std::string("/media/usb"));
        QCOMPARE(drives.enterCalls().size(), std::size_t(3));
        drives.setEnterError("/", FileError::Other);
        QCOMPARE(drives.enter("/").error(), FileError::Other);
    }

    void fakePicturesComeFromTheScriptOrFromTheFile()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QImage red(4, 3, QImage::Format_RGB32);
        red.fill(Qt::red);
        const std::string png = dir.filePath("red.png").toStdString();
        QVERIFY(red.save(QString::fromStdString(png), "PNG"));

        FakePictureLoader pictures;
        auto loaded = pictures.load(png);
        QVERIFY(loaded.has_value());
        QCOMPARE(loaded->size(), QSize(4, 3));
        QVERIFY(!pictures.load(dir.filePath("missing.png").toStdString()).has_value());

        pictures.setNotAPicture(png);
        QVERIFY(!pictures.load(png).has_value());
        pictures.setPicture("/scripted.jpg", QImage(2, 2, QImage::Format_RGB32));
        QCOMPARE(pictures.load("/scripted.jpg")->size(), QSize(2, 2));
        QCOMPARE(pictures.loads().size(), std::size_t(4));
    }

    void countsOpensBytesAndReadersPerPath()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", std::string(100, 'a'));
        inner.addFile("/b", std::string(10, 'b'));
        FaultyFileSystem fs(inner);
        {
            auto a = fs.openForReading("/a");
            QVERIFY(a.ok());
            auto b = fs.openForReading("/b");
            QVERIFY(b.ok());
            QCOMPARE(fs.openReaders(), 2);
            QCOMPARE(*readInto(**a, 60), std::size_t(60));
            QCOMPARE(*readInto(**a, 60), std::size_t(40));
            QCOMPARE(*readInto(**a, 60), std::size_t(0));
            QCOMPARE(*readInto(**b, 4), std::size_t(4));
        }
        QCOMPARE(fs.openReaders(), 0);
        QCOMPARE(fs.peakOpenReaders(), 2);
        QCOMPARE(fs.opens("/a"), 1);
        QCOMPARE(fs.bytesRead("/a"), ByteCount(100));
        QCOMPARE(fs.bytesRead("/b"), ByteCount(4));
        QCOMPARE(fs.totalBytesRead(), ByteCount(104));
        QCOMPARE(fs.totalOpens(), 2);
        QCOMPARE(fs.counters("/a").readCalls, 3);
        QVERIFY(fs.pathsReadTwice().empty());
        QCOMPARE(fs.openedPaths(), (std::vector<std::string>{"/a", "/b"}));
        QCOMPARE(fs.opens("/never"), 0);
    }

    void noticesAByteRangeReadTwiceButNotAdjacentRanges()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", std::string(100, 'a'));
        inner.addFile("/b", std::string(100, 'b'));
        inner.addFile("/c", std::string(100, 'c'));
        FaultyFileSystem fs(inner);
        auto a = fs.openForReading("/a");
        QVERIFY(readAtInto(**a, 50, 50).ok());
        QVERIFY(readAtInto(**a, 0, 50).ok());
        QVERIFY(!fs.rangeReadTwice("/a"));
        QVERIFY(readAtInto(**a, 49, 1).ok());
        QVERIFY(fs.rangeReadTwice("/a"));

        // A second reader starts again at byte 0.
        auto b1 = fs.openForReading("/b");
        QVERIFY(readInto(**b1, 10).ok());
        auto b2 = fs.openForReading("/b");
        QVERIFY(readInto(**b2, 1).ok());
        QVERIFY(fs.rangeReadTwice("/b"));

        // Ranges merged out of order still catch an overlap inside them.
        auto c = fs.openForReading("/c");
        QVERIFY(readAtInto(**c, 20, 10).ok());
        QVERIFY(readAtInto(**c, 40, 10).ok());
        QVERIFY(readAtInto(**c, 30, 10).ok());
        QVERIFY(!fs.rangeReadTwice("/c"));
        QVERIFY(readAtInto(**c, 45, 1).ok());
        QVERIFY(fs.rangeReadTwice("/c"));
        QCOMPARE(fs.pathsReadTwice(), (std::vector<std::string>{"/a", "/b", "/c"}));

        fs.resetCounters();
        QVERIFY(fs.pathsReadTwice().empty());
        QCOMPARE(fs.openReaders(), 4);
    }

    void injectsFaultsPerPathAndOperation()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", "abc");
        inner.addFile("/b", "xyz");
        FaultyFileSystem fs(inner);
        fs.failStatus("/a", FileError::InvalidArgument);
        fs.failOpen("/b", FileError::AccessDenied);
        fs.failAppend("/log");
        fs.failRemove("/a");
        fs.failOperation("/dir", FsOperation::List, FileError::DeviceNotReady);

        QCOMPARE(fs.status("/a").error(), FileError::InvalidArgument);
        QVERIFY(fs.status("/b").ok());
        QCOMPARE(fs.openForReading("/b").error(), FileError::AccessDenied);
        QVERIFY(fs.openForReading("/a").ok());
        QCOMPARE(fs.appendToFile("/log", "x"), FileError::Other);
        QVERIFY(!inner.status("/log").ok());
        QCOMPARE(fs.removeFile("/a"), FileError::AccessDenied);
        QVERIFY(inner.status("/a").ok());
        QCOMPARE(fs.listFiles("/dir", "*").error(), FileError::DeviceNotReady);
        QVERIFY(fs.listFiles("/other", "*").ok());

        // From the third call on.
        fs.failOperation("/b", FsOperation::Status, FileError::NotFound, 3);
        QVERIFY(fs.status("/b").ok());
        QCOMPARE(fs.status("/b").error(), FileError::NotFound);
        QCOMPARE(fs.status("/b").error(), FileError::NotFound);

        fs.failOperation(FaultyFileSystem::kEveryPath, FsOperation::Remove, FileError::Other);
        QCOMPARE(fs.removeFile("/b"), FileError::Other);
        fs.clearFaults();
        QCOMPARE(fs.removeFile("/b"), FileError::None);
        QCOMPARE(fs.status("/a").error(), FileError::None);
    }

    void aReadFailsOnceItReachesPastTheGoodBytes()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", std::string(100, 'a'));
        inner.addFile("/short", std::string(10, 's'));
        FaultyFileSystem fs(inner);
        fs.failReadAfterBytes("/a", 50);
        fs.failReadAfterBytes("/short", 10);
        auto a = fs.openForReading("/a");
        QCOMPARE(*readInto(**a, 50), std::size_t(50));
        QCOMPARE(readInto(**a, 1).error(), FileError::Other);
        QCOMPARE(fs.bytesRead("/a"), ByteCount(50));
        auto again = fs.openForReading("/a");
        QCOMPARE(readAtInto(**again, 40, 20).error(), FileError::Other);

        auto s = fs.openForReading("/short");
        QCOMPARE(*readInto(**s, 60000), std::size_t(10));
        QCOMPARE(*readInto(**s, 60000), std::size_t(0));
    }

    void aFileVanishesAtItsKthRead()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", std::string(100, 'a'));
        inner.addFile("/gone", "x");
        FaultyFileSystem fs(inner);
        fs.vanishAtRead("/a", 2);
        fs.vanish("/gone");
        QCOMPARE(fs.status("/gone").error(), FileError::NotFound);
        QCOMPARE(fs.openForReading("/gone").error(), FileError::NotFound);
        QCOMPARE(fs.listFiles("/", "*")->size(), std::size_t(2));

        auto a = fs.openForReading("/a");
        QVERIFY(readInto(**a, 10).ok());
        QVERIFY(fs.status("/a").ok());
        QCOMPARE(readInto(**a, 10).error(), FileError::NotFound);
        QCOMPARE(readInto(**a, 10).error(), FileError::NotFound);
        QCOMPARE(fs.status("/a").error(), FileError::NotFound);
        QCOMPARE(fs.openForReading("/a").error(), FileError::NotFound);
        QCOMPARE(fs.bytesRead("/a"), ByteCount(10));
    }

    void faultsOnEveryPathReachFilesWithoutFaultsOfTheirOwn()
    {
        MemoryFileSystem inner;
        inner.addFile("/a", std::string(100, 'a'));
        inner.addFile("/b", std::string(100, 'b'));
        FaultyFileSystem fs(inner);
        fs.failReadAfterBytes(FaultyFileSystem::kEveryPath, 10);
        fs.failReadAfterBytes("/b", 1000);
        QCOMPARE(readInto(**fs.openForReading("/a"), 20).error(), FileError::Other);
        QCOMPARE(*readInto(**fs.openForReading("/b"), 20), std::size_t(20));

        fs.clearFaults();
        fs.vanish(FaultyFileSystem::kEveryPath);
        QCOMPARE(fs.status("/a").error(), FileError::NotFound);
        QCOMPARE(fs.openForReading("/b").error(), FileError::NotFound);
    }
};

QTEST_MAIN(FakesTest)
#include "FakesTest.moc"
