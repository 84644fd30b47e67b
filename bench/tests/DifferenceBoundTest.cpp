#include "DifferenceBound.h"
#include "TestFolder.h"

#include <QTest>

using namespace zelvo;
using namespace zelvo::bench;

class DifferenceBoundTest : public QObject {
    Q_OBJECT
private slots:
    void aFileIsBoundJustPastTheByteWhereItDiffersFromItsClosestNeighbour()
    {
        TestFolder files;
        const QByteArray base = pattern(10000, 1);
        const auto a = files.add(base);
        const auto b = files.add(changed(base, 5000));
        const auto c = files.add(changed(base, 100));
        const ContentTruth truth = files.truth();
        QCOMPARE(truth.bound[a], ByteCount(5001));
        QCOMPARE(truth.bound[b], ByteCount(5001));
        QCOMPARE(truth.bound[c], ByteCount(101));
        QVERIFY(truth.identicalSets.empty());
    }

    void identicalFilesFormOneSetAndMustBeReadWhole()
    {
        TestFolder files;
        const QByteArray base = pattern(3000, 2);
        const auto a = files.add(base);
        const auto other = files.add(changed(base, 2999));
        const auto twin = files.add(base);
        const auto third = files.add(base);
        const ContentTruth truth = files.truth();
        QCOMPARE(truth.identicalSets.size(), std::size_t(1));
        QCOMPARE(truth.identicalSets[0], (std::vector<std::size_t>{a, twin, third}));
        QCOMPARE(truth.bound[a], ByteCount(3000));
        QCOMPARE(truth.bound[twin], ByteCount(3000));
        QCOMPARE(truth.bound[other], ByteCount(3000));
    }

    void aUniqueSizeNeedsNoByteAndEmptyFilesAreIdenticalUnread()
    {
        TestFolder files;
        const auto alone = files.add(pattern(777, 3));
        const auto emptyA = files.add({});
        files.add(pattern(500, 4));
        const auto emptyB = files.add({});
        files.add(pattern(500, 5));
        const ContentTruth truth = files.truth();
        QCOMPARE(truth.bound[alone], ByteCount(0));
        QCOMPARE(truth.bound[emptyA], ByteCount(0));
        QCOMPARE(truth.identicalSets, (std::vector<std::vector<std::size_t>>{{emptyA, emptyB}}));
    }

    void differencesBeyondTheFirstBlockAreFoundInTheRightBlock()
    {
        // Larger than several blocks, so the classes are carried from block to
        // block; the sizes are odd so that the last block is a short one.
        TestFolder files;
        const qsizetype size = (3 << 20) + 7;
        const QByteArray base = pattern(size, 6);
        const auto a = files.add(base);
        const auto late = files.add(changed(base, (5 << 19) + 3)); // 2.5 MiB + 3
        const auto last = files.add(changed(base, size - 1));
        const auto twin = files.add(base);
        const ContentTruth truth = files.truth();
        QCOMPARE(truth.bound[late], ByteCount((5 << 19) + 4));
        QCOMPARE(truth.bound[last], ByteCount(size));
        QCOMPARE(truth.identicalSets, (std::vector<std::vector<std::size_t>>{{a, twin}}));
    }

    void filesAlikeInTheirFirstAndLastBlocksAreMarkedAsSharingTheirEnds()
    {
        TestFolder files;
        const qsizetype size = 20000;
        const QByteArray base = pattern(size, 8);
        const auto middle = files.add(changed(base, 10000)); // shares both ends with base
        const auto a = files.add(base);
        const auto end = files.add(changed(base, size - 1)); // its last block is its own
        const auto start = files.add(changed(base, 5));      // and here its first
        const auto small = files.add(pattern(300, 1));        // shorter than a block:
        files.add(changed(pattern(300, 1), 299));             // its ends are all of it
        const ContentTruth truth = files.truth();
        QVERIFY(truth.sharesEnds[middle]);
        QVERIFY(truth.sharesEnds[a]);
        QVERIFY(!truth.sharesEnds[end]);
        QVERIFY(!truth.sharesEnds[start]);
        QVERIFY(!truth.sharesEnds[small]);
    }

    void aFileThatCannotBeReadIsSetAsideWithoutHarmingTheOthers()
    {
        TestFolder files;
        const QByteArray base = pattern(64, 7);
        const auto a = files.add(base);
        const auto b = files.add(base);
        files.paths.push_back("/nonexistent/zelvo/missing.bin");
        files.sizes.push_back(64);
        const ContentTruth truth = files.truth();
        QCOMPARE(truth.unreadable, (std::vector<std::size_t>{2}));
        QCOMPARE(truth.identicalSets, (std::vector<std::vector<std::size_t>>{{a, b}}));
    }
};

QTEST_GUILESS_MAIN(DifferenceBoundTest)
#include "DifferenceBoundTest.moc"
