#include "FaultBench.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

#include <string>

using namespace zelvo;
using namespace zelvo::faults;

namespace {

using Paths = std::vector<std::string>;

constexpr ByteCount kOverFourGiB = (ByteCount(1) << 32) + 1; // 4294967297
constexpr ByteCount kOverTwoGiB = (ByteCount(1) << 31) + 5;  // 2147483653

} // namespace

// Sizes past what 32 bits hold, zero-length files, and a folder of 100,000
// files: counts and sizes stay exact from the disk to the captions and the
// log.
class LargeFilesTest : public QObject {
    Q_OBJECT

private slots:
    void sparseFilesOverFourGiBKeepTheirSizesInCaptionsAndLog()
    {
        // Sparse files take no disk space; reading the identical pair whole
        // takes a few seconds.
        FaultBench bench;
        QVERIFY(writeSparseFile(bench.path("big1"), kOverFourGiB, "Z"));
        QVERIFY(writeSparseFile(bench.path("big2"), kOverFourGiB, "Z"));
        // Same size, differs only in its very last byte.
        QVERIFY(writeSparseFile(bench.path("big3"), kOverFourGiB, "Y"));
        QVERIFY(writeSparseFile(bench.path("over2"), kOverTwoGiB, "Z"));
        bench.scan();
        QCOMPARE(bench.listing.sizes, (std::vector<ByteCount>{kOverTwoGiB, kOverFourGiB,
                                                              kOverFourGiB, kOverFourGiB}));

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("big1"), bench.path("big2")}));
        const Paths sizeCaptions = bench.view.captionsOf(Control::Label4);
        QVERIFY(std::find(sizeCaptions.begin(), sizeCaptions.end(), "2147483653 bytes")
                != sizeCaptions.end());
        QVERIFY(std::find(sizeCaptions.begin(), sizeCaptions.end(), "4294967297 bytes")
                != sizeCaptions.end());
        // Every byte of both twins was compared, and big3 was told apart
        // without reading all of it.
        QCOMPARE(bench.files.bytesRead(bench.path("big1")), kOverFourGiB);
        QCOMPARE(bench.files.bytesRead(bench.path("big2")), kOverFourGiB);
        QVERIFY(bench.files.bytesRead(bench.path("big3")) < (ByteCount(1) << 20));

        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(records.size(), std::size_t(1));
        QCOMPARE(records[0].size, std::string("4294967297"));
        QVERIFY(records[0].lines[2].find("\t\t4294967297 bytes \t") != std::string::npos);
    }

    void zeroLengthFilesAreIdenticalWithoutBeingRead()
    {
        FaultBench bench;
        for (const char* name : {"empty1", "empty2", "empty3"})
            QVERIFY(writeFile(bench.path(name), ""));
        QVERIFY(writeFile(bench.path("one"), "1"));
        bench.scan();

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 2.0);
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("empty1"), bench.path("empty2"),
                                      bench.path("empty3")}));
        QCOMPARE(bench.files.totalBytesRead(), ByteCount(0));
        const auto records = parseLog(bench.logBytes(), nullptr);
        QCOMPARE(records.size(), std::size_t(2));
        QCOMPARE(records[1].size, std::string("0"));

        QVERIFY(bench.deleteRow(bench.path("empty2")));
        QVERIFY(!exists(bench.path("empty2")));
        QVERIFY(exists(bench.path("empty1")) && exists(bench.path("empty3")));
    }

    void aFolderOfOneHundredThousandFilesIsScannedAndAnalysedWhole()
    {
        // In memory where the system offers it: the test is about the
        // program's handling of many names, and creating and removing
        // 100,000 files on a busy disk alone can take minutes.
        FaultBench bench(QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QString());
        QVERIFY(bench.valid());
        constexpr int kFiles = 100000;
        constexpr int kContents = 40000;
        // File i holds the text of i modulo 40,000: 20,000 groups of three
        // and 20,000 of two, in sizes of 1 to 5 bytes.
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = "f" + std::to_string(i);
            QVERIFY(writeFile(bench.path(name), std::to_string(i % kContents)));
        }
        bench.logSwitch.on = false;
        QElapsedTimer timer;
        timer.start();

        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(kFiles));
        QCOMPARE(bench.view.caption(Control::Label6), std::string("100000 archivos a procesar"));
        const qint64 scanned = timer.elapsed();
        DuplicateAnalysis analysis(bench.files, bench.dates, bench.view, bench.messages, bench.log);
        const AnalysisOutcome outcome = analysis.run(bench.where, bench.listing);

        QCOMPARE(outcome.NumDuplicados, double(kFiles - kContents));
        QCOMPARE(bench.view.rows().size(), std::size_t(kFiles));
        QCOMPARE(bench.view.caption(Control::Label3), std::string("60000 Archivos duplicados"));
        int heads = 0;
        for (const DuplicateRow& row : bench.view.rows())
            heads += row.isHead;
        QCOMPARE(heads, kContents);
        // Every file was opened once at most: none twice over.
        QVERIFY(bench.files.pathsReadTwice().empty());
        qInfo("%d files: scan %lld ms, analysis %lld ms", kFiles, scanned, timer.elapsed() - scanned);
    }
};

QTEST_GUILESS_MAIN(LargeFilesTest)
#include "LargeFilesTest.moc"
