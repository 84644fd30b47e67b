// Choosing the drive, the folder and the file type: each change lists the
// folder again (LeerDirectorio) so that the hidden lists and the count line
// always describe what File1 shows.

#include "Form1.h"

#include "DirectoryList.h"
#include "DisplayText.h"
#include "DriveList.h"
#include "ResponsiveWork.h"
#include "core/LeerDirectorio.h"
#include "ui/FolderRefusal.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <filesystem>
#include <system_error>

namespace zelvo {

namespace {

// The folder the program was started in. One removed since has no path any
// more, but the system still tells its last one: the window shows that, and
// its scan says the folder no longer exists, rather than starting silently
// somewhere else.
std::string processFolder()
{
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).native();
    if (!error && !folder.empty())
        return folder;
    const std::string removed = " (deleted)";
    folder = std::filesystem::read_symlink("/proc/self/cwd", error).native();
    if (folder.ends_with(removed))
        folder.resize(folder.size() - removed.size());
    return error || folder.empty() || folder[0] != '/' ? std::string("/") : folder;
}

// Whether `folder` lies on the file system mounted at `mountPoint`, judged by
// whole path components.
bool liesUnder(const std::string& folder, const std::string& mountPoint)
{
    if (mountPoint == "/")
        return true;
    return folder.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (folder.size() == mountPoint.size() || folder[mountPoint.size()] == '/');
}

std::string patternOf(const QString& text) { return QFile::encodeName(text).toStdString(); }

} // namespace

void Form1::createDrives()
{
    const std::string start = processFolder();
    Drive1->refresh();
    // The drive of the start folder is the deepest mount point holding it.
    int startDrive = -1;
    std::size_t bestLength = 0;
    for (int index = 0; index < Drive1->count(); ++index) {
        const std::string mountPoint = Drive1->itemData(index).toByteArray().toStdString();
        if (liesUnder(start, mountPoint) && (startDrive < 0 || mountPoint.size() > bestLength)) {
            startDrive = index;
            bestLength = mountPoint.size();
        }
    }
    Drive1->preselect(startDrive);
    Dir1->setPath(start);
}

const std::string& Form1::folder() const { return Dir1->path(); }

void Form1::Drive1_Change()
{
    const std::string mountPoint = Drive1->chosenMountPoint();
    for (;;) {
        Result<std::string> entered = m_services.drives.enter(mountPoint);
        if (entered) {
            // Runs Dir1_Change, and with it the scan, when the folder differs.
            Dir1->setPath(*entered);
            return;
        }
        if (entered.error() != FileError::DeviceNotReady)
            return;
        // Cancel leaves Dir1, File1 and the counts on the previous folder,
        // while Drive1 keeps showing the drive chosen.
        const MessageAnswer answer =
            m_services.messages.show("El dispositivo no esta listo.\n\xC2\xBFVolver a intentarlo?",
                                     "Errores con dispositivos", MessageButtons::OkCancel,
                                     MessageIcon::None);
        if (answer != MessageAnswer::Ok)
            return;
    }
}

void Form1::Dir1_Change()
{
    // The box is shown while the work still holds back the input made during
    // the scan.
    ResponsiveWork::Scope working(*m_work);
    if (const FileError refused = scanFolder(ScanMode::FolderChange); refused != FileError::None)
        tellUnreadableFolder(refused, folder());
}

FileError Form1::scanFolder(ScanMode mode)
{
    ResponsiveWork::Scope working(*m_work);
    BulletBar bar(*this);
    return LeerDirectorio(mode, {folder(), m_pattern}, m_pacedFileSystem, *this, m_listing, bar);
}

void Form1::tellUnreadableFolder(FileError error, const std::string& folder)
{
    const FolderRefusal refusal = folderRefusalFor(error, folder);
    // The box shows a name that is not UTF-8 as the folder list does.
    m_services.messages.show(refusal.sentence(displayText(refusal.name).toStdString()), "Zelvo",
                             MessageButtons::Ok, MessageIcon::Critical);
}

void Form1::setPattern(const std::string& pattern)
{
    m_pattern = pattern;
    File1_PatternChange();
}

// A pattern typed letter by letter scans at every letter: a folder that
// cannot be listed shows its counts of 0 without a box each time.
void Form1::File1_PatternChange() { scanFolder(ScanMode::StartUp); }

int Form1::refreshFileList()
{
    Result<std::vector<std::string>> names = m_services.fileSystem.listFiles(folder(), m_pattern);
    showFileList(names ? *names : std::vector<std::string>{});
    return fileListCount();
}

void Form1::filterChosen(const std::string& pattern, bool showText1)
{
    for (QWidget* panel : std::initializer_list<QWidget*>{Text2, Image2, Label1, Label4, Label5})
        panel->hide();
    Text1->setVisible(showText1);
    setPattern(pattern);
    clearDuplicateRows();
    Label3->setText(QStringLiteral("0 archivos duplicados"));
}

void Form1::Option1_Click() { filterChosen("*.JPG", false); }
void Form1::Option2_Click() { filterChosen("*.MP3", false); }
void Form1::Option3_Click() { filterChosen("*.AVI", false); }
// The pattern typed earlier applies at once, unchanged and unchecked.
void Form1::Option4_Click() { filterChosen(patternOf(Text1->text()), true); }
void Form1::Option5_Click() { filterChosen("*.*", false); }

void Form1::Text1_Change()
{
    setPattern(patternOf(Text1->text()));
    Label3->setText(QStringLiteral("0 archivos duplicados"));
}

} // namespace zelvo
