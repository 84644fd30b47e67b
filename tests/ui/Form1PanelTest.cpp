#include "Form1Harness.h"
#include "fakes/FaultyFileSystem.h"
#include "ui/main/DuplicateRowModel.h"
#include "ui/main/RowListView.h"

#include <QImage>
#include <QPlainTextEdit>
#include <QTemporaryDir>

using namespace zelvo;

class Form1PanelTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
        writeFile(path("palabras.txt"), "uno,dos\r\ntres\r\n");
        QImage picture(40, 30, QImage::Format_RGB32);
        picture.fill(QColor(20, 120, 220));
        QVERIFY(picture.save(path("foto.jpg"), "JPEG"));
    }

    void aTextFileShowsItsPathSizeDateAndFirstFields()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        clickFile(w, "palabras.txt");

        QCOMPARE(w.Label1->text(), path("palabras.txt"));
        QCOMPARE(w.Label4->text(), QStringLiteral("15 bytes"));
        const std::string date = harness.dates.generalDate(
            harness.disk.status(raw(path("palabras.txt")))->modified);
        QCOMPARE(w.Label5->text(), QString::fromStdString(date));
        for (QWidget* shown : std::initializer_list<QWidget*>{w.Label1, w.Label4, w.Label5, w.Text2})
            QVERIFY(!shown->isHidden());
        // One field a line: the line end of each field shows as a break.
        QCOMPARE(w.Text2->toPlainText(), QStringLiteral("uno\ndos\ntres\n"));
        QVERIFY(w.Image2->isHidden());
    }

    void aJpegShowsThePictureStretchedInsteadOfTheText()
    {
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        clickFile(w, "foto.jpg");

        QVERIFY(w.Text2->isHidden());
        QVERIFY(!w.Image2->isHidden());
        QCOMPARE(w.Image2->pixmap().size(), QSize(40, 30));
        QVERIFY(w.Image2->hasScaledContents());
        QCOMPARE(w.Label4->text(),
                 QString::number(QFileInfo(path("foto.jpg")).size()) + QStringLiteral(" bytes"));

        // A text file afterwards covers the picture but does not take it away.
        clickFile(w, "palabras.txt");
        QVERIFY(!w.Text2->isHidden());
        QVERIFY(!w.Image2->isHidden());
        QCOMPARE(w.Text2->toPlainText(), QStringLiteral("uno\ndos\ntres\n"));
    }

    void thePreviewStopsAfterFiveFields()
    {
        writeFile(path("muchos.txt"), "a,b,c\nd,\"e,f\",g,h\n");
        Form1Harness harness(m_folder->path());
        clickFile(*harness.window, "muchos.txt");
        QCOMPARE(harness.window->Text2->toPlainText(), QStringLiteral("a\nb\nc\nd\ne,f\n"));
    }

    void anEmptyFileGivesAnEmptyPreview()
    {
        writeFile(path("vacio.txt"), "");
        Form1Harness harness(m_folder->path());
        clickFile(*harness.window, "vacio.txt");
        QVERIFY(!harness.window->Text2->isHidden());
        QCOMPARE(harness.window->Text2->toPlainText(), QString());
        QCOMPARE(harness.window->Label4->text(), QStringLiteral("0 bytes"));
    }

    void aLargeFileWithoutSeparatorsIsReadOnlyAtItsStart()
    {
        writeFile(path("grande.bin"), QByteArray(4 * 1024 * 1024, 'x'));
        PosixFileSystem disk;
        FaultyFileSystem counting(disk);
        Form1Harness harness(m_folder->path(), &counting);
        counting.resetCounters();
        clickFile(*harness.window, "grande.bin");

        QVERIFY(counting.bytesRead(raw(path("grande.bin"))) <= 64 * 1024);
        QCOMPARE(harness.window->Text2->toPlainText(), QString(64 * 1024, 'x') + "\n");
        QCOMPARE(counting.openReaders(), 0);
    }

    void textThatIsNotUtf8IsShownAsWindows1252()
    {
        writeFile(path("latin.txt"), "caf\xE9,se\xF1or\n");
        Form1Harness harness(m_folder->path());
        clickFile(*harness.window, "latin.txt");
        QCOMPARE(harness.window->Text2->toPlainText(), QStringLiteral("café\nseñor\n"));
    }

    void aNameThatIsNotUtf8KeepsItsBytesOnItsWayToTheDisk()
    {
        const QByteArray name("se\xF1or.txt");
        const std::string full = raw(m_folder->path()) + "/" + name.toStdString();
        FILE* file = std::fopen(full.c_str(), "wb");
        QVERIFY(file);
        std::fputs("hola", file);
        std::fclose(file);

        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        const int row = Form1Harness::rowOf(w.File1, QStringLiteral("señor.txt"));
        QVERIFY(row >= 0);
        Form1Harness::clickRow(w.File1, row);
        QCOMPARE(w.Label4->text(), QStringLiteral("4 bytes"));
        QCOMPARE(w.Text2->toPlainText(), QStringLiteral("hola\n"));
    }

    void aHeadRowShowsItsPathWithoutTheMarker()
    {
        writeFile(path("copia.txt"), "uno,dos\r\ntres\r\n");
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();
        const QStringList rows = Form1Harness::rowsOf(w.List1);
        QCOMPARE(rows.size(), 2);
        QVERIFY(rows[0].startsWith(QStringLiteral("····> ")));

        Form1Harness::clickRow(w.List1, 0);
        QCOMPARE(w.Label1->text(), rows[0].mid(6));
        QCOMPARE(w.Text2->toPlainText(), QStringLiteral("uno\ndos\ntres\n"));

        Form1Harness::clickRow(w.List1, 1);
        QCOMPARE(w.Label1->text(), rows[1]);
        QCOMPARE(w.Label4->text(), QStringLiteral("15 bytes"));
    }

    void aRowWhoseFileVanishedShowsItsPathAloneQuietly()
    {
        writeFile(path("copia.txt"), "uno,dos\r\ntres\r\n");
        Form1Harness harness(m_folder->path());
        Form1& w = *harness.window;
        w.Command1_Click();
        Form1Harness::clickRow(w.List1, 0);
        QVERIFY(!w.Label4->text().isEmpty() && !w.Text2->toPlainText().isEmpty());

        const QString twin = Form1Harness::rowsOf(w.List1)[1];
        QVERIFY(QFile::remove(twin));
        Form1Harness::clickRow(w.List1, 1);

        // Nothing of the file shown before stays under this path.
        QCOMPARE(w.Label1->text(), twin);
        QCOMPARE(w.Label4->text(), QString());
        QCOMPARE(w.Label5->text(), QString());
        QCOMPARE(w.Text2->toPlainText(), QString());
        QCOMPARE(harness.messages.callCount(), std::size_t(0));
    }

private:
    QString path(const QString& name) const { return m_folder->filePath(name); }

    static void clickFile(Form1& w, const QString& name)
    {
        const int row = Form1Harness::rowOf(w.File1, name);
        QVERIFY2(row >= 0, qPrintable(name));
        Form1Harness::clickRow(w.File1, row);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_MAIN(Form1PanelTest)
#include "Form1PanelTest.moc"
