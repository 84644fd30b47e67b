#include "PostedClick.h"
#include "ui/main/ResponsiveWork.h"

#include <QApplication>
#include <QDialog>
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
