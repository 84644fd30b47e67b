#include "Form1Harness.h"
#include "ui/main/PictureButton.h"
#include "ui/main/RowListView.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>

using namespace zelvo;

namespace {

const std::string kRetryText = "El dispositivo no esta listo.\n\xC2\xBFVolver a intentarlo?";

} // namespace

class Form1NavigationTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        // Ten files, three of them JPEG pictures in either letter case, two
        // of them identical; a subfolder with two files of its own.
        const QStringList names{"uno.txt", "dos.TXT", "foto1.jpg", "FOTO2.JPG", "foto3.Jpg",
                                "cancion.mp3", "video.avi", "notas", "datos.csv", "zz.txt"};
        for (int i = 0; i < names.size(); ++i)
            writeFile(path(names[i]), QByteArray(10 + i, 'a' + char(i)));
        writeFile(path("zz.txt"), QByteArray(10, 'a'));
        QVERIFY(QDir(m_folder->path()).mkdir("sub"));
        writeFile(path("sub/x.txt"), "x");
        writeFile(path("sub/y.jpg"), "yy");
    }

    void openingASubfolderListsItAndCountsItsFiles()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        QCOMPARE(w.Label6->text(), QStringLiteral("10 archivos a procesar"));
        // The panel shows a file before the folder changes.
        Form1Harness::clickRow(w.File1, 0);
        QVERIFY(!w.Label4->isHidden());

        harness.openFolder("sub");

        QCOMPARE(w.Dir1->path(), raw(path("sub")));
        QCOMPARE(Form1Harness::rowsOf(w.File1), (QStringList{"x.txt", "y.jpg"}));
        QCOMPARE(w.NumArchivos(), std::size_t(2));
        QCOMPARE(w.listing().paths.toVector(),
                 (std::vector<std::string>{raw(path("sub/x.txt")), raw(path("sub/y.jpg"))}));
        QCOMPARE(w.Label6->text(), QStringLiteral("2 archivos a procesar"));
        QCOMPARE(w.Label3->text(), QStringLiteral("  Archivos duplicados"));
        // The folder change hides the panel and leaves Label1 visible, empty.
        for (QWidget* hidden : std::initializer_list<QWidget*>{w.Text2, w.Image2, w.Label4, w.Label5})
            QVERIFY(hidden->isHidden());
        QVERIFY(!w.Label1->isHidden());
        QVERIFY(w.Label1->text().isEmpty());
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    void aFolderChangeEmptiesTheDuplicatesListAndDisablesBorrar()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();
        QCOMPARE(w.List1->model()->rowCount(), 2);
        QVERIFY(w.Command3->isEnabled());

        harness.openFolder("sub");
        QCOMPARE(w.List1->model()->rowCount(), 0);
        QVERIFY(!w.Command3->isEnabled());
    }

    void anEmptyFolderCountsZero()
    {
        QVERIFY(QDir(m_folder->path()).mkdir("empty"));
        Form1Harness harness(m_folder->path());
        harness.openFolder("empty");
        QCOMPARE(harness.window->Label6->text(), QStringLiteral("0 archivos a procesar"));
        QVERIFY(harness.window->listing().paths.empty());
    }

    void choosingJpgListsOnlyJpegFilesInAnyLetterCase()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Option1->click();
        QCOMPARE(w.pattern(), std::string("*.JPG"));
        QCOMPARE(Form1Harness::rowsOf(w.File1),
                 (QStringList{"foto1.jpg", "FOTO2.JPG", "foto3.Jpg"}));
        QCOMPARE(w.NumArchivos(), std::size_t(3));
        QCOMPARE(w.Label6->text(), QStringLiteral("3 archivos a procesar"));
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
        QVERIFY(w.Text1->isHidden());
        QCOMPARE(w.List1->model()->rowCount(), 0);
        // The filter stays in force in another folder.
        harness.openFolder("sub");
        QCOMPARE(Form1Harness::rowsOf(w.File1), QStringList{"y.jpg"});
    }

    void eachOptionButtonAppliesItsPattern_data()
    {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("count");
        QTest::newRow("MP3") << 2 << "*.MP3" << 1;
        QTest::newRow("AVI") << 3 << "*.AVI" << 1;
        QTest::newRow("Todos") << 5 << "*.*" << 10;
    }

    void eachOptionButtonAppliesItsPattern()
    {
        QFETCH(int, option);
        QFETCH(QString, pattern);
        QFETCH(int, count);
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        QRadioButton* options[]{w.Option1, w.Option2, w.Option3, w.Option4, w.Option5};
        w.Option1->click();
        options[option - 1]->click();
        QCOMPARE(QString::fromStdString(w.pattern()), pattern);
        QCOMPARE(w.fileListCount(), count);
        QCOMPARE(w.Label6->text(), QString::number(count) + " archivos a procesar");
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
    }

    void theFilterCaptionDiffersFromTheScanCaption()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        QCOMPARE(w.Label3->text(), QStringLiteral("  Archivos duplicados"));
        w.Option3->click();
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
        harness.openFolder("sub");
        QCOMPARE(w.Label3->text(), QStringLiteral("  Archivos duplicados"));
    }

    void otrosShowsText1AndAppliesItsTextAtOnce()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Option4->click();
        QVERIFY(!w.Text1->isHidden());
        QCOMPARE(w.Text1->text(), QStringLiteral("*.*"));
        QCOMPARE(w.fileListCount(), 10);
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
        w.Option5->click();
        QVERIFY(w.Text1->isHidden());
    }

    void everyKeystrokeInText1Rescans()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        QVERIFY(harness.showActive());
        w.Option4->click();
        w.Text1->selectAll();
        // Connected after the window, so it sees each keystroke's result.
        std::vector<std::pair<QString, std::size_t>> seen;
        connect(w.Text1, &QLineEdit::textChanged, this,
                [&](const QString& text) { seen.emplace_back(text, w.NumArchivos()); });
        QTest::keyClicks(w.Text1, "*.txt");
        QCOMPARE(seen.size(), std::size_t(5));
        QCOMPARE(seen.front(), std::make_pair(QStringLiteral("*"), std::size_t(10)));
        QCOMPARE(seen.back(), std::make_pair(QStringLiteral("*.txt"), std::size_t(3)));
        QCOMPARE(w.Label6->text(), QStringLiteral("3 archivos a procesar"));
        QCOMPARE(w.Label3->text(), QStringLiteral("0 archivos duplicados"));
    }

    void patternsAreAppliedUncheckedAndNeverCrash_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<int>("count");
        QTest::newRow("a folder separator") << "sub/*" << 0;
        QTest::newRow("a control character") << "*\x01" << 0;
        QTest::newRow("only dots") << ".." << 0;
        QTest::newRow("an unclosed bracket") << "[*" << 0;
        QTest::newRow("empty") << "" << 10;
    }

    void patternsAreAppliedUncheckedAndNeverCrash()
    {
        QFETCH(QString, pattern);
        QFETCH(int, count);
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Option4->click();
        w.Text1->setText(pattern);
        QCOMPARE(w.fileListCount(), count);
        QCOMPARE(w.Label6->text(), QString::number(count) + " archivos a procesar");
    }

    void choosingAFilterHidesTheInformationPanel()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        Form1Harness::clickRow(w.File1, Form1Harness::rowOf(w.File1, "uno.txt"));
        QVERIFY(!w.Text2->isHidden());
        QVERIFY(!w.Label1->isHidden());
        w.Option2->click();
        for (QWidget* panel : std::initializer_list<QWidget*>{w.Text2, w.Image2, w.Label1, w.Label4, w.Label5})
            QVERIFY(panel->isHidden());
    }

    void aDriveThatIsNotReadyIsRetriedUntilItIs()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        harness.drives.setMountPoints({"/", "/media/usb"});
        harness.drives.setFolder("/media/usb", raw(path("sub")));
        harness.drives.setNotReady("/media/usb", 2);
        w.Drive1->addItem("/media/usb", QByteArray("/media/usb"));

        w.Drive1->setCurrentIndex(w.Drive1->count() - 1);

        QCOMPARE(harness.messages.callCount(), std::size_t(2));
        const MessageBoxCall& question = harness.messages.lastCall();
        QCOMPARE(question.text, kRetryText);
        QCOMPARE(question.title, std::string("Errores con dispositivos"));
        QCOMPARE(question.buttons, MessageButtons::OkCancel);
        QCOMPARE(question.icon, MessageIcon::None);
        QCOMPARE(harness.drives.enterCalls().size(), std::size_t(3));
        QCOMPARE(w.Dir1->path(), raw(path("sub")));
        QCOMPARE(w.Label6->text(), QStringLiteral("2 archivos a procesar"));
    }

    void cancellingTheRetryLeavesThePreviousFolder()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        harness.drives.setNotReady("/media/cd");
        harness.messages.scriptAnswer(MessageAnswer::Cancel);
        w.Drive1->addItem("/media/cd", QByteArray("/media/cd"));

        w.Drive1->setCurrentIndex(w.Drive1->count() - 1);

        QCOMPARE(harness.messages.callCount(), std::size_t(1));
        QCOMPARE(w.Drive1->currentText(), QStringLiteral("/media/cd"));
        QCOMPARE(w.Dir1->path(), raw(m_folder->path()));
        QCOMPARE(w.Label6->text(), QStringLiteral("10 archivos a procesar"));
        QCOMPARE(w.NumArchivos(), std::size_t(10));
    }

    void aDriveFailingOtherwiseChangesNothingAndSaysNothing()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        harness.drives.setEnterError("/mnt/broken", FileError::AccessDenied);
        w.Drive1->addItem("/mnt/broken", QByteArray("/mnt/broken"));
        w.Drive1->setCurrentIndex(w.Drive1->count() - 1);
        QCOMPARE(harness.messages.callCount(), std::size_t(0));
        QCOMPARE(w.Dir1->path(), raw(m_folder->path()));
    }

    void theDriveListIsReadAgainWhenItOpensWithoutChangingTheDrive()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        QCOMPARE(w.Drive1->count(), 1);
        harness.drives.setMountPoints({"/", "/media/usb"});
        w.Drive1->showPopup();
        w.Drive1->hidePopup();
        QCOMPARE(w.Drive1->count(), 2);
        QCOMPARE(w.Drive1->currentText(), QStringLiteral("/"));
        // A chosen drive that has gone stays listed while it is chosen.
        harness.drives.setMountPoints({"/media/usb"});
        w.Drive1->refresh();
        QCOMPARE(w.Drive1->count(), 2);
        QCOMPARE(w.Drive1->currentText(), QStringLiteral("/"));
        QVERIFY(harness.drives.enterCalls().empty());
        QCOMPARE(w.Label6->text(), QStringLiteral("10 archivos a procesar"));
    }

    void theStartDriveIsTheDeepestMountPointHoldingTheFolder()
    {
        const QString previous = QDir::currentPath();
        QDir::setCurrent(m_folder->path());
        // "/tm" is a prefix of "/tmp" by letters, not by folders.
        FakeDrives drives({"/", "/tm", raw(QDir::tempPath()), "/var"});
        PosixFileSystem disk;
        FakeDateText dates;
        FakeMessageBox messages;
        QtPictureLoader pictures;
        FakeHelpViewer help;
        {
            Form1 w({disk, dates, messages, pictures, help, drives});
            QCOMPARE(w.Drive1->count(), 4);
            QCOMPARE(w.Drive1->currentText(), QDir::tempPath());
            // Choosing the start drive enters nothing.
            QVERIFY(drives.enterCalls().empty());
        }
        QDir::setCurrent(previous);
    }

private:
    QString path(const QString& name) const { return m_folder->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(Form1NavigationTest)
#include "Form1NavigationTest.moc"
