#pragma once

#include <QListWidget>
#include <string>
#include <vector>

namespace zelvo {

// The folder list Dir1: the chain of folders from the root down to the current
// folder, each one level further in, then the current folder's subfolders one
// level further still, sorted ignoring letter case. Folders whose names start
// with a dot are hidden, as file managers hide them. A click only highlights a
// folder; a double click or Enter opens it, which makes it the current folder
// and emits pathChanged(). Paths are raw bytes.
class DirectoryList final : public QListWidget {
    Q_OBJECT
public:
    // The raw path of a row (QByteArray) and its depth.
    static constexpr int RawPathRole = Qt::UserRole;
    static constexpr int LevelRole = Qt::UserRole + 1;

    explicit DirectoryList(QWidget* parent = nullptr);

    const std::string& path() const { return m_path; }
    // Makes `folder` the current folder and lists it again; emits
    // pathChanged() when the folder differs from the current one.
    void setPath(const std::string& folder);
    // Opens the folder of a row, as a double click does. A folder that has
    // gone meanwhile is not entered; the list is read again instead.
    void openRow(int row);
    // The current folder's row.
    int currentFolderRow() const { return m_currentRow; }

signals:
    void pathChanged();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuild();

    std::string m_path;
    int m_currentRow = -1;
};

// The subfolders of a folder by name (raw bytes), dot-folders left out, in no
// particular order; empty when the folder cannot be read.
std::vector<std::string> subfoldersOf(const std::string& folder);

} // namespace zelvo
