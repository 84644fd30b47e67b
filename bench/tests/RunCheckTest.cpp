#include "RunCheck.h"

#include <QTest>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

// A folder of five files: a and b identical (1000 bytes), c of the same size
// first differing at byte 100 (bound 100), d alone in its size, e differing
// from a and b only in its last byte.
struct Scenario {
    FolderListing listing;
    ContentTruth truth;
    std::unordered_map<std::string, FileIoRecord> files;

    Scenario()
    {
        listing.paths = {"/f/a", "/f/b", "/f/c", "/f/d", "/f/e"};
        listing.sizes = {1000, 1000, 1000, 5, 1000};
        truth.bound = {1000, 1000, 100, 0, 1000};
        truth.identicalSets = {{0, 1}};
    }

    // Records the reads of one file as a counting file system would.
    void read(const std::string& path, std::vector<std::pair<ByteCount, ByteCount>> reads, int opens = 1)
    {
        FileIoRecord& record = files[path];
        record.opens = opens;
        for (const auto& [offset, length] : reads) {
            record.bytesRead += length;
            record.reads.emplace_back(offset, length);
            CountingFileSystem::noteDelivered(record, offset, length);
        }
    }

    std::vector<DuplicateRow> rowsOf(std::vector<std::vector<std::string>> groups) const
    {
        std::vector<DuplicateRow> rows;
        int number = 0;
        for (const auto& group : groups) {
            ++number;
            for (std::size_t k = 0; k < group.size(); ++k)
                rows.push_back({k == 0, group[k], number});
        }
        return rows;
    }
};

} // namespace

class RunCheckTest : public QObject {
    Q_OBJECT
private slots:
    void aSoundRunBreaksNoRuleAndItsGroupIsAWholeSet()
    {
        Scenario s;
        s.read("/f/a", {{0, 512}, {976, 24}, {512, 464}});
        s.read("/f/b", {{0, 512}, {976, 24}, {512, 464}});
        s.read("/f/c", {{0, 512}});
        s.read("/f/e", {{0, 512}, {976, 24}});
        const RunCheckReport report = checkRun(s.listing, s.rowsOf({{"/f/a", "/f/b"}}), s.files, s.truth);
        QVERIFY(report.brokenRules().empty());
        QCOMPARE(report.groupsWhole, std::size_t(1));
        QCOMPARE(report.filesOpened, std::size_t(4));
        QCOMPARE(report.freshReads, std::size_t(3 + 3 + 1 + 2));
        QCOMPARE(report.bytesRead, ByteCount(1000 + 1000 + 512 + 536));
        QCOMPARE(report.boundTotal, ByteCount(3100));
        // c was read to the end of its chunk (412 bytes past byte 100); e was
        // never read to its middle, so it owes nothing.
        QCOMPARE(report.readBeyondBound, ByteCount(412));
    }

    void openingAFileOfAUniqueSizeBreaksARule()
    {
        Scenario s;
        s.read("/f/d", {{0, 5}});
        const RunCheckReport report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.uniqueSizeOpened, std::size_t(1));
        QCOMPARE(report.brokenRules().size(), std::size_t(1));
    }

    void readingAByteTwiceBreaksARuleAndSoDoesOpeningTwiceNot()
    {
        Scenario s;
        s.read("/f/a", {{0, 512}, {256, 744}}, 2);
        const RunCheckReport report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.someByteReadTwice, std::size_t(1));
        QCOMPARE(report.openedMoreThanOnce, std::size_t(1));
        QCOMPARE(report.brokenRules().size(), std::size_t(1));
    }

    void readingOnAfterTheFirstDifferenceBreaksARuleButAnEarlyEndBlockDoesNot()
    {
        Scenario s;
        // c's difference (byte 100) lies in its first read; e's (its last
        // byte) in the end block read second.
        s.read("/f/c", {{0, 64}, {64, 64}, {128, 256}});
        s.read("/f/e", {{0, 512}, {976, 24}});
        RunCheckReport report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.readAfterDifference, std::size_t(1));
        QVERIFY(QString::fromStdString(report.readAfterDifferenceExample).startsWith("/f/c "));

        s.files.erase("/f/c");
        s.read("/f/e", {{512, 464}});
        report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.readAfterDifference, std::size_t(1));
        QVERIFY(QString::fromStdString(report.readAfterDifferenceExample).startsWith("/f/e "));
    }

    void aFileSharingItsEndsWithAnotherMayReadItsMiddleAfterAnEarlyEndBlock()
    {
        // e's prefix bound lies in its last block, but suppose another file
        // shares its first and last blocks: after the end block the two are
        // still alike, and only the middle tells them apart.
        Scenario s;
        s.read("/f/e", {{0, 512}, {976, 24}, {512, 464}});
        s.truth.sharesEnds = {false, false, false, false, true};
        RunCheckReport report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.readAfterDifference, std::size_t(0));

        // A read past the first difference in the middle still counts.
        s.truth.bound[4] = 600;
        report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.readAfterDifference, std::size_t(0));
        s.files.erase("/f/e");
        s.read("/f/e", {{0, 512}, {976, 24}, {512, 100}, {612, 364}});
        report = checkRun(s.listing, {}, s.files, s.truth);
        QCOMPARE(report.readAfterDifference, std::size_t(1));
    }

    void twinsMayBeReadWholeInAnyOrder()
    {
        Scenario s;
        s.read("/f/a", {{976, 24}, {0, 976}});
        s.read("/f/b", {{976, 24}, {0, 976}});
        QVERIFY(checkRun(s.listing, {}, s.files, s.truth).brokenRules().empty());
    }

    void groupsAreJudgedAgainstTheIdenticalSets()
    {
        Scenario s;
        s.listing.paths.push_back("/f/a2");
        s.listing.sizes.push_back(1000);
        s.truth.bound.push_back(1000);
        s.truth.identicalSets = {{0, 1, 5}};

        RunCheckReport report = checkRun(s.listing, s.rowsOf({{"/f/a", "/f/a2"}}), s.files, s.truth);
        QCOMPARE(report.groupsPartial, std::size_t(1));
        QVERIFY(report.brokenRules().empty());

        report = checkRun(s.listing, s.rowsOf({{"/f/a", "/f/b", "/f/a2"}, {"/f/c", "/f/e"}}), s.files, s.truth);
        QCOMPARE(report.groupsWhole, std::size_t(1));
        QCOMPARE(report.groupsNotIdentical, std::size_t(1));
        QCOMPARE(report.brokenRules().size(), std::size_t(1));

        // A head row alone, or a path that is not in the listing, is no group
        // of identical files either.
        report = checkRun(s.listing, s.rowsOf({{"/f/a"}, {"/f/b", "/elsewhere/b"}}), s.files, s.truth);
        QCOMPARE(report.groupsNotIdentical, std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(RunCheckTest)
#include "RunCheckTest.moc"
