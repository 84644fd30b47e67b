#include "Form1Harness.h"
#include "ui/main/ResponsiveWork.h"

#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QThread>

using namespace zelvo;

namespace {

// Counts the paintings of one widget and remembers the text it showed at the
// last one.
class PaintWatch final : public QObject {
public:
    explicit PaintWatch(QLabel* label) : m_label(label) { label->installEventFilter(this); }

    int paints = 0;
    QString lastPaintedText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_label && event->type() == QEvent::Paint) {
            ++paints;
            lastPaintedText = m_label->text();
        }
        return false;
    }

private:
    QLabel* m_label;
};

void waitForPulseInterval() { QThread::msleep(ResponsiveWork::kPulseMilliseconds + 10); }

} // namespace

// What the analysis and the scan ask of a label's immediate repaint: the
// caption reaches the screen while they keep the thread busy, without one
// painting of the window per caption.
class Form1RepaintTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QVERIFY(m_folder.isValid());
        m_form = std::make_unique<Form1Harness>(m_folder.path());
        m_form->window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form->window.get()));
    }

    void cleanup() { m_form.reset(); }

    void outsideWorkALabelIsPaintedBeforeTheRepaintReturns()
    {
        Form1& window = *m_form->window;
        window.setVisible(Control::Label3, true);
        PaintWatch watch(window.Label3);
        window.setCaption(Control::Label3, "12 Archivos duplicados");
        window.repaintNow(Control::Label3);
        QVERIFY(watch.paints >= 1);
        QCOMPARE(watch.lastPaintedText, QString("12 Archivos duplicados"));
    }

    void duringWorkABurstOfCaptionsCostsAtMostOnePaintingPerPulse()
    {
        Form1& window = *m_form->window;
        window.setVisible(Control::Label10, true);
        PaintWatch watch(window.Label10);
        ResponsiveWork::Scope working(window.work());
        // A burst shorter than the pulse interval, as a bar filling on a
        // small file gives.
        QElapsedTimer burst;
        burst.start();
        for (int n = 1; n <= 500; ++n) {
            window.setCaption(Control::Label10, std::string(std::size_t(n % 60), 'x'));
            window.repaintNow(Control::Label10);
        }
        const qint64 took = burst.elapsed();
        // Each pulse may paint once; the burst must not paint per caption.
        QVERIFY2(watch.paints <= 2 + int(took / ResponsiveWork::kPulseMilliseconds),
                 qPrintable(QString("%1 paintings in %2 ms").arg(watch.paints).arg(took)));
        waitForPulseInterval();
        window.work().pulse();
        QCOMPARE(watch.lastPaintedText, QString(500 % 60, 'x'));
    }

    void duringWorkTheLastCaptionIsPaintedAtTheNextPulse()
    {
        Form1& window = *m_form->window;
        window.setVisible(Control::Label1, true);
        PaintWatch watch(window.Label1);
        ResponsiveWork::Scope working(window.work());
        waitForPulseInterval();
        window.setCaption(Control::Label1, "/a/first");
        window.repaintNow(Control::Label1);
        // After a quiet spell the caption is painted at once.
        QCOMPARE(watch.lastPaintedText, QString("/a/first"));

        window.setCaption(Control::Label1, "/a/second");
        window.repaintNow(Control::Label1);
        window.setCaption(Control::Label1, "/a/third");
        window.repaintNow(Control::Label1);
        // The work goes on with file operations only; their heartbeat is the
        // pulse, which brings the newest caption to the screen.
        waitForPulseInterval();
        window.work().pulse();
        QCOMPARE(watch.lastPaintedText, QString("/a/third"));
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<Form1Harness> m_form;
};

QTEST_MAIN(Form1RepaintTest)
#include "Form1RepaintTest.moc"
