#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "log/LogRecords.h"
#include "platform/PosixFileSystem.h"
#include "ui/viewer/Form2.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace zelvo;

namespace {

const QString kCrosses(120, QLatin1Char('x'));
const QString kMiddleDot = QStringLiteral("\u00b7");

QString blanks(int n) { return QString(n, QLatin1Char(' ')); }

std::unique_ptr<Form2> adopt(Form2* viewer)
{
    if (viewer)
        viewer->setAttribute(Qt::WA_DeleteOnClose, false);
    return std::unique_ptr<Form2>(viewer);
}

} // namespace

class Form2Test : public QObject {
    Q_OBJECT

    // A log file in a temporary folder, read through the real disk.
    struct Bench {
        QTemporaryDir dir;
        PosixFileSystem disk;
        FaultyFileSystem files{disk};
        FakeMessageBox messages;
        std::string logPath = (dir.path() + "/Zelvo.log").toStdString();

        void writeLog(const std::string& bytes)
        {
            QFile file(QString::fromStdString(logPath));
            if (!file.open(QIODevice::WriteOnly) ||
                file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()))
                qFatal("cannot write the log");
        }
        std::unique_ptr<Form2> open() { return adopt(Form2::open(files, messages, logPath)); }
    };

    static QStringList rowTexts(const Form2& viewer)
    {
        QStringList texts;
        const LogRowsModel& rows = viewer.rows();
        for (int i = 0; i < rows.rowCount(); ++i)
            texts << rows.data(rows.index(i)).toString();
        return texts;
    }

private slots:
    void aDeletionRecordShowsAsFourRows()
    {
        Bench b;
        b.writeLog(deletionRecord({"/fotos/abc.jpg", 12, "1/6/2026 4:00:30"}, "7/12/2026", "5:30:09"));
        const auto viewer = b.open();
        QVERIFY(viewer);
        QCOMPARE(rowTexts(*viewer),
                 (QStringList{kCrosses,
                              "/fotos/abc.jpg" + blanks(36) + "\t\t12 bytes \t1/6/2026 4:00:30",
                              kMiddleDot + blanks(100) + "Borrado el 7/12/2026 a las 5:30:09",
                              kCrosses}));
        QCOMPARE(b.messages.callCount(), std::size_t(0));
    }

    void aCommaInAPathSplitsItsLineAndDropsTheBlanksAfterIt()
    {
        Bench b;
        b.writeLog(pairRecord({"/fotos/playa, verano.jpg", 7, "d1"}, {"/fotos/copia.jpg", 7, "d2"}));
        const auto viewer = b.open();
        QCOMPARE(rowTexts(*viewer),
                 (QStringList{"/fotos/playa", "verano.jpg" + blanks(26) + "\t\t7 bytes \td1",
                              kMiddleDot + blanks(160) + QStringLiteral("encontrados id\u00e9nticos"),
                              "/fotos/copia.jpg" + blanks(34) + "\t\t7 bytes \td2",
                              QString(200, QLatin1Char(':'))}));
    }

    void rowsKeepTheBytesOfTheFileAndShowThemAsWindows1252()
    {
        Bench b;
        b.writeLog("\x80 caf\xE9\r\n\"a, b\"\r\n");
        const auto viewer = b.open();
        QCOMPARE(rowTexts(*viewer), (QStringList{QStringLiteral("\u20ac caf\u00e9"), "a, b"}));
        QCOMPARE(viewer->rows().field(0), std::string_view("\x80 caf\xE9"));
    }

    void aQuoteInANameSpoilsOneRowAtMost()
    {
        Bench b;
        b.writeLog(deletionRecord({"\"cita.txt", 3, "d1"}, "d", "t") +
                   deletionRecord({"/fotos/b.jpg", 4, "d2"}, "d", "t"));
        const auto viewer = b.open();
        const QStringList rows = rowTexts(*viewer);
        QCOMPARE(rows.size(), 8);
        QCOMPARE(rows[1], "cita.txt" + blanks(41) + "\t\t3 bytes \td1");
        QCOMPARE(rows[5], "/fotos/b.jpg" + blanks(38) + "\t\t4 bytes \td2");
    }

    void aRowOfUpTo64KiCharactersIsShownWhole()
    {
        Bench b;
        const std::string longPath = "/" + std::string(5000, 'p') + ".jpg";
        b.writeLog(deletionRecord({longPath, 12, "1/6/2026 4:00:30"}, "7/12/2026", "5:30:09") +
                   std::string(64 * 1024, 'a') + "\r\n" + std::string(64 * 1024 + 1, 'b'));
        const auto viewer = b.open();
        const QStringList rows = rowTexts(*viewer);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows[1], QString::fromStdString(longPath) + "\t\t12 bytes \t1/6/2026 4:00:30");
        QCOMPARE(rows[4], QString(64 * 1024, QLatin1Char('a')));
        QCOMPARE(rows[5], QString(64 * 1024, QLatin1Char('b')) + QChar(0x2026));
        QCOMPARE(viewer->rows().longestRow(), 5);
    }

    void theListLetsTheLongestRowBeScrolledToItsEnd()
    {
        Bench b;
        const std::string longPath = "/" + std::string(3000, 'p') + ".jpg";
        b.writeLog(deletionRecord({longPath, 12, "1/6/2026 4:00:30"}, "7/12/2026", "5:30:09"));
        const auto viewer = b.open();
        QCOMPARE(viewer->rows().longestRow(), 1);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewer.get()));
        // Every row, the last (a row of crosses) too, is as wide as the
        // longest one's text.
        const QString fileLine = rowTexts(*viewer)[1];
        const int textWidth = viewer->List1->fontMetrics().horizontalAdvance(fileLine);
        for (int row = 0; row < viewer->rows().rowCount(); ++row)
            QVERIFY(viewer->List1->visualRect(viewer->rows().index(row)).width() >= textWidth);
    }

    void aRowOfMegabytesIsShownShortened()
    {
        Bench b;
        b.writeLog(std::string(3 << 20, 'a') + "\r\nfin");
        const auto viewer = b.open();
        const QStringList rows = rowTexts(*viewer);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0], QString(int(LogRowsModel::kShownCharacters), QLatin1Char('a')) + QChar(0x2026));
        QCOMPARE(viewer->rows().field(0).size(), std::size_t(3 << 20));
        QCOMPARE(rows[1], QStringLiteral("fin"));
    }

    void anEmptyLogOpensAnEmptyList()
    {
        Bench b;
        b.writeLog("");
        const auto viewer = b.open();
        QVERIFY(viewer);
        QCOMPARE(viewer->rows().rowCount(), 0);
    }

    void withoutALogTheUserIsToldAndNoWindowIsMade()
    {
        Bench b;
        const auto viewer = b.open();
        QVERIFY(!viewer);
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        const MessageBoxCall& call = b.messages.lastCall();
        QCOMPARE(call.text, std::string("El archivo Zelvo.log a\u00fan no existe\n\r"
                                        "Active la captura en men\u00fa Archivo"));
        QCOMPARE(call.title, std::string("error log"));
        QCOMPARE(call.buttons, MessageButtons::Ok);
        QCOMPARE(call.icon, MessageIcon::Critical);
        for (QWidget* window : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<Form2*>(window));
    }

    void aLogThatCannotBeOpenedShowsAnEmptyWindowQuietly()
    {
        Bench b;
        b.writeLog("x\r\n");
        b.files.failOpen(b.logPath, FileError::AccessDenied);
        const auto viewer = b.open();
        QVERIFY(viewer);
        QCOMPARE(viewer->rows().rowCount(), 0);
        QCOMPARE(b.messages.callCount(), std::size_t(0));
    }

    void aReadFailureShowsTheRowsReadUntilThen()
    {
        Bench b;
        std::string log;
        while (log.size() < 3 * 1024 * 1024)
            log += deletionRecord({"/fotos/abc.jpg", 12, "d"}, "d", "t");
        b.writeLog(log);
        b.files.failReadAfterBytes(b.logPath, 2 * 1024 * 1024);
        const auto viewer = b.open();
        const int rows = viewer->rows().rowCount();
        QVERIFY(rows > 1000);
        QVERIFY(rows < int(std::count(log.begin(), log.end(), '\n')));
        QCOMPARE(rowTexts(*viewer).first(), kCrosses);
        QCOMPARE(b.files.openReaders(), 0);
    }

    void theWindowKeepsItsDesign()
    {
        Bench b;
        b.writeLog("x\r\n");
        const auto viewer = b.open();
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Log"));
        QCOMPARE(viewer->size(), QSize(681, 426));
        QCOMPARE(viewer->List1->geometry(), QRect(8, 8, 657, 355));
        QCOMPARE(viewer->Command1->text(), QStringLiteral("&Cerrar"));
        QCOMPARE(viewer->Command1->geometry(), QRect(304, 376, 73, 33));
        QVERIFY(viewer->List1->uniformItemSizes());
        QVERIFY(!viewer->windowIcon().isNull());

        // No task-bar button, no close box, no minimise or maximise button,
        // yet a border the user may drag.
        QCOMPARE(viewer->windowType(), Qt::Tool);
        const Qt::WindowFlags flags = viewer->windowFlags();
        QVERIFY(flags & Qt::CustomizeWindowHint);
        QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(viewer->minimumSize() != viewer->maximumSize());

        viewer->resize(900, 600);
        QCOMPARE(viewer->List1->geometry(), QRect(8, 8, 657, 355));
        QCOMPARE(viewer->Command1->geometry(), QRect(304, 376, 73, 33));
    }

    void closingDestroysTheWindow_data()
    {
        QTest::addColumn<bool>("byKeyboard");
        QTest::newRow("Cerrar clicked") << false;
        // It has no close box; Escape is the keyboard's way out.
        QTest::newRow("Escape") << true;
    }

    void closingDestroysTheWindow()
    {
        QFETCH(bool, byKeyboard);
        Bench b;
        b.writeLog("x\r\n");
        QPointer<Form2> viewer = Form2::open(b.files, b.messages, b.logPath);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        // What a screen reader says as the viewer opens.
        QAccessibleInterface* read = QAccessible::queryAccessibleInterface(viewer.data());
        QCOMPARE(read->role(), QAccessible::Window);
        QCOMPARE(read->text(QAccessible::Name), QStringLiteral("Log"));
        if (byKeyboard)
            QTest::keyClick(viewer->List1, Qt::Key_Escape);
        else
            QTest::mouseClick(viewer->Command1, Qt::LeftButton);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(viewer.isNull());
        QCOMPARE(b.files.openReaders(), 0);
    }
};

QTEST_MAIN(Form2Test)
#include "Form2Test.moc"
