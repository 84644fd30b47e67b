#include "platform/QtHelpViewer.h"

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace zelvo;

namespace {

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(contents);
}

QByteArray page(const char* title, const char* body)
{
    return QByteArray("<html><head><meta charset=\"utf-8\"><title>") + title +
           "</title></head><body>" + body + "</body></html>";
}

int helpWindowCount()
{
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += qobject_cast<QTextBrowser*>(widget) != nullptr;
    return count;
}

} // namespace

class QtHelpViewerTest : public QObject {
    Q_OBJECT
  private slots:
    void missingHelpFileIsReportedInSpanishInTheHelpWindow()
    {
        QTemporaryDir empty;
        QtHelpViewer viewer({empty.path()});
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);

        QTextBrowser* window = viewer.window();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QVERIFY(window->toPlainText().contains(
            QStringLiteral("No se encuentra el archivo de ayuda Zelvo.hlp.")));
        QVERIFY(window->toPlainText().contains(empty.path()));
    }

    void helpFileIsTakenFromTheFirstFolderThatHoldsIt()
    {
        QTemporaryDir first, second, third;
        writeFile(second.filePath("Zelvo.hlp"),
                  page("Segunda", "<p>Texto de la segunda carpeta</p>"));
        writeFile(third.filePath("Zelvo.hlp"),
                  page("Tercera", "<p>Texto de la tercera carpeta</p>"));
        QtHelpViewer viewer({first.path(), second.path(), third.path()});

        QCOMPARE(viewer.locate("Zelvo.hlp"), second.filePath("Zelvo.hlp"));
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QCOMPARE(viewer.window()->toPlainText().trimmed(),
                 QStringLiteral("Texto de la segunda carpeta"));
        QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Segunda"));
        QVERIFY(viewer.locate("Otro.hlp").isEmpty());
    }

    void everyRequestReusesTheOneHelpWindowAndReadsTheFileAgain()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("Zelvo.hlp");
        writeFile(file, page("Ayuda", "<p>Primera edición</p>"));
        QtHelpViewer viewer({folder.path()});

        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QTextBrowser* first = viewer.window();
        first->close();
        writeFile(file, page("Ayuda", "<p>Segunda edición</p>"));
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);

        QCOMPARE(viewer.window(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->toPlainText().trimmed(), QStringLiteral("Segunda edición"));
        QCOMPARE(helpWindowCount(), 1);
    }

    void aFileThatAppearsLaterIsShownInsteadOfTheMissingMessage()
    {
        QTemporaryDir folder;
        QtHelpViewer viewer({folder.path()});
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        writeFile(folder.filePath("Zelvo.hlp"), page("Ayuda", "<p>Ya está aquí</p>"));
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QCOMPARE(viewer.window()->toPlainText().trimmed(), QStringLiteral("Ya está aquí"));
    }

    void forceFileShowsTheFileAtItsContentsAgain()
    {
        QTemporaryDir folder;
        QByteArray body = "<h1 id=\"contenido\">Contenido</h1>";
        for (int i = 0; i < 300; ++i)
            body += "<p>Párrafo de relleno</p>";
        writeFile(folder.filePath("Zelvo.hlp"), page("Ayuda", body.constData()));
        QtHelpViewer viewer({folder.path()});
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QScrollBar* bar = viewer.window()->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());

        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QCOMPARE(bar->value(), 0);
    }

    void helpWindowDoesNotKeepTheProgramRunning()
    {
        QTemporaryDir folder;
        QtHelpViewer viewer({folder.path()});
        viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
        QVERIFY(!viewer.window()->testAttribute(Qt::WA_QuitOnClose));
    }

    void shippedHelpFileReadsAsSpanishText()
    {
        // The file that is installed with the program, read through the viewer
        // as the program reads it: its accents must survive the decoding.
        const QFileInfo shipped(QStringLiteral(ZELVO_SHIPPED_HELP));
        QtHelpViewer viewer({shipped.absolutePath()});
        viewer.show(shipped.fileName().toStdString(), HelpViewer::kForceFile);
        const QString text = viewer.window()->toPlainText();
        QCOMPARE(viewer.window()->windowTitle(), QStringLiteral("Ayuda de Zelvo"));
        for (const char* topic :
             {"Elegir la unidad y la carpeta", "Elegir el tipo de archivo", "Analizar la carpeta",
              "Leer la lista de duplicados", "Borrar duplicados", "Reglas de seguridad del borrado",
              "El registro de actividad (log)", "El visor del log", "no se puede deshacer"})
            QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);
    }

    void destroyingTheViewerClosesItsWindow()
    {
        QTemporaryDir folder;
        QPointer<QTextBrowser> window;
        {
            QtHelpViewer viewer({folder.path()});
            viewer.show("Zelvo.hlp", HelpViewer::kForceFile);
            window = viewer.window();
            QVERIFY(window);
        }
        QVERIFY(window.isNull());
    }
};

QTEST_MAIN(QtHelpViewerTest)
#include "QtHelpViewerTest.moc"
