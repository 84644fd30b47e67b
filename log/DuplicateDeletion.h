#pragma once

#include "ActivityLog.h"
#include "core/MainWindowView.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <string>

namespace zelvo {

// "Borrar": deletes the files whose rows are selected in the duplicates list,
// after one confirmation, visiting the rows from the last to the first. A file
// is deleted only while another listed file of its group is still a true copy
// of it (same bytes now, and not the same file on disk), so the last copy of
// some data is never lost; when some file could not be read to tell, the
// file is kept as one that cannot be deleted. A deletion is logged only once
// it has happened.
// Failures of one file are told to the user and never stop the others.
class DuplicateDeletion {
public:
    DuplicateDeletion(FileSystem& fileSystem, MessageBox& messages, MainWindowView& view,
                      ActivityLog& log)
        : m_fileSystem(fileSystem), m_messages(messages), m_view(view), m_log(log)
    {
    }

    // Command3_Click's work.
    void run();

private:
    enum class Outcome { Deleted, Vanished, Kept };
    enum class CopyCheck { Found, None, Unknown };

    Outcome deleteRow(int index);
    CopyCheck findListedCopy(int index, const FileStatus& status);
    void forgetRow(int index);

    FileSystem& m_fileSystem;
    MessageBox& m_messages;
    MainWindowView& m_view;
    ActivityLog& m_log;
    int m_fileCount = -1;
};

} // namespace zelvo
