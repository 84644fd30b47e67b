#include "fakes/MemoryFileSystem.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/RecordingPairRecorder.h"
#include "fakes/RecordingView.h"

#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"
#include "platform/ForwardingFileSystem.h"

#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

using namespace zelvo;

namespace {

using Pair = RecordedPair;
using RecordingRecorder = RecordingPairRecorder;

const std::string kGone =
    "No se puede acceder al directorio o archivo.\nCompruebe que no haya sido borrado o movido.";

// A folder "/d" in memory, scanned as the window's load would scan it, and
// everything an analysis run needs around it.
struct Bench {
    MemoryFileSystem memory;
    FaultyFileSystem fileSystem{memory};
    RecordingView view;
    FakeDateText dates;
    FakeMessageBox messages;
    RecordingRecorder recorder;
    FolderListing listing;
    ScanRequest where{"/d", "*"};
    std::optional<ClassifierLimits> limits;

    // Measuring and every class of two or more files shared with a small
    // pool of threads.
    void useThePool()
    {
        memory.setConcurrentReads(true);
        limits = ClassifierLimits{};
        limits->parallelFrom = 2;
        limits->parallelListingFrom = 2;
        limits->ioThreads = 3;
    }

    void add(const std::string& name, const std::string& contents, Timestamp modified = {1'000'000})
    {
        memory.addFile("/d/" + name, contents, modified);
    }
    void scan()
    {
        BulletBar bar(view);
        LeerDirectorio(ScanMode::StartUp, where, fileSystem, view, listing, bar);
    }
    AnalysisOutcome analyse(std::chrono::steady_clock::duration captionInterval = {})
    {
        DuplicateAnalysis analysis(fileSystem, dates, view, messages, recorder);
        analysis.setCaptionInterval(captionInterval);
        if (limits)
            analysis.setLimits(*limits);
        view.clearCalls();
        return analysis.run(where, listing);
    }
    std::vector<std::string> rows() const
    {
        std::vector<std::string> texts;
        for (const DuplicateRow& row : view.rows())
            texts.push_back((row.isHead ? "> " : "") + row.path.substr(3));
        return texts;
    }
    std::vector<int> comparisonBar() const
    {
        std::vector<int> counts;
        for (const std::string& caption : view.captionsOf(Control::Label10))
            counts.push_back(static_cast<int>(caption.size() / 3));
        return counts;
    }
};

std::string bytes(std::size_t size, char first = 'a')
{
    std::string text(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        text[i] = static_cast<char>(first + i % 23);
    return text;
}

void verifyFinalCleanup(const RecordingView& view)
{
    for (Control hidden : {Control::Label11, Control::Label7, Control::Label8, Control::Label13,
                           Control::Label14})
        QVERIFY2(!view.isVisible(hidden), controlName(hidden));
    for (Control empty : {Control::Label12, Control::Label1, Control::Label4, Control::Label5,
                          Control::Label10, Control::Label2, Control::Label16})
        QVERIFY2(view.caption(empty).empty(), controlName(empty));
    for (Control shown : {Control::Label1, Control::Label4, Control::Label5})
        QVERIFY2(view.isVisible(shown), controlName(shown));
    QVERIFY(!view.isBusy());
}

} // namespace

class DuplicateAnalysisTest : public QObject {
    Q_OBJECT

private slots:
    void anEmptyListingCountsZeroAndCleansUp()
    {
        Bench bench;
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(outcome.NumDuplicados, 0.0);
        QVERIFY(!outcome.deleteEnabled);
        QVERIFY(bench.view.rows().empty());
        QCOMPARE(bench.view.caption(Control::Label3), std::string("0 Archivos duplicados"));
        QVERIFY(!bench.view.isEnabled(Control::Command3));
        QVERIFY(!bench.view.isVisible(Control::Text2));
        QVERIFY(!bench.view.isVisible(Control::Image2));
        verifyFinalCleanup(bench.view);
        QVERIFY(bench.recorder.pairs.empty());
    }

    void theDatesShownAreThoseOfTheFilesWhenTheRunReachesThem()
    {
        // Both files are rewritten with the same bytes after the scan: the
        // captions give their dates as they are now, not as listed.
        Bench bench;
        bench.add("a.txt", "same", {86400 + 3723});
        bench.add("b.txt", "same", {86400 + 3723});
        bench.scan();
        bench.add("a.txt", "same", {2 * 86400 + 3723});
        bench.add("b.txt", "same", {3 * 86400 + 3723});
        bench.analyse();
        QCOMPARE(bench.view.captionsOf(Control::Label5).front(), std::string("3/1/1970 1:02:03"));
        QCOMPARE(bench.view.captionsOf(Control::Label16).front(), std::string("4/1/1970 1:02:03"));
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a.txt", "b.txt"}));
    }

    void everyRepaintShowsTheNamedFilesOwnSizeAndDate()
    {
        // The window may paint at any repaint while it works: by then the
        // captions of each file shown must all be that file's.
        Bench bench;
        std::map<std::string, std::string> sizeOf, dateOf;
        for (int i = 0; i < 6; ++i) {
            const std::string name = "/d/f" + std::to_string(i);
            const Timestamp modified{86400 * (i + 2) + 3723};
            bench.add(name.substr(3), std::string(std::size_t(10 + i / 2), char('a' + i % 3)), modified);
            sizeOf[name] = std::to_string(10 + i / 2) + " bytes";
            dateOf[name] = bench.dates.generalDate(modified);
        }
        bench.scan();
        // The window paints while it waits for the device, a status call too.
        struct PaintsOnStatus : ForwardingFileSystem {
            PaintsOnStatus(FileSystem& inner, MainWindowView& view) : ForwardingFileSystem(inner), view(view) {}
            Result<FileStatus> status(const std::string& path) override
            {
                view.repaintNow(Control::Label3);
                return inner().status(path);
            }
            MainWindowView& view;
        } painting(bench.fileSystem, bench.view);
        DuplicateAnalysis analysis(painting, bench.dates, bench.view, bench.messages, bench.recorder);
        analysis.setCaptionInterval({});
        bench.view.clearCalls();
        analysis.run(bench.where, bench.listing);
        RecordingView shown;
        for (const std::string& call : bench.view.calls()) {
            for (Control c : {Control::Label1, Control::Label4, Control::Label5, Control::Label12, Control::Label16}) {
                const std::string prefix = std::string("caption ") + controlName(c) + " ";
                if (call.starts_with(prefix))
                    shown.setCaption(c, call.substr(prefix.size()));
            }
            if (!call.starts_with("repaint ") || shown.caption(Control::Label1).empty())
                continue;
            QCOMPARE(shown.caption(Control::Label4), sizeOf[shown.caption(Control::Label1)]);
            QCOMPARE(shown.caption(Control::Label5), dateOf[shown.caption(Control::Label1)]);
            if (!shown.caption(Control::Label12).empty())
                QCOMPARE(shown.caption(Control::Label16), dateOf[shown.caption(Control::Label12)]);
        }
        QVERIFY(bench.view.countCalls("caption Label1 /d/f4") > 0);
    }

    void aSingleFileIsShownAsReferenceAndNeverOpened()
    {
        Bench bench;
        bench.add("only.txt", "hello", {86400 + 3723});
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.view.captionsOf(Control::Label1).front(), std::string("/d/only.txt"));
        QCOMPARE(bench.view.captionsOf(Control::Label4).front(), std::string("5 bytes"));
        QCOMPARE(bench.view.captionsOf(Control::Label5).front(), std::string("2/1/1970 1:02:03"));
        QCOMPARE(bench.view.countCalls("show Label11"), std::size_t{0});
        QCOMPARE(bench.fileSystem.totalOpens(), 0);
        QCOMPARE(bench.view.caption(Control::Label3), std::string("0 Archivos duplicados"));
        verifyFinalCleanup(bench.view);
    }

    void twoEmptyFilesAreOneGroupWithoutARead()
    {
        Bench bench;
        bench.add("a", "");
        bench.add("b", "");
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "b"}));
        QCOMPARE(bench.view.rows().front().text(), std::string("\xC2\xB7\xC2\xB7\xC2\xB7\xC2\xB7> /d/a"));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.recorder.pairs, (std::vector<Pair>{{"/d/a", 0, "/d/b"}}));
        QCOMPARE(bench.fileSystem.totalOpens(), 0);
        QCOMPARE(bench.view.caption(Control::Label3), std::string("1 Archivos duplicados"));
        QVERIFY(bench.view.isEnabled(Control::Command3));
    }

    void filesThatDifferOnlyInTheirLastByteAreNotDuplicates()
    {
        for (std::size_t size : {std::size_t{1}, std::size_t{60001}}) {
            Bench bench;
            std::string other = bytes(size);
            other.back() = 'Z';
            bench.add("a", bytes(size));
            bench.add("b", other);
            bench.scan();
            QCOMPARE(bench.analyse().NumDuplicados, 0.0);
            QVERIFY(bench.view.rows().empty());
            QVERIFY(!bench.view.isEnabled(Control::Command3));
            // They were compared, so the candidate line was shown.
            QCOMPARE(bench.view.captionsOf(Control::Label12).front(), std::string("/d/b"));
        }
    }

    void identicalFilesOf120000BytesAreComparedWithAGrowingBar()
    {
        Bench bench;
        bench.add("a", bytes(120000));
        bench.add("b", bytes(120000));
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "b"}));
        QCOMPARE(bench.recorder.pairs, (std::vector<Pair>{{"/d/a", 120000, "/d/b"}}));
        // The first chunk starts at the first byte: no bullet is drawn for it.
        // The bar then only grows, shows its ends, and is emptied at the end.
        const std::vector<int> bar = bench.comparisonBar();
        QVERIFY(bar.size() >= 3);
        QVERIFY(bar.front() > 0 && bar.front() < 60);
        QVERIFY(std::is_sorted(bar.begin(), bar.end() - 2));
        QCOMPARE(bar.back(), 0);
        QVERIFY(bench.view.indexOfCall("show Label13") < bench.view.indexOfCall("show Label10"));
        QVERIFY(bench.view.indexOfCall("show Label11") >= 0);
        QCOMPARE(bench.view.captionsOf(Control::Label16).front(), std::string("12/1/1970 13:46:40"));
        verifyFinalCleanup(bench.view);
    }

    void adjacentCopiesFormOneGroupWithOnePairRecordPerTwin()
    {
        Bench bench;
        bench.add("A", bytes(10));
        bench.add("B", bytes(10));
        bench.add("C", bytes(10));
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> A", "B", "C"}));
        QCOMPARE(bench.recorder.pairs,
                 (std::vector<Pair>{{"/d/A", 10, "/d/B"}, {"/d/A", 10, "/d/C"}}));
        QCOMPARE(outcome.NumDuplicados, 2.0);
        QCOMPARE(bench.view.caption(Control::Label3), std::string("2 Archivos duplicados"));
        for (const DuplicateRow& row : bench.view.rows())
            QCOMPARE(row.group, bench.view.rows().front().group);
    }

    void interleavedCopiesAreListedAsTwoCompleteGroups()
    {
        // a and c are one file's copies, b and d another's; every set of
        // copies is listed, each once.
        Bench bench;
        bench.add("a", bytes(50, 'a'));
        bench.add("b", bytes(50, 'b'));
        bench.add("c", bytes(50, 'a'));
        bench.add("d", bytes(50, 'b'));
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "c", "> b", "d"}));
        QCOMPARE(outcome.NumDuplicados, 2.0);
        QCOMPARE(bench.recorder.pairs,
                 (std::vector<Pair>{{"/d/a", 50, "/d/c"}, {"/d/b", 50, "/d/d"}}));
        QVERIFY(bench.view.rows()[0].group != bench.view.rows()[2].group);
        QCOMPARE(bench.view.rows()[2].group, bench.view.rows()[3].group);
    }

    void groupsFollowTheSortedListingRatherThanTheNames()
    {
        // The sort leaves the 3-byte files in the order d, a, c.
        Bench bench;
        bench.add("a", "xyz");
        bench.add("b", "123456789");
        bench.add("c", "xyz");
        bench.add("d", "xyz");
        bench.add("e", "1");
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> d", "a", "c"}));
    }

    void onlyFilesSharingASizeAreOpenedAndNoByteIsReadTwice()
    {
        Bench bench;
        bench.add("unique1", bytes(10));
        bench.add("unique2", bytes(20000));
        bench.add("same1", bytes(300000));
        bench.add("same2", bytes(300000));
        bench.add("other", bytes(300000, 'q'));
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> same1", "same2"}));
        QCOMPARE(bench.fileSystem.openedPaths(),
                 (std::vector<std::string>{"/d/other", "/d/same1", "/d/same2"}));
        QVERIFY(bench.fileSystem.pathsReadTwice().empty());
        QCOMPARE(bench.fileSystem.bytesRead("/d/same1"), ByteCount{300000});
        QCOMPARE(bench.fileSystem.bytesRead("/d/other"), ByteCount{4096});
    }

    void namesOfOneFileOnDiskAreNeverPaired()
    {
        Bench bench;
        bench.add("a", bytes(40));
        bench.memory.addLink("/d/b", "/d/a");
        bench.scan();
        QCOMPARE(bench.listing.NumArchivos(), std::size_t{2});
        bench.analyse();
        QVERIFY(bench.view.rows().empty());
        QCOMPARE(bench.fileSystem.totalOpens(), 0);

        // With a real copy beside them, the copy is the twin of the first
        // name; the second name of the reference's file is left alone.
        bench.add("c", bytes(40));
        bench.memory.addLink("/d/e", "/d/c");
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "c", "e"}));
        QCOMPARE(bench.recorder.pairs.size(), std::size_t{2});
        QCOMPARE(bench.fileSystem.opens("/d/b"), 0);
    }

    void anUnreadableFileIsIdenticalToNothingAndTheRunGoesOn()
    {
        Bench bench;
        for (const char* name : {"a", "b", "c"})
            bench.add(name, bytes(5000));
        bench.fileSystem.failOpen("/d/a", FileError::AccessDenied);
        bench.fileSystem.failReadAfterBytes("/d/b", 4096);
        bench.add("d", bytes(5000));
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> c", "d"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.messages.callCount(), std::size_t{0});
        QCOMPARE(bench.fileSystem.openReaders(), 0);
        QCOMPARE(bench.view.caption(Control::Label3), std::string("1 Archivos duplicados"));
    }

    void aFileThatCanNoLongerBeMeasuredTakesNoPart()
    {
        Bench bench;
        for (const char* name : {"a", "b", "c"})
            bench.add(name, "same");
        bench.scan();
        bench.fileSystem.failStatus("/d/a", FileError::AccessDenied);
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> b", "c"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.fileSystem.opens("/d/a"), 0);
        QCOMPARE(bench.messages.callCount(), std::size_t{0});
    }

    void aNameRefusedWhenItsGroupIsReportedTakesNoPart_data()
    {
        QTest::addColumn<bool>("pooled");
        QTest::newRow("one thread") << false;
        QTest::newRow("a pool of threads") << true;
    }
    void aNameRefusedWhenItsGroupIsReportedTakesNoPart()
    {
        QFETCH(bool, pooled);
        Bench bench;
        for (const char* name : {"e1", "e2", "e3"})
            bench.add(name, "");
        for (const char* name : {"x1", "x2", "x3"})
            bench.add(name, "same");
        if (pooled)
            bench.useThePool();
        bench.scan();
        // Measured by the scan and by the run, never shown, refused after.
        for (const char* path : {"/d/e3", "/d/x3"})
            bench.fileSystem.failOperation(path, FsOperation::Status, FileError::AccessDenied, 3);
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> e1", "e2", "> x1", "x2"}));
        QCOMPARE(outcome.NumDuplicados, 2.0);
        QCOMPARE(bench.recorder.pairs, (std::vector<Pair>{{"/d/e1", 0, "/d/e2"}, {"/d/x1", 4, "/d/x2"}}));
        QCOMPARE(bench.messages.callCount(), std::size_t{0});
    }

    void theOverallAndComparisonBarsShareOneLastDrawnCount()
    {
        // The overall bar draws 13 bullets for the second row of three; the
        // comparison bar that follows compares its 0 with that 13 and draws.
        Bench bench;
        bench.add("a", bytes(120000));
        bench.add("b", bytes(120000));
        bench.add("x", "1");
        bench.scan();
        bench.analyse();
        QCOMPARE(bench.view.captionsOf(Control::Label2).front().size() / 3, std::size_t{13});
        QCOMPARE(bench.comparisonBar().front(), 0);
        QVERIFY(bench.view.indexOfCall("show Label10") > bench.view.indexOfCall("repaint Label2"));
    }

    void aFileGoneBeforeTheRunMakesItRescanAndStartOver()
    {
        Bench bench;
        for (const char* name : {"a", "b", "c", "d"})
            bench.add(name, bytes(30));
        bench.scan();
        bench.memory.erase("/d/b");
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "c", "d"}));
        QCOMPARE(outcome.NumDuplicados, 2.0);
        QCOMPARE(bench.listing.NumArchivos(), std::size_t{3});
        QCOMPARE(bench.view.fileNames(), (std::vector<std::string>{"a", "c", "d"}));
        QCOMPARE(bench.view.caption(Control::Label6), std::string("3 archivos a procesar"));
        // The rescan leaves the information panel alone and the run starts
        // over from a cleared list with the pointer busy again.
        QCOMPARE(bench.view.countCalls("hide Label4"), std::size_t{0});
        QCOMPARE(bench.view.captionsOf(Control::Label1).front(),
                 std::string("Analizando el directorio. Por favor espere"));
        QCOMPARE(bench.view.countCalls("busy"), std::size_t{2});
        QVERIFY(bench.view.indexOfCall("idle") < bench.view.indexOfCall("busy", bench.view.indexOfCall("idle")));
        QCOMPARE(bench.recorder.pairs.size(), std::size_t{2});
        verifyFinalCleanup(bench.view);
    }

    void aFileGoneWhileItsPairIsRecordedRestartsTheRunToo()
    {
        Bench bench;
        for (const char* name : {"a", "b", "x", "y"})
            bench.add(name, bytes(30, name[0] < 'x' ? 'a' : 'x'));
        bench.scan();
        bench.recorder.answers = {FileError::NotFound};
        bench.recorder.onRecord = [&] {
            if (bench.recorder.pairs.size() == 1)
                bench.memory.erase("/d/b");
        };
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> x", "y"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QCOMPARE(bench.recorder.pairs,
                 (std::vector<Pair>{{"/d/a", 30, "/d/b"}, {"/d/x", 30, "/d/y"}}));
    }

    void anInvalidArgumentIsToldAndTheRunCleansUpWithoutACount()
    {
        Bench bench;
        for (const char* name : {"a", "b", "c", "d"})
            bench.add(name, bytes(30, name[0] < 'c' ? 'a' : 'c'));
        bench.scan();
        bench.recorder.answers = {FileError::None, FileError::InvalidArgument};
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(bench.messages.callCount(), std::size_t{1});
        const MessageBoxCall& call = bench.messages.lastCall();
        QCOMPARE(call.text, kGone);
        QCOMPARE(call.title, std::string("Error con archivo/directorio"));
        QCOMPARE(call.buttons, MessageButtons::Ok);
        QCOMPARE(call.icon, MessageIcon::Critical);
        QCOMPARE(bench.view.caption(Control::Label3), std::string("  Archivos duplicados"));
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "b", "> c", "d"}));
        QCOMPARE(outcome.NumDuplicados, 1.0);
        QVERIFY(bench.view.isEnabled(Control::Command3));
        verifyFinalCleanup(bench.view);

        // A file the system rejects by name is the same failure.
        Bench rejected;
        rejected.add("a", "1");
        rejected.add("b", "1");
        rejected.scan();
        rejected.fileSystem.failStatus("/d/b", FileError::InvalidArgument);
        rejected.analyse();
        QCOMPARE(rejected.messages.callCount(), std::size_t{1});
        QVERIFY(rejected.view.rows().empty());
        verifyFinalCleanup(rejected.view);
    }

    void aRefusedLogStillCountsThePairAndOtherFailuresStillCleanUp()
    {
        Bench refused;
        for (const char* name : {"a", "b", "c"})
            refused.add(name, "same");
        refused.scan();
        refused.recorder.answers = {FileError::AccessDenied};
        QCOMPARE(refused.analyse().NumDuplicados, 2.0);
        QCOMPARE(refused.messages.callCount(), std::size_t{0});
        QCOMPARE(refused.view.caption(Control::Label3), std::string("2 Archivos duplicados"));

        Bench broken;
        for (const char* name : {"a", "b", "c"})
            broken.add(name, "same");
        broken.scan();
        broken.recorder.answers = {FileError::DeviceNotReady};
        const AnalysisOutcome outcome = broken.analyse();
        QCOMPARE(outcome.NumDuplicados, 0.0);
        QCOMPARE(broken.rows(), (std::vector<std::string>{"> a", "b"}));
        QCOMPARE(broken.messages.callCount(), std::size_t{0});
        QCOMPARE(broken.view.caption(Control::Label3), std::string("  Archivos duplicados"));
        verifyFinalCleanup(broken.view);
    }

    void aRunThatRunsOutOfMemoryStillCleansUpAndSaysSo()
    {
        struct ExhaustedFileSystem : MemoryFileSystem {
            Result<std::unique_ptr<FileReader>> openForReading(const std::string&) override
            {
                throw std::bad_alloc();
            }
        } fileSystem;
        fileSystem.addFile("/d/a", "same");
        fileSystem.addFile("/d/b", "same");
        RecordingView view;
        BulletBar bar(view);
        FolderListing listing;
        LeerDirectorio(ScanMode::StartUp, {"/d", "*"}, fileSystem, view, listing, bar);
        FakeDateText dates;
        FakeMessageBox messages;
        RecordingRecorder recorder;
        DuplicateAnalysis analysis(fileSystem, dates, view, messages, recorder);
        // The failure reaches the caller, after the final cleanup.
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, analysis.run({"/d", "*"}, listing));
        QCOMPARE(view.caption(Control::Label3), std::string("  Archivos duplicados"));
        QCOMPARE(messages.callCount(), std::size_t{0});
        verifyFinalCleanup(view);
    }

    void aSecondClickStartsFromAnEmptyListAndZero()
    {
        Bench bench;
        bench.add("a", "same");
        bench.add("b", "same");
        bench.scan();
        bench.analyse();
        const AnalysisOutcome second = bench.analyse();
        QCOMPARE(second.NumDuplicados, 1.0);
        QCOMPARE(bench.rows(), (std::vector<std::string>{"> a", "b"}));
        // Deletion is disabled at the start point and enabled by the twin.
        QVERIFY(bench.view.indexOfCall("disable Command3") < bench.view.indexOfCall("enable Command3"));
        QVERIFY(bench.view.indexOfCall("clear rows") < bench.view.indexOfCall("add row " + bench.view.rows()[0].text()));
    }

    void pathCaptionsAreThrottledButTheFirstReferenceIsAlwaysShown()
    {
        Bench bench;
        for (int i = 0; i < 30; ++i)
            bench.add("f" + std::to_string(100 + i), bytes(std::size_t(i + 1)));
        bench.scan();
        bench.analyse(std::chrono::hours(1));
        QCOMPARE(bench.view.captionsOf(Control::Label1),
                 (std::vector<std::string>{"/d/f100", ""}));

        bench.analyse(std::chrono::steady_clock::duration::zero());
        QCOMPARE(bench.view.captionsOf(Control::Label1).size(), std::size_t{31});
        // The overall bar ends near its full length on the last reference.
        QCOMPARE(bench.view.captionsOf(Control::Label2).end()[-2].size() / 3, std::size_t{38});
    }

    void aPoolOfThreadsListsTheSameGroupsInTheSameOrder()
    {
        // Copies scattered through a long listing, a shared file and files
        // that differ late, so that several threads meet members of one class;
        // small files of many sizes, read whole many size groups at once, one
        // of them refused and one that reads short; size groups of three
        // files, split several at once.
        const auto fill = [](Bench& bench) {
            for (int i = 0; i < 400; ++i) {
                const std::string name = "f" + std::to_string(1000 + i);
                std::string contents = bytes(5000 + std::size_t(i % 3), char('a' + i % 7));
                if (i % 11 == 0)
                    contents.back() = char('0' + i % 5);
                bench.add(name, contents);
                bench.add("s" + std::to_string(1000 + i), bytes(std::size_t(1 + i % 9), char('a' + i % 4)));
                if (i < 60)
                    bench.add("t" + std::to_string(1000 + i), bytes(std::size_t(6000 + i / 3), char('a' + i % 2)));
            }
            bench.memory.addLink("/d/g-link", "/d/f1007");
            bench.memory.addLink("/d/s-link", "/d/s1010");
            bench.fileSystem.failOperation("/d/s1001", FsOperation::Open, FileError::AccessDenied);
            bench.fileSystem.failReadAfterBytes("/d/s1020", 1);
            bench.fileSystem.failReadAfterBytes("/d/t1004", 5000);
            bench.fileSystem.failReadAfterBytes("/d/f1014", 4096);
        };
        Bench oneThread;
        fill(oneThread);
        oneThread.scan();
        const AnalysisOutcome expected = oneThread.analyse();

        // Every class alone down to the smallest, or the classes of a round
        // read together (and no batch of small files).
        for (const std::size_t parallelFrom : {2, 1000}) {
            Bench pooled;
            fill(pooled);
            pooled.useThePool();
            pooled.limits->parallelFrom = parallelFrom;
            pooled.scan();
            const AnalysisOutcome outcome = pooled.analyse();

            QVERIFY(expected.NumDuplicados > 300);
            QCOMPARE(pooled.rows(), oneThread.rows());
            QCOMPARE(pooled.recorder.pairs, oneThread.recorder.pairs);
            QCOMPARE(outcome.NumDuplicados, expected.NumDuplicados);
            QVERIFY(pooled.fileSystem.pathsReadTwice().empty());
            QCOMPARE(pooled.fileSystem.openReaders(), 0);
            verifyFinalCleanup(pooled.view);
            // Every candidate shown goes with a reference of its own size,
            // also while many size groups of small files are read at once.
            std::string reference;
            for (const std::string& call : pooled.view.calls()) {
                if (call.starts_with("caption Label1 "))
                    reference = call.substr(15);
                else if (call.starts_with("caption Label12 ") && call.size() > 16 && !reference.empty())
                    QCOMPARE(pooled.memory.status(call.substr(16))->size, pooled.memory.status(reference)->size);
            }
        }
    }

    void onADiskThatSeeksOneThreadReadsEachRoundInTheOrderOfThePlaces()
    {
        const auto fill = [](Bench& bench) {
            for (int i = 0; i < 60; ++i) {
                std::string contents = bytes(9000, char('a' + i % 4));
                if (i % 7 == 0)
                    contents.back() = char('0' + i % 3);
                bench.add("f" + std::to_string(1000 + i), contents);
            }
        };
        Bench asListed;
        fill(asListed);
        asListed.scan();
        asListed.analyse();

        Bench seeking;
        fill(seeking);
        seeking.useThePool();
        seeking.memory.setReadsInOrder(true);
        // Places in an order unlike the listing's, as a disk fills up.
        for (int i = 0; i < 60; ++i)
            seeking.memory.setPlace("/d/f" + std::to_string(1000 + i), std::uint64_t((i * 37) % 61 + 1));
        seeking.memory.recordCalls();
        seeking.scan();
        seeking.analyse();

        QVERIFY(asListed.recorder.pairs.size() > 40);
        QCOMPARE(seeking.rows(), asListed.rows());
        QCOMPARE(seeking.recorder.pairs, asListed.recorder.pairs);
        QVERIFY(seeking.fileSystem.pathsReadTwice().empty());
        std::vector<std::uint64_t> placesOfFirstReads;
        for (const auto& call : seeking.memory.calls()) {
            QVERIFY(call.thread == std::this_thread::get_id());
            if (call.isRead && call.offset == 0)
                placesOfFirstReads.push_back(std::uint64_t((std::stoi(call.path.substr(4)) - 1000) * 37 % 61 + 1));
        }
        QCOMPARE(placesOfFirstReads.size(), std::size_t{60});
        QVERIFY(std::is_sorted(placesOfFirstReads.begin(), placesOfFirstReads.end()));
    }

    void inThePoolTheFirstFailureInListingOrderStillDecides()
    {
        const auto folder = [](Bench& bench) {
            for (int i = 0; i < 300; ++i)
                bench.add("f" + std::to_string(1000 + i), bytes(40, char('a' + i % 3)));
            bench.useThePool();
            bench.scan();
        };
        // A vanished file early in the listing and a rejected one late: the
        // run rescans and starts over, and tells nothing.
        Bench vanishedFirst;
        folder(vanishedFirst);
        vanishedFirst.memory.erase("/d/f1002");
        vanishedFirst.fileSystem.failStatus("/d/f1290", FileError::InvalidArgument);
        vanishedFirst.analyse();
        QCOMPARE(vanishedFirst.view.countCalls("busy"), std::size_t{2});
        const auto paths = vanishedFirst.listing.paths.toVector();
        QVERIFY(std::find(paths.begin(), paths.end(), "/d/f1002") == paths.end());

        // The other way round: the message, and no rescan.
        Bench rejectedFirst;
        folder(rejectedFirst);
        rejectedFirst.fileSystem.failStatus("/d/f1002", FileError::InvalidArgument);
        rejectedFirst.memory.erase("/d/f1290");
        rejectedFirst.analyse();
        QCOMPARE(rejectedFirst.messages.callCount(), std::size_t{1});
        QCOMPARE(rejectedFirst.messages.lastCall().text, kGone);
        QCOMPARE(rejectedFirst.view.countCalls("busy"), std::size_t{1});
        QCOMPARE(rejectedFirst.listing.NumArchivos(), std::size_t{300});
        QVERIFY(rejectedFirst.view.rows().empty());
        verifyFinalCleanup(rejectedFirst.view);
    }

    void aLargeGroupOfOneSizeStaysUnderTheOpenFileBound()
    {
        Bench bench;
        // 600 files of one size that share their first 8 KiB, so the whole
        // group survives the first rounds; every hundredth is a copy of the
        // file after it.
        const std::string head = bytes(8192);
        for (int i = 0; i < 600; ++i) {
            const std::string tail = std::to_string(1000 + (i % 100 == 0 ? i + 1 : i)) + bytes(20000);
            bench.add("f" + std::to_string(1000 + i), head + tail);
        }
        bench.scan();
        const AnalysisOutcome outcome = bench.analyse();
        QCOMPARE(outcome.NumDuplicados, 6.0);
        QCOMPARE(bench.view.rows().size(), std::size_t{12});
        QCOMPARE(bench.view.rows()[10].path, std::string("/d/f1500"));
        QVERIFY(bench.fileSystem.peakOpenReaders() <= 256);
        QCOMPARE(bench.fileSystem.openReaders(), 0);
        QVERIFY(bench.fileSystem.pathsReadTwice().empty());
    }

    void onAColdDiskFirstLooksAtManyFilesSkipReadAheadAndLaterReadsDoNot()
    {
        // 200 files of one size, kept open from round to round, every tenth a
        // copy read to its end; each open slowed as on a cold disk.
        struct SlowDisk : MemoryFileSystem {
            Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override
            {
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                return MemoryFileSystem::openForReading(path);
            }
        };
        Bench bench;
        SlowDisk disk;
        disk.setConcurrentReads(true);
        for (int i = 0; i < 200; ++i) {
            const int contents = 1000 + i - (i % 10 == 9);
            disk.addFile("/d/f" + std::to_string(1000 + i), std::to_string(contents) + bytes(20000, 'x'));
        }
        FolderListing listing;
        BulletBar bar(bench.view);
        LeerDirectorio(ScanMode::StartUp, bench.where, disk, bench.view, listing, bar);
        disk.recordCalls();
        DuplicateAnalysis(disk, bench.dates, bench.view, bench.messages, bench.recorder).run(bench.where, listing);

        QCOMPARE(bench.recorder.pairs.size(), std::size_t{20});
        bool firstLookWithout = false;
        for (const MemoryFileSystem::Call& call : disk.calls()) {
            if (!call.isRead)
                continue;
            firstLookWithout |= call.offset == 0 && !call.readAhead;
            QVERIFY(call.offset == 0 || call.readAhead);
        }
        QVERIFY(firstLookWithout);
    }

    void progressFollowsTheWork_data()
    {
        QTest::addColumn<int>("shape");
        QTest::newRow("one large size group") << 0;
        QTest::newRow("pairs of small files, read many size groups at once") << 1;
        QTest::newRow("pairs of larger files, split many size groups at once") << 2;
    }
    void progressFollowsTheWork()
    {
        // Each open slowed by a millisecond, so that the run takes seconds.
        struct SlowDisk : MemoryFileSystem {
            std::atomic<int> opens{0};
            Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                ++opens;
                return MemoryFileSystem::openForReading(path);
            }
        } disk;
        // When, counted in opens, the overall bar and the candidate changed.
        struct TimedView : RecordingView {
            const SlowDisk* disk = nullptr;
            std::vector<std::pair<int, std::string>> bar, candidates;
            bool analysing = false;
            int comparisonBullets = 0;
            void setCaption(Control c, const std::string& text) override
            {
                RecordingView::setCaption(c, text);
                comparisonBullets += analysing && c == Control::Label10 && !text.empty();
                if (c == Control::Label2 && !text.empty())
                    bar.emplace_back(disk->opens.load(), text);
                if (c == Control::Label12 && !text.empty())
                    candidates.emplace_back(disk->opens.load(), text);
            }
        } view;
        view.disk = &disk;
        QFETCH(int, shape);
        // One size group of 2,500 files that differ from their first bytes;
        // or 2,000 pairs of small files, or 300 pairs of larger ones, each
        // pair of a size of its own, the pool of threads on.
        disk.setConcurrentReads(shape != 0);
        for (int i = 0; i < (shape == 0 ? 2500 : shape == 1 ? 2000 : 300); ++i) {
            const std::string name = std::to_string(10000 + i);
            if (shape == 0) {
                disk.addFile("/d/f" + name, name + std::string(8192 - name.size(), 'x'));
                continue;
            }
            const std::string contents = bytes(std::size_t((shape == 1 ? 100 : 5000) + i), char('a' + i % 7));
            disk.addFile("/d/f" + name, contents);
            disk.addFile("/d/g" + name, contents);
        }
        FolderListing listing;
        BulletBar bar(view);
        LeerDirectorio(ScanMode::StartUp, {"/d", "*"}, disk, view, listing, bar);
        FakeDateText dates;
        FakeMessageBox messages;
        RecordingRecorder recorder;
        view.analysing = true;
        DuplicateAnalysis analysis(disk, dates, view, messages, recorder);
        // Few threads, so that the window's thread, the one that tells, takes
        // a fair share of the reads however slowly a loaded machine starts
        // threads and wakes them.
        ClassifierLimits limits;
        limits.ioThreads = 3;
        analysis.setLimits(limits);
        analysis.run({"/d", "*"}, listing);
        const int opens = disk.opens.load();

        // The bar changed all through the run, only growing, and ended near
        // its full length; one large group names later and later candidates.
        // A second of the run is about 1,000 opens on one thread.
        std::vector<const std::vector<std::pair<int, std::string>>*> changing{&view.bar};
        if (shape == 0)
            changing.push_back(&view.candidates);
        for (const auto* changes : changing) {
            QVERIFY(changes->size() > 10);
            QVERIFY(changes->front().first < opens / 5);
            QVERIFY(changes->back().first > opens * 4 / 5);
            for (std::size_t i = 1; i < changes->size(); ++i) {
                QVERIFY((*changes)[i].first - (*changes)[i - 1].first < std::max(500, opens / 5));
                QVERIFY((*changes)[i].second > (*changes)[i - 1].second);
            }
        }
        QVERIFY(view.bar.back().second.size() / 3 >= 38);
        // The comparison bar follows the rounds of the groups split at once.
        if (shape == 2)
            QVERIFY(view.comparisonBullets > 0);
        QCOMPARE(recorder.pairs.size(), std::size_t(shape == 0 ? 0 : shape == 1 ? 2000 : 300));
        verifyFinalCleanup(view);
    }
};

QTEST_GUILESS_MAIN(DuplicateAnalysisTest)
#include "DuplicateAnalysisTest.moc"
