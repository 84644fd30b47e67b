#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/RecordingPairRecorder.h"
#include "fakes/RecordingView.h"

#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"
#include "platform/PosixFileSystem.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

using namespace zelvo;

namespace {

using Pair = RecordedPair;
using PairList = RecordingPairRecorder;

std::string pattern(std::size_t size, char first)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(first + i % 31);
    return bytes;
}

// A temporary folder on disk, scanned through the real file system behind a
// counting decorator, and analysed.
struct DiskFolder {
    QTemporaryDir dir;
    PosixFileSystem disk;
    FaultyFileSystem fileSystem{disk};
    RecordingView view;
    FakeDateText dates;
    FakeMessageBox messages;
    PairList recorder;
    FolderListing listing;
    ScanRequest where;

    DiskFolder() { where.folder = dir.path().toStdString(); }

    std::string path(const std::string& name) const { return where.folder + "/" + name; }
    void write(const std::string& name, const std::string& bytes)
    {
        QFile file(QString::fromStdString(path(name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
    }
    void scan()
    {
        BulletBar bar(view);
        LeerDirectorio(ScanMode::StartUp, where, fileSystem, view, listing, bar);
    }
    AnalysisOutcome analyse()
    {
        DuplicateAnalysis analysis(fileSystem, dates, view, messages, recorder);
        fileSystem.resetCounters();
        return analysis.run(where, listing);
    }
    // Rows as "> name" for a head row and "name" for a twin.
    std::vector<std::string> rows() const
    {
        std::vector<std::string> texts;
        for (const DuplicateRow& row : view.rows())
            texts.push_back((row.isHead ? "> " : "") + row.path.substr(where.folder.size() + 1));
        return texts;
    }
};

} // namespace

class DuplicateAnalysisOnDiskTest : public QObject {
    Q_OBJECT

private slots:
    void emptyFilesAreDuplicatesAndLastByteDifferencesAreNot()
    {
        DiskFolder folder;
        folder.write("empty1", "");
        folder.write("empty2", "");
        folder.write("one1", "a");
        folder.write("one2", "b");
        std::string last = pattern(60001, 'a');
        folder.write("long1", last);
        last.back() = '#';
        folder.write("long2", last);
        folder.scan();
        const AnalysisOutcome outcome = folder.analyse();
        QCOMPARE(folder.rows(), (std::vector<std::string>{"> empty1", "empty2"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(folder.fileSystem.opens(folder.path("empty1")), 0);
        QCOMPARE(folder.view.caption(Control::Label3), std::string("1 Archivos duplicados"));
    }

    void copiesAreGroupedUnderTheirFirstFileWithEveryByteReadOnce()
    {
        DiskFolder folder;
        for (const char* name : {"A", "B", "C"})
            folder.write(name, pattern(120000, 'a'));
        folder.write("a1", pattern(999, 'a'));
        folder.write("b1", pattern(999, 'b'));
        folder.write("c1", pattern(999, 'a'));
        folder.write("d1", pattern(999, 'b'));
        folder.write("lonely", pattern(5000, 'z'));
        folder.scan();
        const AnalysisOutcome outcome = folder.analyse();
        // Listed by name ignoring case (A, a1, B, b1, C, c1, d1, lonely), the
        // sort's gap-3 pass brings b1 before a1 and B before A.
        QCOMPARE(folder.rows(), (std::vector<std::string>{"> b1", "d1", "> a1", "c1", "> B", "A", "C"}));
        QCOMPARE(outcome.NumDuplicados, 4.0);
        QCOMPARE(folder.recorder.pairs.back(), (Pair{folder.path("B"), 120000, folder.path("C")}));
        QVERIFY(folder.view.isEnabled(Control::Command3));
        QCOMPARE(folder.fileSystem.opens(folder.path("lonely")), 0);
        QVERIFY(folder.fileSystem.pathsReadTwice().empty());
        QCOMPARE(folder.fileSystem.bytesRead(folder.path("B")), ByteCount{120000});
        QCOMPARE(folder.fileSystem.openReaders(), 0);
    }

    void linksToAListedFileAreNeverItsDuplicates()
    {
        DiskFolder folder;
        folder.write("a", pattern(3000, 'a'));
        QCOMPARE(::link(folder.path("a").c_str(), folder.path("hard").c_str()), 0);
        QVERIFY(QFile::link(QString::fromStdString(folder.path("a")),
                            QString::fromStdString(folder.path("soft"))));
        folder.scan();
        QCOMPARE(folder.listing.NumArchivos(), std::size_t{3});
        folder.analyse();
        QVERIFY(folder.view.rows().empty());
        QCOMPARE(folder.fileSystem.totalOpens(), 0);

        folder.write("copy", pattern(3000, 'a'));
        folder.scan();
        folder.analyse();
        QCOMPARE(folder.rows(), (std::vector<std::string>{"> a", "copy"}));
    }

    void aFileDeletedBeforeTheClickIsLeftOutOfANewPass()
    {
        DiskFolder folder;
        for (const char* name : {"a", "b", "c"})
            folder.write(name, "same");
        folder.scan();
        QVERIFY(QFile::remove(QString::fromStdString(folder.path("a"))));
        const AnalysisOutcome outcome = folder.analyse();
        QCOMPARE(folder.rows(), (std::vector<std::string>{"> b", "c"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(folder.view.caption(Control::Label6), std::string("2 archivos a procesar"));
    }

    void aFileThatFailsToReadIsIdenticalToNothing()
    {
        DiskFolder folder;
        for (const char* name : {"a", "b", "c"})
            folder.write(name, pattern(70000, 'k'));
        folder.fileSystem.failReadAfterBytes(folder.path("a"), 10000);
        folder.scan();
        folder.analyse();
        QCOMPARE(folder.rows(), (std::vector<std::string>{"> b", "c"}));
        QCOMPARE(folder.messages.callCount(), std::size_t{0});
        QCOMPARE(folder.fileSystem.openReaders(), 0);
    }

    void filesBeyondFourGigabytesAreMeasuredAndComparedAtTheirEnd()
    {
        // Sparse files: no disk space, but offsets past 32 bits.
        DiskFolder folder;
        const qint64 size = (qint64{5} << 30) + 3;
        for (const char* name : {"big1", "big2"}) {
            QFile file(QString::fromStdString(folder.path(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        {
            QFile file(QString::fromStdString(folder.path("big2")));
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(size - 1));
            QCOMPARE(file.write("!", 1), qint64(1));
        }
        folder.write("small", "x");
        folder.scan();
        QCOMPARE(folder.listing.sizes, (std::vector<ByteCount>{1, ByteCount(size), ByteCount(size)}));
        folder.analyse();
        QVERIFY(folder.view.rows().empty());
        QVERIFY(folder.fileSystem.bytesRead(folder.path("big1")) <= 8192);
    }

    void sixHundredFilesOfOneSizeNeedFewerDescriptorsThanALowLimit()
    {
        DiskFolder folder;
        const std::string head = pattern(9000, 'a');
        for (int i = 0; i < 600; ++i)
            folder.write("f" + std::to_string(1000 + i), head + std::to_string(1000 + i % 300));
        folder.scan();

        // Fewer descriptors than files in the group: opening them all at once
        // would fail and lose duplicates.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit low = saved;
        low.rlim_cur = 320;
        QCOMPARE(setrlimit(RLIMIT_NOFILE, &low), 0);
        const AnalysisOutcome outcome = folder.analyse();
        setrlimit(RLIMIT_NOFILE, &saved);

        QCOMPARE(outcome.NumDuplicados, 300.0);
        QCOMPARE(folder.view.rows().size(), std::size_t{600});
        QCOMPARE(folder.rows()[0], std::string("> f1000"));
        QCOMPARE(folder.rows()[1], std::string("f1300"));
        QVERIFY(folder.fileSystem.peakOpenReaders() <= 256);
        QVERIFY(folder.fileSystem.pathsReadTwice().empty());
    }
};

QTEST_GUILESS_MAIN(DuplicateAnalysisOnDiskTest)
#include "DuplicateAnalysisOnDiskTest.moc"
