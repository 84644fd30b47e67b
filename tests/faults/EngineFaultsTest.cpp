#include "FaultBench.h"

#include <QTest>

#include <algorithm>

using namespace zelvo;
using namespace zelvo::faults;

namespace {

const std::string kVanishedText = "Uno o varios archivos ya fueron borrados o movidos.";
const std::string kNoCopyText =
    "El archivo no se ha borrado porque ya no tiene ninguna copia idéntica.";
const std::string kLogRefusedText = "No se puede crear el archivo log.\n"
                                    "Se desactiva el seguimiento.\n"
                                    "Corrija el problema con el archivo para volver a registrar "
                                    "los eventos";

// Contents large enough to be compared in several chunks, different at the
// start for each seed.
std::string bigContents(char seed, std::size_t size = 300000)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i * 131 + std::size_t(seed) * 7) % 251);
    bytes[0] = seed;
    return bytes;
}

using Paths = std::vector<std::string>;

// The pairs the log records, as "reference | twin", and the deleted paths.
Paths pairsIn(const std::vector<LogRecord>& records)
{
    Paths pairs;
    for (const LogRecord& r : records)
        if (!r.isDeletion)
            pairs.push_back(r.paths[0] + " | " + r.paths[1]);
    return pairs;
}
Paths deletionsIn(const std::vector<LogRecord>& records)
{
    Paths deleted;
    for (const LogRecord& r : records)
        if (r.isDeletion)
            deleted.push_back(r.paths[0]);
    return deleted;
}

} // namespace

// Faults of the disk and the folder met by the scan, the analysis, the log
// and the deletion working together on a real folder. Every case ends by
// looking at what is on the disk and in Zelvo.log.
class EngineFaultsTest : public QObject {
    Q_OBJECT

private:
    // Three identical files a, b, c of several chunks and one different
    // file d of the same size, scanned.
    static void threeCopies(FaultBench& bench)
    {
        for (const char* name : {"a", "b", "c"})
            QVERIFY(writeFile(bench.path(name), bigContents('A')));
        QVERIFY(writeFile(bench.path("d"), bigContents('D')));
        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(4));
    }

    static void expectGroupOfAAndC(FaultBench& bench, const AnalysisOutcome& outcome)
    {
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("c")}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(pairsIn(records), (Paths{bench.path("a") + " | " + bench.path("c")}));
        QCOMPARE(bench.files.openReaders(), 0);
    }

private slots:
    void aFileVanishedBeforeTheAnalysisIsLeftOutAndItsCopiesStillPair()
    {
        FaultBench bench;
        threeCopies(bench);
        QVERIFY(::unlink(bench.path("b").c_str()) == 0);

        const AnalysisOutcome outcome = bench.analyse();

        expectGroupOfAAndC(bench, outcome);
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(3));
        QCOMPARE(bench.view.caption(Control::Label6), std::string("3 archivos a procesar"));
        QVERIFY(bench.messages.calls().empty());
        for (const char* name : {"a", "c", "d"})
            QVERIFY(exists(bench.path(name)));
    }

    void aFileUnlinkedBetweenTwoChunksIsNotPairedOnceItIsGone_data()
    {
        QTest::addColumn<int>("readCall");
        QTest::newRow("before its last block") << 2;
        QTest::newRow("before the middle of the file") << 3;
    }
    void aFileUnlinkedBetweenTwoChunksIsNotPairedOnceItIsGone()
    {
        // An open file stays readable after its name is gone, so the
        // comparison itself still finds b identical: the pair must be given
        // up when it is recorded, and b must not be left in the list.
        QFETCH(int, readCall);
        FaultBench bench;
        threeCopies(bench);
        const std::string b = bench.path("b");
        bench.hooks.beforeRead(b, readCall, [&] { QVERIFY(::unlink(b.c_str()) == 0); });

        expectGroupOfAAndC(bench, bench.analyse());
        QVERIFY(!exists(b));
        for (const char* name : {"a", "c", "d"})
            QVERIFY(exists(bench.path(name)));
    }

    void aFileWhoseReadsFailMidwayIsIdenticalToNothing_data()
    {
        QTest::addColumn<bool>("vanishes");
        QTest::newRow("device error (EIO)") << false;
        QTest::newRow("gone at its third read") << true;
    }
    void aFileWhoseReadsFailMidwayIsIdenticalToNothing()
    {
        QFETCH(bool, vanishes);
        FaultBench bench;
        threeCopies(bench);
        if (vanishes)
            bench.files.vanishAtRead(bench.path("b"), 3);
        else
            bench.files.failReadAfterBytes(bench.path("b"), 70000);

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("c")}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(pairsIn(parseLog(bench.logBytes(), nullptr)),
                 (Paths{bench.path("a") + " | " + bench.path("c")}));
        QCOMPARE(bench.files.openReaders(), 0);
        for (const char* name : {"a", "b", "c", "d"})
            QVERIFY(exists(bench.path(name)));
    }

    void aFileRefusedToBeOpenedBeforeTheAnalysisTakesNoPart()
    {
        // Root reads a file whatever its permission bits, so the refusal is
        // scripted.
        FaultBench bench;
        threeCopies(bench);
        bench.files.failOpen(bench.path("a"), FileError::AccessDenied);

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("b"), bench.path("c")}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(pairsIn(parseLog(bench.logBytes(), nullptr)),
                 (Paths{bench.path("b") + " | " + bench.path("c")}));
        QVERIFY(bench.messages.calls().empty());
    }

    void aFileVanishedBetweenAnalysisAndDeletionLosesItsRowAndLeavesItsOnlyCopy()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("b")}));
        const std::string logAfterAnalysis = bench.logBytes();
        QVERIFY(::unlink(bench.path("b").c_str()) == 0);

        QVERIFY(bench.deleteRow(bench.path("b")));
        QCOMPARE(bench.messages.lastCall().text, kVanishedText);
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a")}));

        // a's only copy is gone: deleting a now would lose its data.
        QVERIFY(bench.deleteRow(bench.path("a")));
        QCOMPARE(bench.messages.lastCall().text, kNoCopyText);
        QVERIFY(exists(bench.path("a")));
        QCOMPARE(readFile(bench.path("a")), std::string("same"));
        QCOMPARE(bench.logBytes(), logAfterAnalysis);
    }

    void aFileChangedAfterTheAnalysisIsKeptWhenNoIdenticalCopyIsLeft_data()
    {
        QTest::addColumn<std::string>("newContents");
        QTest::newRow("same size") << std::string("SAME");
        QTest::newRow("longer") << std::string("same, and more");
        QTest::newRow("emptied") << std::string();
    }
    void aFileChangedAfterTheAnalysisIsKeptWhenNoIdenticalCopyIsLeft()
    {
        QFETCH(std::string, newContents);
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        const std::string logAfterAnalysis = bench.logBytes();
        QVERIFY(writeFile(bench.path("b"), newContents));

        for (const char* name : {"b", "a"}) {
            QVERIFY(bench.deleteRow(bench.path(name)));
            QCOMPARE(bench.messages.lastCall().text, kNoCopyText);
        }
        QCOMPARE(readFile(bench.path("a")), std::string("same"));
        QCOMPARE(readFile(bench.path("b")), newContents);
        QCOMPARE(bench.logBytes(), logAfterAnalysis);
    }

    void aFileIsDeletedWhileAnotherIdenticalCopyRemainsThoughAThirdChanged()
    {
        FaultBench bench;
        threeCopies(bench);
        bench.analyse();
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("b"), bench.path("c")}));
        std::string changed = bigContents('A');
        changed[150000] ^= 1;
        QVERIFY(writeFile(bench.path("c"), changed));

        QVERIFY(bench.deleteRow(bench.path("b")));
        QVERIFY(!exists(bench.path("b")));
        // b is gone and c differs now: a is the last of its data.
        QVERIFY(bench.deleteRow(bench.path("a")));
        QVERIFY(exists(bench.path("a")));
        QCOMPARE(bench.messages.lastCall().text, kNoCopyText);

        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(deletionsIn(records), (Paths{bench.path("b")}));
        QCOMPARE(records.back().size, std::string("300000"));
    }

    void aFolderRemovedAfterTheScanEndsTheAnalysisWithAnEmptyListing()
    {
        FaultBench bench;
        threeCopies(bench);
        QVERIFY(removeTree(bench.folder()));

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 0.0);
        QVERIFY(bench.rows().empty());
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(0));
        QCOMPARE(bench.view.caption(Control::Label6), std::string("0 archivos a procesar"));
        QVERIFY(!bench.view.isBusy());
        QVERIFY(!bench.view.isEnabled(Control::Command3));
        bool found = true;
        readFile(bench.logPath(), &found);
        QVERIFY(!found);
    }

    void aFileThatKeepsVanishingDoesNotMakeTheAnalysisRescanForEver()
    {
        // Listed by every scan, gone for every query: the recovery must leave
        // it out rather than start over again and again.
        FaultBench bench;
        threeCopies(bench);
        bench.files.vanish(bench.path("b"));

        expectGroupOfAAndC(bench, bench.analyse());
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(3));
    }

    void aFileThatChangesDuringItsComparisonIsIdenticalToNothing_data()
    {
        QTest::addColumn<QString>("changed");
        QTest::addColumn<bool>("grows"); // else only its date moves
        QTest::addColumn<bool>("cNamesA");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("the reference grows") << "a" << true << false << QStringList{"> b", "c"};
        QTest::newRow("a twin grows") << "b" << true << false << QStringList{"> a", "c"};
        QTest::newRow("a twin's date moves") << "c" << false << false << QStringList{"> a", "b"};
        QTest::newRow("a twin grows, leaving two names of one file") << "b" << true << true << QStringList{};
    }
    void aFileThatChangesDuringItsComparisonIsIdenticalToNothing()
    {
        // The comparison reads the size measured before it: bytes compared
        // are no longer what the file holds, and its record would give its
        // old size. It is left out, and its copies pair without it.
        QFETCH(QString, changed);
        QFETCH(bool, grows);
        QFETCH(bool, cNamesA);
        QFETCH(QStringList, expected);
        FaultBench bench;
        threeCopies(bench);
        if (cNamesA) {
            QVERIFY(::unlink(bench.path("c").c_str()) == 0);
            QVERIFY(::link(bench.path("a").c_str(), bench.path("c").c_str()) == 0);
        }
        const std::string path = bench.path(changed.toStdString());
        bench.hooks.beforeRead(path, 2, [&] {
            if (!grows) {
                const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
                QVERIFY(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
                return;
            }
            const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
            QVERIFY(fd >= 0);
            QCOMPARE(::write(fd, "more", 4), ssize_t(4));
            ::close(fd);
        });

        const AnalysisOutcome outcome = bench.analyse();

        Paths rows;
        for (const QString& row : expected)
            rows.push_back(row.startsWith("> ") ? "> " + bench.path(row.mid(2).toStdString())
                                                : bench.path(row.toStdString()));
        QCOMPARE(bench.rows(), rows);
        QCOMPARE(outcome.NumDuplicados, rows.empty() ? 0.0 : double(rows.size() - 1));
        Paths pairs;
        for (std::size_t i = 1; i < rows.size(); ++i)
            pairs.push_back(rows[0].substr(2) + " | " + rows[i]);
        QCOMPARE(pairsIn(parseLog(bench.logBytes(), nullptr)), pairs);
        QCOMPARE(readFile(path), bigContents('A') + (grows ? "more" : ""));
    }

    void aFileThatChangedSizeSinceTheScanDoesNotHideTheCopiesAroundIt()
    {
        // Five copies; the one in the middle of the listing grows before
        // "Analizar". The four others are still one set of copies.
        FaultBench bench;
        for (const char* name : {"f1", "f2", "f3", "f4", "f5"})
            QVERIFY(writeFile(bench.path(name), "five copies"));
        bench.scan();
        const std::string middle = bench.listing.paths[2];
        QVERIFY(writeFile(middle, "five copies, one grown"));

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 3.0);
        QCOMPARE(bench.view.rows().size(), std::size_t(4));
        for (const DuplicateRow& row : bench.view.rows())
            QVERIFY(row.path != middle);
        QCOMPARE(parseLog(bench.logBytes(), nullptr).size(), std::size_t(3));
    }

    void aFileReplacedByAFifoAfterTheScanDoesNotHangTheAnalysis()
    {
        // Opening a fifo for reading waits for a writer that never comes,
        // unless the opening refuses to wait.
        FaultBench bench;
        threeCopies(bench);
        QVERIFY(::unlink(bench.path("b").c_str()) == 0);
        QVERIFY(::mkfifo(bench.path("b").c_str(), 0644) == 0);

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("c")}));
        struct stat st;
        QVERIFY(::stat(bench.path("b").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    }

    void aFileThatIsNotWhatItsSizeSaysTakesNoPart_data()
    {
        // Empty files e1, e2 and e3 are scanned; then one name is put in
        // place of e2 (after the scan), or added beside them (before it).
        QTest::addColumn<QString>("what");
        QTest::addColumn<bool>("afterScan");
        QTest::newRow("a named pipe in place of e2") << "fifo" << true;
        QTest::newRow("a link to /dev/zero in place of e2") << "/dev/zero" << true;
        QTest::newRow("a link to /proc/mounts beside them") << "/proc/mounts" << false;
        QTest::newRow("a link to /proc/self/status beside them") << "/proc/self/status" << false;
    }
    void aFileThatIsNotWhatItsSizeSaysTakesNoPart()
    {
        // Empty files are identical without a read; a fifo, a device or a
        // file made up as it is read only says it is empty, and a fifo must
        // not block the run.
        QFETCH(QString, what);
        QFETCH(bool, afterScan);
        FaultBench bench;
        for (const char* name : {"e1", "e2", "e3"})
            QVERIFY(writeFile(bench.path(name), ""));
        const std::string odd = bench.path(afterScan ? "e2" : "p");
        const auto place = [&] {
            if (afterScan)
                QVERIFY(::unlink(odd.c_str()) == 0);
            if (what == "fifo")
                QVERIFY(::mkfifo(odd.c_str(), 0644) == 0);
            else
                QVERIFY(::symlink(what.toUtf8().constData(), odd.c_str()) == 0);
        };
        if (!afterScan)
            place();
        bench.scan();
        if (afterScan)
            place();

        const AnalysisOutcome outcome = bench.analyse();

        std::vector<std::string> expected{"> " + bench.path("e1"), bench.path("e3")};
        if (!afterScan)
            expected.insert(expected.begin() + 1, bench.path("e2"));
        QCOMPARE(bench.rows(), expected);
        QCOMPARE(outcome.NumDuplicados, double(expected.size() - 1));
    }

    void groupsKeepTheOrderOfTheirReferencesWhenAFirstFileChanged()
    {
        // a = c = e and b = d; a is touched while the run reads it, so c
        // becomes its group's reference and stands after b.
        FaultBench bench;
        for (const char* name : {"a", "c", "e"})
            QVERIFY(writeFile(bench.path(name), bigContents('A')));
        for (const char* name : {"b", "d"})
            QVERIFY(writeFile(bench.path(name), bigContents('B')));
        bench.scan();
        const std::string a = bench.path("a");
        bench.hooks.beforeRead(a, 2, [&] {
            const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 0}};
            QVERIFY(::utimensat(AT_FDCWD, a.c_str(), times, 0) == 0);
        });

        bench.analyse();

        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("b"), bench.path("d"), "> " + bench.path("c"),
                                      bench.path("e")}));
    }

    void namesOfOneFileOnDiskAreNeverCopiesOfEachOther()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "the only data"));
        QVERIFY(::link(bench.path("a").c_str(), bench.path("hard").c_str()) == 0);
        QVERIFY(::symlink("a", bench.path("soft").c_str()) == 0);
        QVERIFY(writeFile(bench.path("x"), "two copies"));
        QVERIFY(writeFile(bench.path("y"), "two copies"));
        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t(5));

        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(outcome.NumDuplicados, 1.0);
        Paths listed;
        for (const DuplicateRow& row : bench.view.rows())
            listed.push_back(row.path);
        std::sort(listed.begin(), listed.end());
        QCOMPARE(listed, (Paths{bench.path("x"), bench.path("y")}));

        // Even listed together by hand, one name cannot be deleted on the
        // strength of another name of the same file.
        bench.view.clearDuplicateRows();
        bench.view.addDuplicateRow({true, bench.path("a"), 1});
        bench.view.addDuplicateRow({false, bench.path("hard"), 1});
        bench.view.addDuplicateRow({false, bench.path("soft"), 1});
        for (const char* name : {"soft", "hard", "a"}) {
            QVERIFY(bench.deleteRow(bench.path(name)));
            QCOMPARE(bench.messages.lastCall().text, kNoCopyText);
        }
        QCOMPARE(readFile(bench.path("a")), std::string("the only data"));
        QCOMPARE(readFile(bench.path("soft")), std::string("the only data"));
    }

    void aLogThatCannotBeCreatedIsToldOnceAndTheAnalysisStillListsEveryPair_data()
    {
        QTest::addColumn<QString>("cause");
        QTest::newRow("a folder named Zelvo.log") << "folder";
        QTest::newRow("its folder is gone") << "no folder";
        QTest::newRow("read-only file") << "read-only";
        QTest::newRow("read-only folder") << "read-only folder";
    }
    void aLogThatCannotBeCreatedIsToldOnceAndTheAnalysisStillListsEveryPair()
    {
        QFETCH(QString, cause);
        FaultBench bench;
        for (const char* name : {"a", "b", "c"})
            QVERIFY(writeFile(bench.path(name), "same"));
        QVERIFY(writeFile(bench.path("d"), "else"));
        QVERIFY(writeFile(bench.path("e"), "else"));
        bench.scan();
        const std::string logFolder = bench.logPath().substr(0, bench.logPath().rfind('/'));
        std::string before;
        if (cause == "folder") {
            QVERIFY(makeFolder(bench.logPath()));
        } else if (cause == "no folder") {
            QVERIFY(removeTree(logFolder));
        } else {
            // Permission bits do not stop root; the refusal is scripted on
            // top of a real read-only file or folder.
            before = "an earlier record\r\n";
            if (cause == "read-only") {
                QVERIFY(writeFile(bench.logPath(), before));
                QVERIFY(::chmod(bench.logPath().c_str(), 0444) == 0);
            } else {
                QVERIFY(::chmod(logFolder.c_str(), 0555) == 0);
                before.clear();
            }
            bench.files.failAppend(bench.logPath(), FileError::AccessDenied);
        }

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 3.0);
        QCOMPARE(bench.rows().size(), std::size_t(5));
        QVERIFY(bench.view.isEnabled(Control::Command3));
        QCOMPARE(bench.messageTexts(), (Paths{kLogRefusedText}));
        QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo log"));
        QVERIFY(!bench.logSwitch.on);
        if (cause == "folder") {
            struct stat st;
            QVERIFY(::stat(bench.logPath().c_str(), &st) == 0 && S_ISDIR(st.st_mode));
        } else if (cause == "no folder") {
            QVERIFY(!exists(logFolder));
        } else {
            QCOMPARE(bench.logBytes(), before);
        }
        ::chmod(logFolder.c_str(), 0755);
    }

    void aFullDiskLosesTheRecordWholeTellsTheUserOnceAndSwitchesTheLogOff()
    {
        FaultBench bench;
        for (const char* name : {"a", "b", "c"})
            QVERIFY(writeFile(bench.path(name), "same"));
        bench.scan();
        // The first record fits, the rest find the disk full.
        bench.files.failOperation(bench.logPath(), FsOperation::Append, FileError::Other, 2);

        const AnalysisOutcome outcome = bench.analyse();

        QCOMPARE(outcome.NumDuplicados, 2.0);
        bool whole = false;
        const auto records = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(pairsIn(records), (Paths{bench.path("a") + " | " + bench.path("b")}));
        QCOMPARE(bench.messages.callCount(), std::size_t(1));
        QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo log"));
        // The later records would be lost in silence: the log goes off, and
        // is switched on again once space is free.
        QVERIFY(!bench.logSwitch.on);

        bench.files.clearFaults();
        bench.logSwitch.on = true;
        QVERIFY(bench.deleteRow(bench.path("c")));
        const auto after = parseLog(bench.logBytes(), &whole);
        QVERIFY(whole);
        QCOMPARE(deletionsIn(after), (Paths{bench.path("c")}));
    }

    void aDeletionWhoseLogIsRefusedStillDeletesAndSwitchesTheLogOff()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        const std::string logAfterAnalysis = bench.logBytes();
        bench.files.failAppend(bench.logPath(), FileError::AccessDenied);

        QVERIFY(bench.deleteRow(bench.path("b")));

        QVERIFY(!exists(bench.path("b")));
        QVERIFY(exists(bench.path("a")));
        QCOMPARE(bench.messages.lastCall().text, kLogRefusedText);
        QVERIFY(!bench.logSwitch.on);
        QCOMPARE(bench.logBytes(), logAfterAnalysis);
    }

    void aFileThatRefusesDeletionStaysListedAndUnlogged()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        bench.scan();
        bench.analyse();
        const std::string logAfterAnalysis = bench.logBytes();
        bench.files.failRemove(bench.path("b"));

        QVERIFY(bench.deleteRow(bench.path("b")));

        QVERIFY(exists(bench.path("b")));
        QCOMPARE(bench.rows(), (Paths{"> " + bench.path("a"), bench.path("b")}));
        QCOMPARE(bench.messages.lastCall().title, std::string("Error con archivo"));
        QCOMPARE(bench.logBytes(), logAfterAnalysis);
    }
};

QTEST_GUILESS_MAIN(EngineFaultsTest)
#include "EngineFaultsTest.moc"
