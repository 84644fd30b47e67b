#include "fakes/FaultyFileSystem.h"
#include "fakes/MemoryFileSystem.h"
#include "fakes/RecordingView.h"

#include "core/LeerDirectorio.h"

#include <QTest>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

using namespace zelvo;

namespace {

// The bullet counts drawn on Label10, in order (captions of anything but
// bullets are left out).
std::vector<int> barCounts(const RecordingView& view)
{
    std::vector<int> counts;
    for (const std::string& caption : view.captionsOf(Control::Label10))
        if (!caption.empty())
            counts.push_back(static_cast<int>(caption.size() / 3)); // "•" is three bytes
    return counts;
}

std::vector<std::string> names(const FolderListing& listing)
{
    std::vector<std::string> result;
    for (const std::string& path : listing.paths.toVector())
        result.push_back(path.substr(path.rfind('/') + 1));
    return result;
}

// One folder in memory with files of the given sizes, named in listing order.
struct Folder {
    MemoryFileSystem fileSystem;
    RecordingView view;
    FolderListing listing;
    BulletBar bar{view};
    ScanRequest where{"/data", "*"};

    void add(const std::string& name, std::size_t size) { fileSystem.addFile("/data/" + name, std::string(size, 'x')); }
    void scan(ScanMode mode = ScanMode::StartUp) { LeerDirectorio(mode, where, fileSystem, view, listing, bar); }
};

} // namespace

class LeerDirectorioTest : public QObject {
    Q_OBJECT

private slots:
    void anEmptyFolderListsNothingAndCountsZero()
    {
        Folder folder;
        folder.scan();
        QCOMPARE(folder.listing.NumArchivos(), std::size_t{0});
        QVERIFY(folder.listing.sizes.empty());
        QVERIFY(folder.view.fileNames().empty());
        QCOMPARE(folder.view.caption(Control::Label6), std::string("0 archivos a procesar"));
        QVERIFY(barCounts(folder.view).empty());
    }

    void oneFileAndTwoFilesAreNeverReordered()
    {
        Folder one;
        one.add("a", 7);
        one.scan();
        QCOMPARE(names(one.listing), (std::vector<std::string>{"a"}));
        QCOMPARE(one.listing.sizes, (std::vector<ByteCount>{7}));

        // With two files the first gap is floor(1 / 2) = 0: no pass at all,
        // so the larger file stays first.
        Folder two;
        two.add("big", 2000);
        two.add("small", 1);
        two.scan();
        QCOMPARE(names(two.listing), (std::vector<std::string>{"big", "small"}));
        QVERIFY(barCounts(two.view).empty());
        QCOMPARE(two.view.caption(Control::Label6), std::string("2 archivos a procesar"));
    }

    void threeFilesAreSortedAsNumbersNotAsText()
    {
        Folder folder;
        folder.add("a", 1024);
        folder.add("b", 900);
        folder.add("c", 0);
        folder.scan();
        QCOMPARE(names(folder.listing), (std::vector<std::string>{"c", "b", "a"}));
        QCOMPARE(folder.listing.sizes, (std::vector<ByteCount>{0, 900, 1024}));
        QCOMPARE(folder.listing.paths.front(), std::string("/data/c"));
    }

    void tenFilesPassWithGapsFourTwoAndOneWhileTheBarRefills()
    {
        Folder folder;
        for (int i = 0; i < 10; ++i)
            folder.add(std::string(1, char('a' + i)), std::size_t(10 - i));
        folder.scan();
        QCOMPARE(folder.listing.sizes, (std::vector<ByteCount>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        const std::vector<int> expected{30, 36, 42, 48, 54, 60,                 // gap 4, i = 5..10
                                        18, 24, 30, 36, 42, 48, 54, 60,         // gap 2, i = 3..10
                                        12, 18, 24, 30, 36, 42, 48, 54, 60};    // gap 1, i = 2..10
        QCOMPARE(barCounts(folder.view), expected);
        QCOMPARE(folder.view.captionsOf(Control::Label10).back(), std::string());
        QCOMPARE(folder.view.caption(Control::Label6), std::string("10 archivos a procesar"));
    }

    void equalSizesEndInTheOrderThePassesLeaveThem()
    {
        // The gap-2 pass carries d and then e forward past a and c; the
        // final insertion pass never exchanges equal sizes, so d stays first.
        Folder folder;
        folder.add("a", 3);
        folder.add("b", 9);
        folder.add("c", 3);
        folder.add("d", 3);
        folder.add("e", 1);
        folder.scan();
        QCOMPARE(names(folder.listing), (std::vector<std::string>{"e", "d", "a", "c", "b"}));

        Folder ten;
        const std::string order = "abcdefghij";
        const std::size_t sizes[] = {3, 2, 3, 2, 3, 3, 3, 3, 1, 2};
        for (std::size_t i = 0; i < order.size(); ++i)
            ten.add(std::string(1, order[i]), sizes[i]);
        ten.scan();
        QCOMPARE(names(ten.listing),
                 (std::vector<std::string>{"i", "b", "d", "j", "c", "a", "g", "h", "e", "f"}));
    }

    void sizesAndPathsStayRowForRowBeyondSixteenBitsAndFourGigabytes()
    {
        FolderListing listing;
        const std::size_t rows = 40'000;
        for (std::size_t i = 0; i < rows; ++i) {
            const ByteCount size = (i * 7919) % 1000 + (i % 3 == 0 ? (ByteCount{5} << 30) : 0);
            listing.sizes.push_back(size);
            listing.paths.push_back(std::to_string(size));
        }
        RecordingView view;
        BulletBar bar(view);
        sortListingBySize(listing, bar);
        QVERIFY(std::is_sorted(listing.sizes.begin(), listing.sizes.end()));
        for (std::size_t i = 0; i < rows; ++i)
            QCOMPARE(listing.paths[i], std::to_string(listing.sizes[i]));
        QVERIFY(listing.sizes.back() > (ByteCount{4} << 30));
    }

    void aFolderAtTheRootGetsNoExtraSeparator()
    {
        MemoryFileSystem fileSystem;
        fileSystem.addFile("/a.txt", "1");
        RecordingView view;
        BulletBar bar(view);
        FolderListing listing;
        LeerDirectorio(ScanMode::StartUp, {"/", "*"}, fileSystem, view, listing, bar);
        QCOMPARE(listing.paths.toVector(), (std::vector<std::string>{"/a.txt"}));
        QCOMPARE(fullPathOf("/fotos", true, "playa.jpg"), std::string("/fotos/playa.jpg"));
    }

    void pathsOutsideTheSharedFolderKeepTheirWholeText()
    {
        ListedPaths paths;
        paths.shareFolder("/d/");
        for (const char* path : {"/d/a", "/e/b", "/d/", "/dx/c", "/d/s/t"})
            paths.push_back(path);
        paths.swapRows(0, 1);
        paths.moveRow(4, 2);
        paths.shrink(4);
        QCOMPARE(paths.toVector(), (std::vector<std::string>{"/e/b", "/d/a", "/d/s/t", "/dx/c"}));
        QVERIFY(paths.is(1, "/d/a") && !paths.is(1, "/e/a") && !paths.is(0, "/d/b") && !paths.is(3, "/d/x/c"));
        paths.clear();
        paths.push_back("/d/a");
        QCOMPARE(paths[0], std::string("/d/a"));
    }

    void theListingFollowsThePattern()
    {
        Folder folder;
        folder.add("one.JPG", 1);
        folder.add("two.txt", 2);
        folder.add("three.jpg", 3);
        folder.where.pattern = "*.jpg";
        folder.scan();
        QCOMPARE(folder.view.fileNames(), (std::vector<std::string>{"one.JPG", "three.jpg"}));
        QCOMPARE(folder.listing.NumArchivos(), std::size_t{2});
    }

    void unmeasurableFilesAndUnlistableFoldersLeaveNoHoles()
    {
        Folder folder;
        folder.add("a", 1);
        folder.add("b", 2);
        folder.add("c", 3);
        FaultyFileSystem faulty(folder.fileSystem);
        faulty.failStatus("/data/b", FileError::AccessDenied);
        LeerDirectorio(ScanMode::StartUp, folder.where, faulty, folder.view, folder.listing, folder.bar);
        QCOMPARE(names(folder.listing), (std::vector<std::string>{"a", "c"}));
        QCOMPARE(folder.listing.sizes, (std::vector<ByteCount>{1, 3}));
        QCOMPARE(folder.view.caption(Control::Label6), std::string("2 archivos a procesar"));

        faulty.failOperation("/data", FsOperation::List, FileError::AccessDenied);
        LeerDirectorio(ScanMode::StartUp, folder.where, faulty, folder.view, folder.listing, folder.bar);
        QCOMPARE(folder.listing.NumArchivos(), std::size_t{0});
        QCOMPARE(folder.view.caption(Control::Label6), std::string("0 archivos a procesar"));
        QVERIFY(!folder.view.isBusy());
    }

    void aListingMeasuredByManyThreadsKeepsItsOrderAndLeavesNoHoles()
    {
        const auto fill = [](Folder& folder) {
            for (int i = 0; i < 3000; ++i)
                folder.add("f" + std::to_string(10000 + i), std::size_t((i * 7919) % 613));
        };
        const auto scan = [](Folder& folder, const ScanThreads& threads) {
            folder.fileSystem.setConcurrentReads(true);
            FaultyFileSystem faulty(folder.fileSystem);
            for (int i = 5; i < 3000; i += 97)
                faulty.failStatus("/data/f" + std::to_string(10000 + i), FileError::AccessDenied);
            LeerDirectorio(ScanMode::StartUp, folder.where, faulty, folder.view, folder.listing, folder.bar,
                           threads);
        };
        Folder alone;
        fill(alone);
        scan(alone, {std::size_t(-1), 0});
        Folder shared;
        fill(shared);
        scan(shared, {2, 3});

        QCOMPARE(alone.listing.NumArchivos(), std::size_t{3000 - 31});
        QCOMPARE(names(shared.listing), names(alone.listing));
        QCOMPARE(shared.listing.sizes, alone.listing.sizes);
        QCOMPARE(barCounts(shared.view), barCounts(alone.view));
        QCOMPARE(shared.view.caption(Control::Label6), alone.view.caption(Control::Label6));
    }

    void aDiskThatSeeksIsMeasuredByTheCallingThreadAlone()
    {
        Folder folder;
        for (int i = 0; i < 300; ++i)
            folder.add("f" + std::to_string(1000 + i), std::size_t(i % 17));
        folder.fileSystem.setConcurrentReads(true);
        folder.fileSystem.setReadsInOrder(true);
        folder.fileSystem.recordCalls();
        LeerDirectorio(ScanMode::StartUp, folder.where, folder.fileSystem, folder.view, folder.listing,
                       folder.bar, {2, 3});
        const auto calls = folder.fileSystem.calls();
        QCOMPARE(calls.size(), std::size_t{300});
        for (const auto& call : calls)
            QVERIFY(call.thread == std::this_thread::get_id());
        QCOMPARE(folder.listing.NumArchivos(), std::size_t{300});
    }

    void everyScanEmptiesTheDuplicatesListAndDisablesDeletion()
    {
        Folder folder;
        folder.add("a", 1);
        folder.view.addDuplicateRow({true, "/old", 1});
        folder.view.setEnabled(Control::Command3, true);
        folder.view.clearCalls();
        folder.scan();
        QCOMPARE(folder.view.duplicateRowCount(), 0);
        QVERIFY(!folder.view.isEnabled(Control::Command3));
        QCOMPARE(folder.view.caption(Control::Label3), std::string("  Archivos duplicados"));
        // The pointer is busy from before the listing until after the sort.
        const auto& calls = folder.view.calls();
        QCOMPARE(calls.front(), std::string("busy"));
        QVERIFY(folder.view.indexOfCall("files 1") < folder.view.indexOfCall("clear rows"));
        QVERIFY(folder.view.indexOfCall("idle") > folder.view.indexOfCall("caption Label1 "));
        QCOMPARE(calls.back(), std::string("caption Label6 1 archivos a procesar"));
    }

    void startUpAndFolderChangeWriteTheirOwnStatusLine()
    {
        Folder startUp;
        startUp.add("a", 1);
        startUp.scan(ScanMode::StartUp);
        QCOMPARE(startUp.view.captionsOf(Control::Label1),
                 (std::vector<std::string>{"Analizando el directorio", ""}));
        QCOMPARE(startUp.view.countCalls("hide Label1"), std::size_t{0});

        Folder change;
        change.add("a", 1);
        change.scan(ScanMode::FolderChange);
        QCOMPARE(change.view.captionsOf(Control::Label1),
                 (std::vector<std::string>{"Analizando el directorio. Por favor espere", ""}));
        for (const char* hidden : {"hide Text2", "hide Image2", "hide Label1", "hide Label4", "hide Label5"})
            QVERIFY2(change.view.indexOfCall(hidden) >= 0 && change.view.indexOfCall(hidden) < change.view.indexOfCall("busy"), hidden);
        // Label1 comes back for the status line and stays visible, empty.
        QVERIFY(change.view.indexOfCall("show Label1") > change.view.indexOfCall("caption Label1 Analizando el directorio. Por favor espere"));
        QVERIFY(change.view.isVisible(Control::Label1));
        QVERIFY(!change.view.isVisible(Control::Label4));
    }

    void theRecoveryKeepsThePanelAndTheSharedBarCount()
    {
        Folder folder;
        for (int i = 0; i < 10; ++i)
            folder.add(std::string(1, char('a' + i)), std::size_t(10 - i));
        folder.view.setVisible(Control::Label4, true);
        folder.view.setBusyPointer(true);
        folder.bar.draw(Control::Label2, 40, 3, 4); // the analysis drew 30 bullets
        folder.view.clearCalls();
        folder.scan(ScanMode::Recovery);

        QCOMPARE(folder.view.countCalls("hide Label4"), std::size_t{0});
        QCOMPARE(folder.view.countCalls("busy"), std::size_t{0});
        QVERIFY(!folder.view.isBusy());
        QCOMPARE(folder.view.captionsOf(Control::Label1).front(),
                 std::string("Analizando el directorio. Por favor espere"));
        // 30 was drawn last, so the first pass starts drawing at 36.
        QCOMPARE(barCounts(folder.view).front(), 36);

        // Any other scan starts its bar from nothing again.
        folder.view.clearCalls();
        folder.scan(ScanMode::StartUp);
        QCOMPARE(barCounts(folder.view).front(), 30);
    }
};

QTEST_GUILESS_MAIN(LeerDirectorioTest)
#include "LeerDirectorioTest.moc"
