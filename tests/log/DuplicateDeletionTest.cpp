#include "LogBench.h"
#include "fakes/FakeDateText.h"
#include "fakes/FakeMessageBox.h"
#include "fakes/FaultyFileSystem.h"
#include "fakes/RecordingView.h"
#include "log/DuplicateDeletion.h"
#include "log/LogRecords.h"
#include "platform/PosixFileSystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>


using namespace zelvo;

namespace {

const QByteArray kNoLog = LogBench::kNoLog;

constexpr Timestamp kNow{1796621409};      // 7/12/2026 5:30:09
constexpr Timestamp kModified{1780286430}; // 1/6/2026 4:00:30

const std::string kConfirmation = "¿Realmente desea borrar los archivos seleccionados?\n\r"
                                  "       Recuerde que esto no se podrá deshacer";
const std::string kNoCopyLeft =
    "El archivo no se ha borrado porque ya no tiene ninguna copia idéntica.";
const std::string kVanished = "Uno o varios archivos ya fueron borrados o movidos.";

// A list that, like the window's, hands the selection to the row that takes
// the place of a removed selected row (or the one before it, at the end).
class NeighbourSelectingView : public RecordingView {
public:
    void removeDuplicateRow(int index) override
    {
        const bool wasSelected = isDuplicateRowSelected(index);
        RecordingView::removeDuplicateRow(index);
        if (wasSelected && duplicateRowCount() > 0)
            selectRow(std::min(index, duplicateRowCount() - 1));
    }
};

} // namespace

class DuplicateDeletionTest : public QObject {
    Q_OBJECT

    // A folder with one group of three copies (a, b, c) and a group of two
    // (d, e), listed the way the analysis leaves them; the log is on and
    // lives beside them.
    template <typename View = RecordingView>
    struct Bench : LogBench {
        View view;
        DuplicateDeletion deletion{files, messages, view, log};

        Bench() : LogBench(kNow)
        {
            for (const char* name : {"a", "b", "c"})
                write(name, "three copies");
            for (const char* name : {"d", "e"})
                write(name, "two copies");
            view.addDuplicateRow({true, path("a"), 1});
            view.addDuplicateRow({false, path("b"), 1});
            view.addDuplicateRow({false, path("c"), 1});
            view.addDuplicateRow({true, path("d"), 2});
            view.addDuplicateRow({false, path("e"), 2});
            // File1 lists the folder as it is, the log aside (it matches no
            // pattern the tests use, but it is not a listed file either).
            view.setFolderLister([this] {
                QStringList names = QDir(dir.path()).entryList(QDir::Files, QDir::Name);
                names.removeAll("Zelvo.log");
                std::vector<std::string> list;
                for (const QString& name : names)
                    list.push_back(name.toStdString());
                return list;
            });
            view.clearCalls();
        }

        void write(const char* name, const QByteArray& bytes) const { writeFile(name, bytes, kModified); }
        bool exists(const char* name) const { return QFile::exists(QString::fromStdString(path(name))); }
        std::vector<std::string> rowPaths() const
        {
            std::vector<std::string> paths;
            for (const DuplicateRow& row : view.rows())
                paths.push_back(row.path);
            return paths;
        }
        // Selects the row of this file and answers the confirmation with Ok.
        void deleteFile(const char* name)
        {
            const auto rows = rowPaths();
            const auto at = std::find(rows.begin(), rows.end(), path(name));
            if (at == rows.end())
                qFatal("no row for %s", name);
            view.selectRow(static_cast<int>(at - rows.begin()));
            messages.scriptAnswer(MessageAnswer::Ok);
            deletion.run();
        }
    };

private slots:
    void theConfirmationAsksOnceAndCancelChangesNothingButThePreviews()
    {
        Bench<> b;
        b.view.setVisible(Control::Text2, true);
        b.view.setVisible(Control::Image2, true);
        b.view.selectRow(1);
        b.messages.scriptAnswer(MessageAnswer::Cancel);
        b.deletion.run();

        QCOMPARE(b.messages.callCount(), std::size_t(1));
        const MessageBoxCall& ask = b.messages.lastCall();
        QCOMPARE(ask.text, kConfirmation);
        QCOMPARE(ask.title, std::string("Borrado"));
        QCOMPARE(ask.buttons, MessageButtons::OkCancel);
        QCOMPARE(ask.icon, MessageIcon::Exclamation);
        QVERIFY(!b.view.isVisible(Control::Text2));
        QVERIFY(!b.view.isVisible(Control::Image2));
        QVERIFY(b.exists("b"));
        QCOMPARE(b.view.duplicateRowCount(), 5);
        QCOMPARE(b.view.caption(Control::Label3), std::string("  Archivos duplicados"));
    }

    void aDeletedTwinLosesItsFileAndRowAndIsLoggedAfterwards()
    {
        Bench<> b;
        b.view.setCaption(Control::Label1, b.path("d"));
        b.view.setCaption(Control::Label4, "10 bytes");
        b.deleteFile("b");

        QVERIFY(!b.exists("b"));
        QVERIFY(b.exists("a") && b.exists("c"));
        QCOMPARE(b.rowPaths(), (std::vector{b.path("a"), b.path("c"), b.path("d"), b.path("e")}));
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.view.caption(Control::Label1), std::string());
        QCOMPARE(b.view.caption(Control::Label4), std::string());
        QCOMPARE(b.view.caption(Control::Label5), std::string());
        QCOMPARE(b.view.caption(Control::Label3), std::string("4  Archivos"));
        QCOMPARE(b.view.caption(Control::Label6), std::string("4 archivos a procesar"));
        QVERIFY(b.view.indexOfCall("repaint Label3") > b.view.indexOfCall("caption Label3 4  Archivos"));
        QCOMPARE(b.view.fileNames(), (std::vector<std::string>{"a", "c", "d", "e"}));
        // The delete button keeps its state.
        QCOMPARE(b.view.countCalls("enable Command3") + b.view.countCalls("disable Command3"),
                 std::size_t(0));

        const std::string line = LineaArchivo({b.path("b"), 12, "1/6/2026 4:00:30"});
        QCOMPARE(b.logBytes(),
                 QByteArray::fromStdString(std::string(120, 'x') + "\r\n" + line + "\r\n" + "\xB7" +
                               std::string(100, ' ') + "Borrado el 7/12/2026 a las 5:30:09\r\n" +
                               std::string(120, 'x') + "\r\n"));
    }

    void aSelectedHeadRowDeletesTheReferenceAndKeepsItsTwins()
    {
        Bench<> b;
        b.deleteFile("d");
        QVERIFY(!b.exists("d"));
        QVERIFY(b.exists("e"));
        QCOMPARE(b.rowPaths(), (std::vector{b.path("a"), b.path("b"), b.path("c"), b.path("e")}));
    }

    void theLastCopyOfAGroupIsNeverDeleted()
    {
        Bench<> b;
        b.deleteFile("e");
        QVERIFY(!b.exists("e"));
        const QByteArray logAfterFirst = b.logBytes();

        b.deleteFile("d");
        QVERIFY(b.exists("d"));
        QCOMPARE(b.rowPaths(), (std::vector{b.path("a"), b.path("b"), b.path("c"), b.path("d")}));
        QCOMPARE(b.messages.callCount(), std::size_t(3));
        const MessageBoxCall& refusal = b.messages.lastCall();
        QCOMPARE(refusal.text, kNoCopyLeft);
        QCOMPARE(refusal.title, std::string("Borrado"));
        QCOMPARE(refusal.icon, MessageIcon::Critical);
        QCOMPARE(b.logBytes(), logAfterFirst);
        QCOMPARE(b.view.caption(Control::Label3), std::string("4  Archivos"));
    }

    void aFileChangedSinceTheAnalysisIsKept()
    {
        Bench<> b;
        b.write("e", "two copiez");
        b.deleteFile("d");
        QVERIFY(b.exists("d"));
        QCOMPARE(b.messages.lastCall().text, kNoCopyLeft);
        QCOMPARE(b.view.duplicateRowCount(), 5);
        QCOMPARE(b.logBytes(), kNoLog);
    }

    void aCopyThatCannotBeReadIsNoReasonToSayThereIsNone_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("faulty");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("its only copy refuses to open") << "d" << "e" << "open" << false;
        QTest::newRow("its only copy refuses its status") << "d" << "e" << "status" << false;
        QTest::newRow("its only copy fails midway") << "d" << "e" << "read" << false;
        QTest::newRow("the file itself refuses to open") << "d" << "d" << "open" << false;
        QTest::newRow("another copy confirms it") << "b" << "a" << "open" << true;
    }
    void aCopyThatCannotBeReadIsNoReasonToSayThereIsNone()
    {
        QFETCH(QString, target);
        QFETCH(QString, faulty);
        QFETCH(QString, fault);
        QFETCH(bool, deleted);
        Bench<> b;
        const std::string faultyPath = b.path(faulty.toUtf8().constData());
        if (fault == "open")
            b.files.failOpen(faultyPath, FileError::AccessDenied);
        else if (fault == "status")
            b.files.failStatus(faultyPath, FileError::AccessDenied);
        else
            b.files.failReadAfterBytes(faultyPath, 3);
        const std::string name = target.toStdString();
        b.deleteFile(name.c_str());
        QCOMPARE(b.exists(name.c_str()), !deleted);
        QCOMPARE(b.view.duplicateRowCount(), deleted ? 4 : 5);
        if (!deleted) {
            QCOMPARE(b.messages.lastCall().text, "No se puede borrar el archivo.\n" + b.path(name.c_str()));
            QCOMPARE(b.logBytes(), kNoLog);
        }
    }

    void aCopyThatIsOnlyAnotherNameOfTheSameFileDoesNotCount()
    {
        Bench<> b;
        QVERIFY(QFile::remove(QString::fromStdString(b.path("e"))));
        QVERIFY(QFile::link(QString::fromStdString(b.path("d")), QString::fromStdString(b.path("e"))));
        b.deleteFile("d");
        QVERIFY(b.exists("d"));
        QCOMPARE(b.messages.lastCall().text, kNoCopyLeft);
    }

    void copiesOutsideTheGroupDoNotCount()
    {
        Bench<> b;
        b.write("e", "three copies");
        b.view.removeDuplicateRow(4);
        b.deleteFile("d");
        QVERIFY(b.exists("d"));
        QCOMPARE(b.messages.lastCall().text, kNoCopyLeft);
    }

    void aFileThatMayNotBeDeletedKeepsItsRowAndIsNotLogged()
    {
        Bench<> b;
        b.files.failRemove(b.path("b"), FileError::AccessDenied);
        b.deleteFile("b");
        QVERIFY(b.exists("b"));
        QCOMPARE(b.messages.callCount(), std::size_t(2));
        const MessageBoxCall& refusal = b.messages.lastCall();
        QCOMPARE(refusal.text, "No se puede borrar el archivo.\n" + b.path("b"));
        QCOMPARE(refusal.title, std::string("Error con archivo"));
        QCOMPARE(refusal.buttons, MessageButtons::Ok);
        QCOMPARE(refusal.icon, MessageIcon::Critical);
        QCOMPARE(b.view.duplicateRowCount(), 5);
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.view.caption(Control::Label3), std::string("5  Archivos"));
        QCOMPARE(b.view.caption(Control::Label6), std::string("5 archivos a procesar"));
    }

    void aFileWhoseStatusIsRefusedIsNotDeleted()
    {
        Bench<> b;
        b.files.failStatus(b.path("b"), FileError::AccessDenied);
        b.deleteFile("b");
        QVERIFY(b.exists("b"));
        QCOMPARE(b.messages.lastCall().text, "No se puede borrar el archivo.\n" + b.path("b"));
        QCOMPARE(b.view.duplicateRowCount(), 5);
        QCOMPARE(b.logBytes(), kNoLog);
    }

    void aVanishedFileLosesItsRowWithoutARecord()
    {
        Bench<> b;
        QVERIFY(QFile::remove(QString::fromStdString(b.path("c"))));
        b.deleteFile("c");
        QCOMPARE(b.messages.lastCall().text, kVanished);
        QCOMPARE(b.messages.lastCall().title, std::string("Error con archivo"));
        QCOMPARE(b.messages.lastCall().icon, MessageIcon::Critical);
        QCOMPARE(b.rowPaths(), (std::vector{b.path("a"), b.path("b"), b.path("d"), b.path("e")}));
        QCOMPARE(b.logBytes(), kNoLog);
        QCOMPARE(b.view.caption(Control::Label6), std::string("4 archivos a procesar"));
    }

    void aFileThatVanishesAtTheMomentOfDeletionIsNotLogged()
    {
        Bench<> b;
        b.files.failRemove(b.path("c"), FileError::NotFound);
        b.deleteFile("c");
        QCOMPARE(b.messages.lastCall().text, kVanished);
        QCOMPARE(b.view.duplicateRowCount(), 4);
        QCOMPARE(b.logBytes(), kNoLog);
    }

    void aLogThatCannotBeWrittenDoesNotStopTheDeletion()
    {
        Bench<> b;
        QVERIFY(QDir(b.dir.path()).mkdir("Zelvo.log"));
        b.deleteFile("b");
        QVERIFY(!b.exists("b"));
        QCOMPARE(b.messages.lastCall().title, std::string("Error con archivo log"));
        QVERIFY(!b.logSwitch.isOn());
        QCOMPARE(b.view.duplicateRowCount(), 4);
    }

    void onlyTheRowsSelectedAtTheConfirmationAreDeleted()
    {
        Bench<NeighbourSelectingView> b;
        b.view.removeDuplicateRow(4);
        b.view.removeDuplicateRow(3);
        b.view.selectRow(2);
        b.messages.scriptAnswer(MessageAnswer::Ok);
        b.deletion.run();
        // c went; the selection then fell on b, which nobody chose.
        QVERIFY(!b.exists("c"));
        QVERIFY(b.exists("a") && b.exists("b"));
        QCOMPARE(b.messages.callCount(), std::size_t(1));
        QCOMPARE(b.rowPaths(), (std::vector{b.path("a"), b.path("b")}));
    }

    void withTheLogOffNothingIsLogged()
    {
        Bench<> b;
        b.logSwitch.turnOff();
        b.deleteFile("b");
        QVERIFY(!b.exists("b"));
        QCOMPARE(b.logBytes(), kNoLog);
    }

    void withNoRowSelectedOnlyTheCountsAreWritten()
    {
        Bench<> b;
        b.messages.scriptAnswer(MessageAnswer::Ok);
        b.deletion.run();
        for (const char* name : {"a", "b", "c", "d", "e"})
            QVERIFY(b.exists(name));
        QCOMPARE(b.view.caption(Control::Label3), std::string("5  Archivos"));
        QCOMPARE(b.view.caption(Control::Label6), std::string("5 archivos a procesar"));
        QCOMPARE(b.messages.callCount(), std::size_t(1));
    }
};

QTEST_APPLESS_MAIN(DuplicateDeletionTest)
#include "DuplicateDeletionTest.moc"
