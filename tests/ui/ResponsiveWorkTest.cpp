#include "PostedClick.h"
#include "ui/main/ResponsiveWork.h"

#include <QApplication>
#include <QDialog>
#include <QListView>
#include <QStringListModel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QThread>

using namespace zelvo;

namespace {

// Lets a pulse through: it runs only when the last one is old enough.
void pulseAfterAWhile(ResponsiveWork& work)
{
    QThread::msleep(ResponsiveWork::kPulseMilliseconds + 5);
    work.pulse();
}

QStringList three() { return {"a", "b", "c"}; }

} // namespace

class ResponsiveWorkTest : public QObject {
    Q_OBJECT

private slots:
    void inputWaitsUntilTheOutermostPieceOfWorkEnds()
    {
        QWidget window;
        auto* button = new QPushButton("b", &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ResponsiveWork work(&window);
        int clicks = 0;
        connect(button, &QPushButton::clicked, this, [&] { ++clicks; });

        {
            ResponsiveWork::Scope outer(work);
            {
                ResponsiveWork::Scope inner(work);
                postClick(button);
                pulseAfterAWhile(work);
            }
            pulseAfterAWhile(work);
            QCOMPARE(clicks, 0);
            QVERIFY(work.inProgress());
        }
        QVERIFY(!work.inProgress());
        QTRY_COMPARE(clicks, 1);
    }

    // Input made during the work is judged against the window as it stood
    // then: what chose nothing is dropped, the rest waits for the end.
    void inputChoosesWhatWasThereWhenItWasMade_data()
    {
        QTest::addColumn<bool>("onList");
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("enabledThen");
        QTest::addColumn<QStringList>("rowsThen");
        QTest::addColumn<QStringList>("rowsAfter");
        QTest::addColumn<QString>("chosen");
        const QStringList none;
        const QStringList three{"a", "b", "c"};
        QTest::newRow("a click on an enabled button waits")
            << false << false << true << none << none << "pressed";
        QTest::newRow("a click on a disabled button is dropped")
            << false << false << false << none << none << "";
        QTest::newRow("Space on an enabled button waits")
            << false << true << true << none << none << "pressed";
        QTest::newRow("Space on a disabled button is dropped")
            << false << true << false << none << none << "";
        QTest::newRow("a click on a row waits")
            << true << false << true << QStringList{"a", "b"} << three << "b";
        QTest::newRow("a click where the list held no row is dropped")
            << true << false << true << none << three << "";
        QTest::newRow("a click on a row that moved away is dropped")
            << true << false << true << three << QStringList{"b", "c"} << "";
        QTest::newRow("a click on a disabled list is dropped")
            << true << false << false << three << three << "";
    }

    void inputChoosesWhatWasThereWhenItWasMade()
    {
        QFETCH(bool, onList);
        QFETCH(bool, byKey);
        QFETCH(bool, enabledThen);
        QFETCH(QStringList, rowsThen);
        QFETCH(QStringList, rowsAfter);
        QFETCH(QString, chosen);
        QWidget window;
        window.resize(200, 300);
        auto* button = new QPushButton("b", &window);
        auto* list = new QListView(&window);
        list->setGeometry(0, 40, 200, 260);
        QStringListModel rows(three());
        list->setModel(&rows);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Where the second row lies once there is one.
        const QPoint secondRow = list->visualRect(rows.index(1)).center();
        rows.setStringList(rowsThen);
        QString happened;
        connect(button, &QPushButton::clicked, this, [&] { happened = "pressed"; });
        connect(list, &QListView::clicked, this,
                [&](const QModelIndex& row) { happened = row.data().toString(); });
        ResponsiveWork work(&window);

        {
            ResponsiveWork::Scope working(work);
            QWidget* target = onList ? static_cast<QWidget*>(list) : button;
            target->setEnabled(enabledThen);
            if (byKey)
                QTest::keyClick(target, Qt::Key_Space);
            else if (onList)
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, secondRow);
            else
                QTest::mouseClick(button, Qt::LeftButton);
            pulseAfterAWhile(work);
            target->setEnabled(true);
            rows.setStringList(rowsAfter);
            QCOMPARE(happened, QString());
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(happened, chosen);
        const QModelIndexList selected = list->selectionModel()->selectedIndexes();
        QCOMPARE(selected.isEmpty() ? QString() : selected.first().data().toString(),
                 onList ? chosen : QString());
    }

    void inputReachesAModalBoxOpenedByTheWork()
    {
        QWidget window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ResponsiveWork work(&window);
        QDialog box;
        box.setModal(true);
        auto* ok = new QPushButton("ok", &box);
        int clicks = 0;
        connect(ok, &QPushButton::clicked, this, [&] { ++clicks; });

        ResponsiveWork::Scope working(work);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        postClick(ok);
        pulseAfterAWhile(work);
        QCOMPARE(clicks, 1);
    }

    void pulsesAreBoundedInRate()
    {
        QWidget window;
        ResponsiveWork work(&window);
        ResponsiveWork::Scope working(work);
        bool ran = false;
        QMetaObject::invokeMethod(&window, [&] { ran = true; }, Qt::QueuedConnection);
        // Right after the start no pulse is due yet.
        work.pulse();
        QVERIFY(!ran);
        pulseAfterAWhile(work);
        QVERIFY(ran);
    }

    void outsideWorkACloseIsNotPostponed()
    {
        QWidget window;
        ResponsiveWork work(&window);
        QVERIFY(!work.postponeClose());
        {
            ResponsiveWork::Scope working(work);
            QVERIFY(work.postponeClose());
        }
        QVERIFY(!work.postponeClose());
    }
};

QTEST_MAIN(ResponsiveWorkTest)
#include "ResponsiveWorkTest.moc"
