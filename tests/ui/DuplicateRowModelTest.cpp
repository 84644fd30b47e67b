#include "ui/main/DuplicateRowModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace zelvo;

namespace {

DuplicateRow headRow(const std::string& path, int group) { return {true, path, group}; }
DuplicateRow twinRow(const std::string& path, int group) { return {false, path, group}; }

QString shown(const DuplicateRowModel& model, int row)
{
    return model.index(row, 0).data().toString();
}

} // namespace

// List1's rows: what the views are told and when, while the analysis holds
// new rows back and after.
class DuplicateRowModelTest : public QObject {
    Q_OBJECT

private slots:
    void aScreenReaderHearsWhatARowIsRatherThanItsArrow()
    {
        DuplicateRowModel model;
        model.append(headRow("/d/a", 1));
        model.append(twinRow("/d/b", 1));
        const auto heard = [&](int row) { return model.index(row, 0).data(Qt::AccessibleTextRole); };
        QCOMPARE(heard(0).toString(), QString("Original: /d/a"));
        QCOMPARE(heard(1).toString(), QString("Copia: /d/b"));
        QCOMPARE(shown(model, 0), QString::fromUtf8("\u00B7\u00B7\u00B7\u00B7> /d/a"));
    }

    void aRowSharesTheListingsPathOnlyWhereTheListingHoldsThatPath()
    {
        FolderListing listing;
        listing.paths = {"/d/a", "/d/b"};
        DuplicateRowModel model;
        model.shareListing(&listing);
        model.append({true, "/d/a", 1, 0});
        model.append({false, "/d/other", 1, 1}); // a stale place: its own path is kept
        model.append({false, "/d/b", 1, 1});
        QCOMPARE(model.row(0).path, std::string("/d/a"));
        QCOMPARE(model.row(1).path, std::string("/d/other"));
        QCOMPARE(shown(model, 2), QString("/d/b"));
    }

    void withoutAHoldEveryRowReachesTheViewsAsItIsAppended()
    {
        DuplicateRowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.append(headRow("/d/a", 1));
        model.append(twinRow("/d/b", 1));
        QCOMPARE(inserted.count(), 2);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(shown(model, 1), QString("/d/b"));
    }

    void heldRowsReachTheViewsInOneBatchWhenTheHoldEnds()
    {
        DuplicateRowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append(headRow("/d/before", 1));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        model.holdNewRows(true);
        model.append(headRow("/d/a", 2));
        model.append(twinRow("/d/b", 2));
        model.append(twinRow("/d/c", 2));
        // The views do not know them yet; the window's own reading does.
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.size(), 4);
        QCOMPARE(model.row(3).path, std::string("/d/c"));
        QVERIFY(!model.index(3, 0).isValid());
        QCOMPARE(inserted.count(), 0);

        model.holdNewRows(false);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), 1);
        QCOMPARE(inserted.at(0).at(2).toInt(), 3);
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(shown(model, 1), QString::fromUtf8("····> /d/a"));
        QCOMPARE(shown(model, 3), QString("/d/c"));
    }

    void aRemovalDuringAHoldKeepsTheViewsInStep()
    {
        DuplicateRowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.holdNewRows(true);
        model.append(headRow("/d/a", 1));
        model.append(twinRow("/d/b", 1));
        model.append(twinRow("/d/c", 1));
        model.remove(1);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.size(), 2);
        QCOMPARE(shown(model, 1), QString("/d/c"));
        model.append(twinRow("/d/d", 1));
        model.holdNewRows(false);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(shown(model, 2), QString("/d/d"));
    }

    void clearingDuringAHoldForgetsTheHeldRows()
    {
        DuplicateRowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append(headRow("/d/old", 1));
        model.holdNewRows(true);
        model.append(twinRow("/d/held", 1));
        model.clear();
        QCOMPARE(model.size(), 0);
        model.append(headRow("/d/new", 1));
        model.holdNewRows(false);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(shown(model, 0), QString::fromUtf8("····> /d/new"));
    }

    void aLongHoldHandsOutTheRowsFoundSoFarOnceTheBatchIntervalHasPassed()
    {
        DuplicateRowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.holdNewRows(true);
        model.append(headRow("/d/a", 1));
        QCOMPARE(model.rowCount(), 0);
        QThread::msleep(DuplicateRowModel::kBatchMilliseconds + 20);
        model.append(twinRow("/d/b", 1));
        QCOMPARE(model.rowCount(), 2);
        // The interval starts again: the next row waits.
        model.append(twinRow("/d/c", 1));
        QCOMPARE(model.rowCount(), 2);
        // Without a new row too, once the window asks after the interval.
        QThread::msleep(DuplicateRowModel::kBatchMilliseconds + 20);
        model.publishIfDue();
        QCOMPARE(model.rowCount(), 3);
        model.append(twinRow("/d/d", 1));
        model.holdNewRows(false);
        QCOMPARE(model.rowCount(), 4);
    }
};

QTEST_MAIN(DuplicateRowModelTest)
#include "DuplicateRowModelTest.moc"
