#include "FaultBench.h"

#include "fakes/FakeHelpViewer.h"
#include "fakes/FakePictureLoader.h"
#include "fakes/FakeDrives.h"
#include "ui/main/DirectoryList.h"
#include "ui/main/DuplicateRowModel.h"
#include "ui/main/FileNameModel.h"
#include "ui/main/PictureButton.h"
#include "ui/main/Form1.h"
#include "ui/main/RowListView.h"
#include "ui/viewer/Form2.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>

#include <memory>

using namespace zelvo;
using namespace zelvo::faults;

namespace {

const std::string kNoLogText = "El archivo Zelvo.log aún no existe\n\rActive la captura en menú Archivo";

// The main window started in a folder of its own, over the real disk with
// the fault-injecting file system in between. The process's working folder
// (where Zelvo.log goes) is that folder while the window lives.
struct Window {
    explicit Window(const std::string& start)
        : previous(QDir::currentPath())
    {
        QDir::setCurrent(QString::fromStdString(start));
        form = std::make_unique<Form1>(
            PlatformServices{files, dates, messages, pictures, help, drives});
        form->setProgramEnd([] {});
    }
    ~Window()
    {
        form.reset();
        QDir::setCurrent(previous);
    }

    // The row of a list whose raw bytes (name or path) are `bytes`, or -1.
    static int rowWithBytes(QAbstractItemView* list, int role, const std::string& bytes)
    {
        for (int row = 0; row < list->model()->rowCount(); ++row)
            if (list->model()->index(row, 0).data(role).toByteArray().toStdString() == bytes)
                return row;
        return -1;
    }
    void clickRow(QAbstractItemView* list, int row)
    {
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(index).center());
    }
    // The open log viewer, if any.
    static Form2* viewer()
    {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* form = qobject_cast<Form2*>(top); form && !form->isHidden())
                return form;
        return nullptr;
    }
    static QStringList rowsOf(const QAbstractItemModel& model)
    {
        QStringList rows;
        for (int row = 0; row < model.rowCount(); ++row)
            rows << model.index(row, 0).data().toString();
        return rows;
    }

    QString previous;
    PosixFileSystem disk;
    FaultyFileSystem files{disk};
    FakeDateText dates{kNow};
    FakeMessageBox messages;
    FakePictureLoader pictures;
    FakeHelpViewer help;
    FakeDrives drives{{"/"}};
    std::unique_ptr<Form1> form;
};

} // namespace

// The main window and the log viewer while the folder, the files and the log
// change or fail under them: no crash, no lost file, the lists and counts
// true to the disk afterwards.
class WindowFaultsTest : public QObject {
    Q_OBJECT

private slots:
    void aFolderRemovedWhileShownIsAnalysedAndRescannedAsEmpty()
    {
        FaultBench bench;
        const std::string shown = bench.path("shown");
        QVERIFY(makeFolder(shown));
        QVERIFY(writeFile(shown + "/a", "same"));
        QVERIFY(writeFile(shown + "/b", "same"));
        QVERIFY(writeFile(bench.path("above.txt"), "one file above"));
        Window window(shown);
        QCOMPARE(window.form->NumArchivos(), std::size_t(2));
        QVERIFY(removeTree(shown));

        window.form->Command1_Click();
        QCOMPARE(window.form->List1->model()->rowCount(), 0);
        QCOMPARE(window.form->Label6->text(), QString("0 archivos a procesar"));
        QCOMPARE(window.form->Label3->text(), QString("0 Archivos duplicados"));
        QVERIFY(!window.form->Command3->isEnabled());
        QCOMPARE(window.messages.callCount(), std::size_t(1));
        QCOMPARE(window.messages.lastCall().text, "No existe la carpeta «" + shown + "».");

        // A new pattern shows the counts of 0 without telling it again.
        window.form->Option5_Click();
        QCOMPARE(window.messages.callCount(), std::size_t(1));
        QCOMPARE(window.form->fileListCount(), 0);
        QCOMPARE(window.form->Label6->text(), QString("0 archivos a procesar"));

        // The folder above is still there and can be entered.
        const int parent = window.form->Dir1->currentFolderRow() - 1;
        QVERIFY(parent >= 0);
        window.form->Dir1->openRow(parent);
        QCOMPARE(window.form->folder(), bench.folder());
        QCOMPARE(window.form->fileListCount(), 1);
        QCOMPARE(window.form->Label6->text(), QString("1 archivos a procesar"));
    }

    void aSubfolderRemovedBeforeItIsOpenedIsNotEntered()
    {
        FaultBench bench;
        QVERIFY(makeFolder(bench.path("gone")));
        QVERIFY(writeFile(bench.path("here.txt"), "here"));
        Window window(bench.folder());
        int row = -1;
        for (int i = 0; i < window.form->Dir1->count(); ++i)
            if (window.form->Dir1->item(i)->text() == "gone")
                row = i;
        QVERIFY(row > window.form->Dir1->currentFolderRow());
        QVERIFY(removeTree(bench.path("gone")));

        window.form->Dir1->openRow(row);

        QCOMPARE(window.form->folder(), bench.folder());
        for (int i = 0; i < window.form->Dir1->count(); ++i)
            QVERIFY(window.form->Dir1->item(i)->text() != "gone");
        QCOMPARE(window.form->fileListCount(), 1);
    }

    void aFolderThatRefusesToBeListedShowsNoFilesAndAnalysesNothing()
    {
        // Root lists any folder whatever its permission bits: the refusal is
        // scripted.
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        Window window(bench.folder());
        QCOMPARE(window.form->fileListCount(), 2);
        window.files.failOperation(bench.folder(), FsOperation::List, FileError::AccessDenied);

        window.form->Option5_Click();
        QCOMPARE(window.form->fileListCount(), 0);
        window.form->Command1_Click();

        QCOMPARE(window.form->List1->model()->rowCount(), 0);
        QCOMPARE(window.form->Label6->text(), QString("0 archivos a procesar"));
        QCOMPARE(window.form->Label3->text(), QString("0 Archivos duplicados"));
        QCOMPARE(window.messages.callCount(), std::size_t(1));
        const MessageBoxCall& told = window.messages.lastCall();
        QCOMPARE(told.text, "No tiene permiso para abrir la carpeta «" + bench.folder() + "».");
        QCOMPARE(told.title, std::string("Zelvo"));
        QCOMPARE(told.icon, MessageIcon::Critical);
        QVERIFY(exists(bench.path("a")) && exists(bench.path("b")));
    }

    // Whenever the folder is listed at start-up, after a change of folder
    // and on "Analizar", one that cannot be listed is named with its cause,
    // and the counts read 0.
    void aFolderThatCannotBeListedIsToldAtEachMoment_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("told");
        const QString refused = QStringLiteral("No tiene permiso para abrir la carpeta «%1».");
        const QString gone = QStringLiteral("No existe la carpeta «%1».");
        const QString other = QStringLiteral("No se puede abrir la carpeta «%1».");
        QTest::newRow("start-up, refused") << "start" << int(FileError::AccessDenied) << refused;
        QTest::newRow("start-up, removed") << "removed start" << int(FileError::NotFound) << gone;
        QTest::newRow("folder change, refused") << "open" << int(FileError::AccessDenied) << refused;
        QTest::newRow("folder change, failing") << "open" << int(FileError::Other) << other;
        QTest::newRow("Analizar, gone") << "analyse" << int(FileError::NotFound) << gone;
    }

    void aFolderThatCannotBeListedIsToldAtEachMoment()
    {
        QFETCH(QString, moment);
        QFETCH(int, failure);
        QFETCH(QString, told);
        FaultBench bench;
        const std::string folder = bench.path("fotos");
        QVERIFY(makeFolder(folder));
        QVERIFY(writeFile(folder + "/a", "same"));
        QVERIFY(writeFile(folder + "/b", "same"));
        const bool startsThere = moment != "open";
        // The window starts in the working folder, which a removed start
        // folder stays; the runner's own comes back at the end.
        struct Back {
            QString folder = QDir::currentPath();
            ~Back() { QDir::setCurrent(folder); }
        } back;
        QDir::setCurrent(QString::fromStdString(startsThere ? folder : bench.folder()));
        if (moment == "removed start")
            QVERIFY(removeTree(folder));
        Window window(startsThere ? "." : bench.folder());
        const FileError error = FileError(failure);
        if (moment == "start") {
            window.files.failOperation(folder, FsOperation::List, error);
            window.form->Form_Load();
        } else if (moment == "open") {
            window.files.failOperation(folder, FsOperation::List, error);
            const int row = Window::rowWithBytes(window.form->Dir1, DirectoryList::RawPathRole, folder);
            QVERIFY(row > window.form->Dir1->currentFolderRow());
            window.form->Dir1->openRow(row);
        } else if (moment == "analyse") {
            QVERIFY(removeTree(folder));
            window.form->Command1_Click();
        }
        // The start-up box waits for the event loop.
        QCOMPARE(window.messages.callCount(), std::size_t(moment.contains("start") ? 0 : 1));
        QCoreApplication::processEvents();

        QCOMPARE(window.form->folder(), folder);
        QCOMPARE(window.messages.callCount(), std::size_t(1));
        QCOMPARE(QString::fromStdString(window.messages.lastCall().text), told.arg(QString::fromStdString(folder)));
        QCOMPARE(window.form->Label6->text(), QString("0 archivos a procesar"));
        QCOMPARE(window.form->fileListCount(), 0);
        QCOMPARE(window.form->List1->model()->rowCount(), 0);
    }

    void theLogErasedWhileTheViewerIsOpenLeavesTheViewerAsItWas()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        Window window(bench.folder());
        window.form->log->setChecked(true);
        window.form->Command1_Click();
        const std::string log = bench.path("Zelvo.log");
        QVERIFY(exists(log));

        window.form->ver_Click();
        Form2* viewer = Window::viewer();
        QVERIFY(viewer);
        const QStringList shown = Window::rowsOf(viewer->rows());
        QCOMPARE(shown.size(), 4);

        window.messages.scriptAnswer(MessageAnswer::Yes);
        window.form->BorraLog_Click();
        QVERIFY(!exists(log));
        QCOMPARE(Window::viewer(), viewer);
        QCOMPARE(Window::rowsOf(viewer->rows()), shown);
        window.form->ver_Click();
        QCOMPARE(Window::rowsOf(viewer->rows()), shown);

        // Closed and opened again, the viewer finds no log and says so.
        QPointer<Form2> closing(viewer);
        viewer->Command1_Click();
        QTRY_VERIFY(closing.isNull());
        window.messages.clear();
        window.form->ver_Click();
        QVERIFY(!Window::viewer());
        QCOMPARE(window.messages.calls().size(), std::size_t(1));
        QCOMPARE(window.messages.lastCall().text, kNoLogText);
    }

    void aFolderNamedZelvoLogSwitchesTheLogOffAndTheViewerOpensEmpty()
    {
        FaultBench bench;
        QVERIFY(writeFile(bench.path("a"), "same"));
        QVERIFY(writeFile(bench.path("b"), "same"));
        QVERIFY(makeFolder(bench.path("Zelvo.log")));
        Window window(bench.folder());
        window.form->log->setChecked(true);

        window.form->Command1_Click();

        QCOMPARE(window.form->List1->model()->rowCount(), 2);
        QVERIFY(!window.form->log->isChecked());
        QCOMPARE(window.messages.calls().size(), std::size_t(1));
        QCOMPARE(window.messages.lastCall().title, std::string("Error con archivo log"));

        window.form->ver_Click();
        Form2* viewer = Window::viewer();
        QVERIFY(viewer);
        QCOMPARE(viewer->rows().rowCount(), 0);
        QCOMPARE(window.messages.calls().size(), std::size_t(1));
        viewer->Command1_Click();
    }

    void aFolderWhoseNameIsNotUtf8IsEnteredAnalysedAndCleanedAsItself()
    {
        FaultBench bench;
        // Two folders that display alike: Latin-1 and UTF-8 spellings.
        const std::string latin1 = bench.path("Ni\xF1os");
        const std::string utf8 = bench.path("Ni\xC3\xB1os");
        for (const std::string& folder : {latin1, utf8}) {
            QVERIFY(makeFolder(folder));
            QVERIFY(writeFile(folder + "/a", "copia"));
            QVERIFY(writeFile(folder + "/b", "copia"));
        }
        Window window(bench.folder());
        const int row = Window::rowWithBytes(window.form->Dir1, DirectoryList::RawPathRole, latin1);
        QVERIFY(row > window.form->Dir1->currentFolderRow());

        window.form->Dir1->openRow(row);
        QCOMPARE(window.form->folder(), latin1);
        QCOMPARE(window.form->fileListCount(), 2);
        window.form->Command1_Click();
        QCOMPARE(window.form->List1->model()->rowCount(), 2);
        const int twin = Window::rowWithBytes(window.form->List1, DuplicateRowModel::RawPathRole,
                                              latin1 + "/b");
        QVERIFY(twin >= 0);
        window.form->List1->setCurrentIndex(window.form->List1->model()->index(twin, 0));
        window.form->Command3_Click();

        QVERIFY(!exists(latin1 + "/b"));
        QVERIFY(exists(latin1 + "/a"));
        QVERIFY(exists(utf8 + "/a") && exists(utf8 + "/b"));
        QCOMPARE(window.form->Label6->text(), QString("1 archivos a procesar"));
    }

    void aFileOverFourGiBShowsItsWholeSizeInTheListingAndThePanel()
    {
        FaultBench bench;
        const ByteCount size = (ByteCount(1) << 32) + 1;
        QVERIFY(writeSparseFile(bench.path("big.bin"), size, "Z"));
        Window window(bench.folder());
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));
        QCOMPARE(window.form->listing().sizes, std::vector<ByteCount>{size});

        window.clickRow(window.form->File1, 0);

        QCOMPARE(window.form->Label4->text(), QString("4294967297 bytes"));
        // The preview reads the file's start only, not its 4 GiB.
        QVERIFY(window.files.bytesRead(bench.path("big.bin")) <= ByteCount(1) << 20);
    }

    void namesThatAreNotUtf8ArePreviewedAndDeletedAsThemselves()
    {
        FaultBench bench;
        const std::string latin1 = "caf\xE9.txt";
        const std::string utf8 = "caf\xC3\xA9.txt";
        const std::string raw = "\xFF\xFE.txt";
        QVERIFY(writeFile(bench.path(latin1), "latin,uno"));
        QVERIFY(writeFile(bench.path(utf8), "utf8,dos"));
        QVERIFY(writeFile(bench.path(raw), "bytes,tres"));
        Window window(bench.folder());
        window.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.form.get()));

        const std::pair<std::string, QString> previews[] = {
            {latin1, "latin\nuno\n"}, {utf8, "utf8\ndos\n"}, {raw, "bytes\ntres\n"}};
        for (const auto& [name, preview] : previews) {
            const int row = Window::rowWithBytes(window.form->File1, FileNameModel::RawNameRole, name);
            QVERIFY(row >= 0);
            window.clickRow(window.form->File1, row);
            QCOMPARE(window.form->Text2->toPlainText(), preview);
            QCOMPARE(window.form->Label4->text(),
                     QString::number(readFile(bench.path(name)).size()) + " bytes");
        }

        // Made identical, the two look-alikes pair; deleting one keeps the
        // other, byte for byte.
        QVERIFY(writeFile(bench.path(latin1), "mismo"));
        QVERIFY(writeFile(bench.path(utf8), "mismo"));
        window.form->Option5_Click();
        window.form->Command1_Click();
        QCOMPARE(window.form->List1->model()->rowCount(), 2);
        const int row = Window::rowWithBytes(window.form->List1, DuplicateRowModel::RawPathRole,
                                             bench.path(latin1));
        QVERIFY(row >= 0);
        window.clickRow(window.form->List1, row);
        QCOMPARE(window.form->Text2->toPlainText(), QString("mismo\n"));
        window.form->Command3_Click();

        QVERIFY(!exists(bench.path(latin1)));
        QCOMPARE(readFile(bench.path(utf8)), std::string("mismo"));
        QCOMPARE(readFile(bench.path(raw)), std::string("bytes,tres"));
        QCOMPARE(window.form->List1->model()->rowCount(), 1);
    }
};

QTEST_MAIN(WindowFaultsTest)
#include "WindowFaultsTest.moc"
