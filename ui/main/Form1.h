#pragma once

#include "HeartbeatFileSystem.h"
#include "PlatformServices.h"
#include "core/FolderListing.h"
#include "core/MainWindowView.h"
#include "core/PairRecorder.h"
#include "log/ActivityLog.h"
#include "platform/CommonDialog.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>

class QAction;
class QFrame;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace zelvo {

class Announcer;
enum class ScanMode;
class DirectoryList;
class DriveList;
class DuplicateRowModel;
class FileNameModel;
class PictureButton;
class ResponsiveWork;
class RowListView;
class Form2;
class frmAbout;

// The main window. Its controls keep the names of the window's design; its
// handlers are named after control and event. The window is built and its
// start-up scan done (Form_Load) by the constructor, so it is complete before
// it is first shown.
class Form1 : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    explicit Form1(PlatformServices services, QWidget* parent = nullptr);
    ~Form1() override;

    // MainWindowView (implemented in Form1.cpp). The window's own
    // setVisible(bool) and setEnabled(bool) stay reachable beside them.
    using QMainWindow::setEnabled;
    using QMainWindow::setVisible;
    void setCaption(Control, const std::string& text) override;
    void repaintNow(Control) override;
    void setVisible(Control, bool visible) override;
    void setEnabled(Control, bool enabled) override;
    void setBusyPointer(bool busy) override;
    void showFileList(const std::vector<std::string>& names) override;
    int refreshFileList() override;
    void clearDuplicateRows() override;
    void addDuplicateRow(const DuplicateRow& row) override;
    int duplicateRowCount() const override;
    DuplicateRow duplicateRow(int index) const override;
    bool isDuplicateRowSelected(int index) const override;
    void removeDuplicateRow(int index) override;

    // Start-up, the analysis and the exits (Form1.cpp).
    void Form_Load();
    void Command1_Click();
    // A character key on the focused "Analizar"; true when it ended the
    // program (the key is then used up).
    bool Command1_KeyPress(const QKeyEvent& key);
    void Command2_Click();
    void Salir_Click();

    // Drive, folder and file type (Form1Navigation.cpp).
    void Drive1_Change();
    void Dir1_Change();
    void File1_PatternChange();
    void Option1_Click();
    void Option2_Click();
    void Option3_Click();
    void Option4_Click();
    void Option5_Click();
    void Text1_Change();

    // The information panel (Form1Panel.cpp).
    void File1_Click();
    void List1_Click();

    // Handlers of the activity log, the deletion and the log viewer
    // (Form1Log.cpp).
    void log_Click();
    void ver_Click();
    void BorraLog_Click();
    void Command3_Click();
    // What the analysis hands every pair it finds to: the activity log.
    PairRecorder& pairRecorder();

    // Handlers of the help menu (Form1Help.cpp).
    void Ayuda_Click();
    void about_Click();

    // The window's state besides its controls.
    // Dir1's current folder and File1's pattern, as raw bytes.
    const std::string& folder() const;
    const std::string& pattern() const { return m_pattern; }
    // Sets File1's pattern; File1_PatternChange follows, as it does for any
    // setting of the pattern.
    void setPattern(const std::string& pattern);
    // The hidden lists List2 (sizes) and List3 (full paths). Plain vectors
    // rather than hidden list widgets: nothing shows them, and the analysis
    // reads them row by row by the ten thousand.
    const FolderListing& listing() const { return m_listing; }
    std::size_t NumArchivos() const { return m_listing.NumArchivos(); }
    double NumDuplicados = 0;
    // How many names File1 lists now.
    int fileListCount() const;
    // Long handlers put one of these around their work: the window keeps
    // painting, and user input waits until the work ends, or is dropped when
    // it chose nothing (a disabled control, a list's place without a row).
    ResponsiveWork& work() { return *m_work; }
    // What ending the program does; the exits call it. Tests put a recorder
    // in its place.
    void setProgramEnd(std::function<void()> end) { m_endProgram = std::move(end); }

    // The controls, by the design's names. Other handlers of this window and
    // the tests reach them directly.
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label13 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label17 = nullptr;
    RowListView* List1 = nullptr;
    PictureButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    PictureButton* Command3 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPlainTextEdit* Text2 = nullptr;
    // The picture area: a label that stretches its picture to its size.
    QLabel* Image2 = nullptr;
    DriveList* Drive1 = nullptr;
    DirectoryList* Dir1 = nullptr;
    RowListView* File1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QRadioButton* Option3 = nullptr;
    QRadioButton* Option4 = nullptr;
    QRadioButton* Option5 = nullptr;
    QFrame* Shape1 = nullptr;
    QFrame* Line1 = nullptr;
    // The menus and their items. `log` is checkable: its check mark is the
    // log switch, and Qt flips it before log_Click runs.
    QMenu* Archivo = nullptr;
    QAction* log = nullptr;
    QAction* ver = nullptr;
    QAction* BorraLog = nullptr;
    QAction* Salir = nullptr;
    QMenu* Ayudam = nullptr;
    QAction* Ayuda = nullptr;
    QAction* about = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Form1Design.cpp.
    void createControls();
    QWidget* createClientArea();
    void createLabels(QWidget* client);
    void readLabelAloud(QLabel* label);
    void nameControls();
    void createPanel(QWidget* client);
    void createFileTypes(QWidget* client);
    void createViewer(QWidget* client);
    void stackControls();
    void createMenus();
    void setTabOrder();
    void connectHandlers();
    // Form1Navigation.cpp.
    void createDrives();
    void filterChosen(const std::string& pattern, bool showText1);
    // Lists the current folder again (LeerDirectorio); answers why it could
    // not be listed, or None.
    FileError scanFolder(ScanMode mode);
    // The message box that names a folder that cannot be listed and why.
    void tellUnreadableFolder(FileError error, const std::string& folder);
    // Form1Panel.cpp.
    void showFileDetails(const std::string& path);
    void showPreview(const std::string& path);

    QWidget* widgetFor(Control control) const;
    QLabel* labelFor(Control control) const;

    PlatformServices m_services;
    // The help menu's common-dialog component and the one about box, which
    // destroys itself when closed (Form1Help.cpp).
    CommonDialog CommonDialog1{m_services.help};
    QPointer<frmAbout> m_about;

    ResponsiveWork* m_work = nullptr;
    // The file system the scan and the analysis use: the real one, with the
    // window's heartbeat between calls.
    HeartbeatFileSystem m_pacedFileSystem;
    FolderListing m_listing;
    std::string m_pattern = "*.*";
    FileNameModel* m_fileNames = nullptr;
    DuplicateRowModel* m_rows = nullptr;
    bool m_pointerBusy = false;
    // Tells the screen reader of the count lines' news (Form1.cpp).
    Announcer* m_announcer = nullptr;
    std::function<void()> m_endProgram;

    // The activity log, whose switch is the check mark of `log`, and the one
    // log viewer (Form1Log.cpp). The viewer destroys itself when closed; one
    // still open when the window is destroyed goes with it.
    class MenuLogSwitch final : public LogSwitch {
    public:
        explicit MenuLogSwitch(const Form1& form) : m_form(form) {}
        bool isOn() const override;
        void turnOff() override;

    private:
        const Form1& m_form;
    };
    MenuLogSwitch m_logSwitch{*this};
    ActivityLog m_activityLog{m_services.fileSystem, m_services.dates, m_services.messages,
                              m_logSwitch};
    struct ViewerSlot {
        ViewerSlot() = default;
        ViewerSlot(const ViewerSlot&) = delete;
        ViewerSlot& operator=(const ViewerSlot&) = delete;
        ~ViewerSlot();
        QPointer<Form2> window;
    };
    ViewerSlot m_viewer;
};

} // namespace zelvo
