#pragma once

#include "LogRowsModel.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <QWidget>

#include <string>

class QListView;
class QPushButton;

namespace zelvo {

// The log viewer: a modeless window listing the activity log one field per
// row, as the file stood when the window was opened. It only reads the log.
// It has no close box of its own: "&Cerrar" closes and destroys it. It is a
// top-level window of its own rather than a child of the main window, so an
// open viewer keeps the program running after the main window is closed.
class Form2 : public QWidget {
    Q_OBJECT
public:
    // Creates the viewer over the log file and reads it. Without a log file
    // it tells the user, creates nothing and answers nullptr; a file that
    // cannot be read to its end shows the rows read until then. The window
    // is not shown yet.
    static Form2* open(FileSystem& fileSystem, MessageBox& messages, const std::string& logPath);

    const LogRowsModel& rows() const { return m_rows; }
    QListView* List1 = nullptr;
    QPushButton* Command1 = nullptr;

    void Command1_Click();

private:
    Form2();
    // Form_Load: false when there is no log file to show.
    bool Form_Load(FileSystem& fileSystem, MessageBox& messages, const std::string& logPath);

    LogRowsModel m_rows;
};

} // namespace zelvo
