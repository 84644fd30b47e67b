#include "fakes/FakeDateText.h"
#include "fakes/FakeDrives.h"
#include "fakes/FakeHelpViewer.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FakePictureLoader.h"
#include "fakes/FaultyFileSystem.h"
#include "log/LogRecords.h"
#include "platform/PosixFileSystem.h"
#include "ui/main/Form1.h"
#include "ui/main/PictureButton.h"
#include "ui/main/RowListView.h"
#include "ui/viewer/Form2.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QDateTime>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <memory>

using namespace zelvo;

namespace {

constexpr Timestamp kNow{1796621409};      // 7/12/2026 5:30:09
constexpr Timestamp kModified{1780286430}; // 1/6/2026 4:00:30
const QByteArray kNoLog = "<no log file>";

} // namespace

// The log, the deletion and the viewer as the main window wires them: its
// menu items, its buttons and its lists, over real files in the working
// directory the window starts in.
class Form1LogTest : public QObject {
    Q_OBJECT

    struct Bench {
        QTemporaryDir dir;
        QString previousDirectory = QDir::currentPath();
        PosixFileSystem disk;
        FaultyFileSystem files{disk};
        FakeDateText dates{kNow};
        FakeMessageBox messages;
        FakePictureLoader pictures;
        FakeHelpViewer help;
        FakeDrives drives;
        std::unique_ptr<Form1> form;
        std::string folder;

        // Three copies (a, b, c) and one other file (d), then the window.
        Bench()
        {
            for (const char* name : {"a.txt", "b.txt", "c.txt"})
                write(name, "una copia");
            write("d.txt", "otra cosa");
            if (!QDir::setCurrent(dir.path()))
                qFatal("cannot enter the test folder");
            folder = std::filesystem::current_path().native();
            form = std::make_unique<Form1>(
                PlatformServices{files, dates, messages, pictures, help, drives});
        }
        ~Bench()
        {
            form.reset();
            QDir::setCurrent(previousDirectory);
        }

        std::string path(const char* name) const { return folder + '/' + name; }
        void write(const char* name, const QByteArray& bytes)
        {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
                qFatal("cannot write %s", name);
            file.flush();
            file.setFileTime(QDateTime::fromSecsSinceEpoch(kModified.seconds, Qt::UTC),
                             QFileDevice::FileModificationTime);
        }
        bool exists(const char* name) const { return QFile::exists(dir.filePath(name)); }
        QByteArray logBytes() const
        {
            QFile file(dir.filePath("Zelvo.log"));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : kNoLog;
        }
        static QList<Form2*> viewers()
        {
            QList<Form2*> found;
            for (QWidget* window : QApplication::topLevelWidgets())
                if (auto* viewer = qobject_cast<Form2*>(window))
                    found << viewer;
            return found;
        }
        void selectRow(int row) { form->List1->setCurrentIndex(form->List1->model()->index(row, 0)); }
    };

private slots:
    void theLogStartsOffAndItsMenuItemTogglesItWithoutTouchingAFile()
    {
        Bench b;
        QVERIFY(b.form->log->isCheckable());
        QVERIFY(!b.form->log->isChecked());
        b.form->log->trigger();
        QVERIFY(b.form->log->isChecked());
        b.form->log->trigger();
        QVERIFY(!b.form->log->isChecked());
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.messages.callCount(), std::size_t(0));
    }

    void anAnalysisWithTheLogOnWritesOnePairRecordPerTwin()
    {
        Bench b;
        b.form->log->trigger();
        b.form->Command1_Click();
        const std::string a = b.path("a.txt");
        const std::string date = "1/6/2026 4:00:30";
        QCOMPARE(b.logBytes(),
                 QByteArray::fromStdString(pairRecord({a, 9, date}, {b.path("b.txt"), 9, date}) +
                                           pairRecord({a, 9, date}, {b.path("c.txt"), 9, date})));
    }

    void anAnalysisWithTheLogOffWritesNothing()
    {
        Bench b;
        b.form->Command1_Click();
        QCOMPARE(b.form->duplicateRowCount(), 3);
        QCOMPARE(b.logBytes(), kNoLog);
    }

    void aLogThatCannotBeWrittenLosesItsCheckMarkAndTheAnalysisGoesOn()
    {
        Bench b;
        QVERIFY(QDir(b.dir.path()).mkdir("Zelvo.log"));
        b.form->log->trigger();
        b.form->Command1_Click();
        QVERIFY(!b.form->log->isChecked());
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.messages.lastCall().title, std::string("Error con archivo log"));
        QCOMPARE(b.form->duplicateRowCount(), 3);
    }

    void borrarDeletesTheSelectedTwinAndRewritesTheCounts()
    {
        Bench b;
        b.form->log->trigger();
        b.form->Command1_Click();
        const QByteArray pairs = b.logBytes();
        b.selectRow(1);
        b.form->Command3_Click();

        QVERIFY(!b.exists("b.txt"));
        QVERIFY(b.exists("a.txt") && b.exists("c.txt"));
        QCOMPARE(b.form->duplicateRowCount(), 2);
        QCOMPARE(b.form->duplicateRow(1).path, b.path("c.txt"));
        QCOMPARE(b.form->Label3->text(), QStringLiteral("2  Archivos"));
        // a, c, d and the log itself.
        QCOMPARE(b.form->Label6->text(), QStringLiteral("4 archivos a procesar"));
        QCOMPARE(b.form->fileListCount(), 4);
        QVERIFY(b.form->Command3->isEnabled());
        QVERIFY(b.logBytes().startsWith(pairs));
        QVERIFY(b.logBytes().endsWith(QByteArray("Borrado el 7/12/2026 a las 5:30:09\r\n") +
                                      QByteArray(120, 'x') + "\r\n"));

        // Nothing stays selected: a second "Borrar" deletes nothing.
        QVERIFY(!b.form->List1->selectionModel()->hasSelection());
        b.form->Command3_Click();
        QVERIFY(b.exists("a.txt") && b.exists("c.txt"));
        QCOMPARE(b.form->duplicateRowCount(), 2);
    }

    void introOnTheFocusedBorrarAsksFirstAndTheAnswerDecides()
    {
        Bench b;
        b.form->Command1_Click();
        b.selectRow(1);
        b.form->show();
        b.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(b.form.get()));
        b.form->Command3->setFocus();
        const auto press = [&](Qt::Key key, bool repeated) {
            const Qt::KeyboardModifiers pad = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
            QKeyEvent event(QEvent::KeyPress, key, pad, QStringLiteral("\r"), repeated);
            QApplication::sendEvent(b.form->Command3, &event);
        };

        // A key held down asks once, when it is let go.
        b.messages.scriptAnswer(MessageAnswer::Cancel);
        press(Qt::Key_Return, false);
        press(Qt::Key_Return, true);
        QCOMPARE(b.messages.callCount(), std::size_t(0));
        QTest::keyRelease(b.form->Command3, Qt::Key_Return);
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.messages.lastCall().title, std::string("Borrado"));
        QVERIFY(b.exists("b.txt"));

        // The keypad's Enter, answered Aceptar, deletes the selected twin.
        b.messages.scriptAnswer(MessageAnswer::Ok);
        QTest::keyClick(b.form->Command3, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(b.messages.callCount(), std::size_t(2));
        QVERIFY(!b.exists("b.txt"));
        QVERIFY(b.exists("a.txt") && b.exists("c.txt"));
    }

    void verLogOpensOneViewerAndReadsTheLogOnlyWhenItOpens()
    {
        Bench b;
        b.write("Zelvo.log", "uno\r\n");
        b.form->ver_Click();
        QCOMPARE(b.viewers().size(), 1);
        Form2* viewer = b.viewers().first();
        QVERIFY(viewer->isVisible());
        QCOMPARE(viewer->rows().rowCount(), 1);

        b.write("Zelvo.log", "uno\r\ndos\r\n");
        b.form->ver_Click();
        QCOMPARE(b.viewers(), QList<Form2*>{viewer});
        QCOMPARE(viewer->rows().rowCount(), 1);
        QCOMPARE(b.files.opens("Zelvo.log"), 1);

        QTest::mouseClick(viewer->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(b.viewers().isEmpty());
        b.form->ver_Click();
        QCOMPARE(b.viewers().size(), 1);
        QCOMPARE(b.viewers().first()->rows().rowCount(), 2);
    }

    void anOpenViewerKeepsTheProgramRunningAfterTheMainWindowCloses()
    {
        Bench b;
        b.write("Zelvo.log", "uno\r\n");
        b.form->show();
        b.form->ver_Click();
        QPointer<Form2> viewer = b.viewers().first();

        // The program's own event loop decides when the last window is
        // gone: close the main window, look a moment later, then close the
        // viewer, which must end the loop.
        bool runningWithTheViewerOnly = false;
        QTimer closeMain, closeViewer, giveUp;
        for (QTimer* timer : {&closeMain, &closeViewer, &giveUp})
            timer->setSingleShot(true);
        connect(&closeMain, &QTimer::timeout, b.form.get(), [&] { b.form->close(); });
        connect(&closeViewer, &QTimer::timeout, qApp, [&] {
            runningWithTheViewerOnly = !b.form->isVisible() && viewer && viewer->isVisible();
            if (viewer)
                viewer->Command1->click();
        });
        connect(&giveUp, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
        closeMain.start(0);
        closeViewer.start(200);
        giveUp.start(5000);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(runningWithTheViewerOnly);
    }

    void theViewerGoesWithTheMainWindow()
    {
        auto b = std::make_unique<Bench>();
        b->write("Zelvo.log", "uno\r\n");
        b->form->ver_Click();
        QCOMPARE(b->viewers().size(), 1);
        b.reset();
        QVERIFY(Bench::viewers().isEmpty());
    }

    void verLogWithoutALogOnlyTellsTheUser()
    {
        Bench b;
        b.form->ver_Click();
        QVERIFY(b.viewers().isEmpty());
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.messages.lastCall().title, std::string("error log"));
    }

    void borrarLogErasesTheFileAfterYes()
    {
        Bench b;
        b.write("Zelvo.log", "uno\r\n");
        b.messages.scriptAnswer(MessageAnswer::Yes);
        b.form->BorraLog->trigger();
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.messages.lastCall().title, std::string("Borrado archivo log"));
    }
};

QTEST_MAIN(Form1LogTest)
#include "Form1LogTest.moc"
