#pragma once

#include "HelpViewer.h"

#include <QPointer>
#include <QString>
#include <QStringList>

class QTextBrowser;

namespace zelvo {

// The help viewer of this platform: one modeless window that shows an HTML
// help file. A file named without a folder is looked up in a list of folders,
// the first match winning; when it cannot be found the window says so. The
// window belongs to the viewer, is reused by every request and does not keep
// the program running once the program's own windows are closed.
class QtHelpViewer : public HelpViewer {
  public:
    explicit QtHelpViewer(QStringList searchFolders = defaultSearchFolders());
    ~QtHelpViewer() override;
    QtHelpViewer(const QtHelpViewer&) = delete;
    QtHelpViewer& operator=(const QtHelpViewer&) = delete;

    // Next to the executable (a build tree), then ../share/zelvo beside it (an
    // installed or unpacked tree wherever it lies), then the share folder of
    // the prefix the program was built for.
    static QStringList defaultSearchFolders();

    // Every command shows the file at its contents; the force-file command is
    // the only one the program sends.
    void show(const std::string& helpFile, int command) override;

    // The full path of the help file, or an empty string when it is nowhere.
    QString locate(const QString& helpFile) const;

    // The help window; null until the first request.
    QTextBrowser* window() const { return m_window; }

  private:
    QTextBrowser& ensureWindow();
    void showMissing(const QString& helpFile);

    QStringList m_searchFolders;
    QPointer<QTextBrowser> m_window;
};

} // namespace zelvo
