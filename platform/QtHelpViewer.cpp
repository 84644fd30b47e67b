#include "QtHelpViewer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

#ifndef ZELVO_INSTALL_DATADIR
#define ZELVO_INSTALL_DATADIR "/usr/local/share/zelvo"
#endif

namespace zelvo {

namespace {

const QString kWindowTitle = QStringLiteral("Ayuda de Zelvo");

} // namespace

QtHelpViewer::QtHelpViewer(QStringList searchFolders) : m_searchFolders(std::move(searchFolders)) {}

QtHelpViewer::~QtHelpViewer()
{
    delete m_window;
}

QStringList QtHelpViewer::defaultSearchFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {
        programFolder,
        QDir::cleanPath(programFolder + QStringLiteral("/../share/zelvo")),
        QStringLiteral(ZELVO_INSTALL_DATADIR),
    };
}

QString QtHelpViewer::locate(const QString& helpFile) const
{
    if (helpFile.isEmpty())
        return {};
    // A name with a folder in it is the caller's own choice and is not looked up.
    if (helpFile.contains(QLatin1Char('/'))) {
        const QFileInfo given(helpFile);
        return given.isFile() ? given.absoluteFilePath() : QString();
    }
    for (const QString& folder : m_searchFolders) {
        const QFileInfo candidate(QDir(folder), helpFile);
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

void QtHelpViewer::show(const std::string& helpFile, int /*command*/)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(helpFile));
    QTextBrowser& browser = ensureWindow();
    const QString path = locate(name);
    if (path.isEmpty()) {
        showMissing(name);
    } else {
        const QUrl url = QUrl::fromLocalFile(path);
        // The same file is read again, so an edited or replaced file shows
        // its present text.
        if (browser.source() == url)
            browser.reload();
        else
            browser.setSource(url, QTextDocument::HtmlResource);
        const QString title = browser.documentTitle();
        browser.setWindowTitle(title.isEmpty() ? kWindowTitle : title);
    }
    browser.document()->setDocumentMargin(12);
    // Force-file means "at its contents": the top of the file, where its
    // table of contents is.
    browser.verticalScrollBar()->setValue(0);
    browser.show();
    browser.raise();
    browser.activateWindow();
}

QTextBrowser& QtHelpViewer::ensureWindow()
{
    if (m_window)
        return *m_window;
    m_window = new QTextBrowser;
    m_window->setWindowFlag(Qt::Window);
    // The help window is the platform's, not one of the program's windows:
    // it must not keep the program alive after the main window has closed.
    m_window->setAttribute(Qt::WA_QuitOnClose, false);
    m_window->setOpenExternalLinks(true);
    m_window->setWindowTitle(kWindowTitle);
    m_window->resize(640, 560);
    // Centred once, when it first appears; later requests leave it where the
    // user has put it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        m_window->move(screen->availableGeometry().center() - m_window->rect().center());
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), m_window);
    QObject::connect(closeKey, &QShortcut::activated, m_window.data(), &QWidget::close);
    return *m_window;
}

void QtHelpViewer::showMissing(const QString& helpFile)
{
    QString places;
    for (const QString& folder : m_searchFolders)
        places +=
            QStringLiteral("<li>%1</li>").arg(QDir::toNativeSeparators(folder).toHtmlEscaped());
    m_window->clearHistory();
    m_window->setHtml(QStringLiteral("<h2>No se encuentra el archivo de ayuda %1.</h2>"
                                     "<p>Se ha buscado en estas carpetas:</p><ul>%2</ul>"
                                     "<p>Vuelva a instalar Zelvo para recuperar la ayuda.</p>")
                          .arg(helpFile.toHtmlEscaped(), places));
    m_window->setWindowTitle(kWindowTitle);
}

} // namespace zelvo
