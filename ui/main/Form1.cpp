#include "Form1.h"

#include "AccessibleLabels.h"
#include "Announcer.h"
#include "DisplayText.h"
#include "DirectoryList.h"
#include "DriveList.h"
#include "DuplicateRowModel.h"
#include "FileNameModel.h"
#include "PictureButton.h"
#include "ResponsiveWork.h"
#include "RowListView.h"
#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"

#include <new>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

namespace zelvo {

Form1::Form1(PlatformServices services, QWidget* parent)
    : QMainWindow(parent), m_services(services), m_work(new ResponsiveWork(this)),
      m_pacedFileSystem(services.fileSystem, [this] { m_work->pulse(); }),
      m_announcer(new Announcer(this)), m_endProgram([] { QCoreApplication::exit(0); })
{
    createControls();
    createMenus();
    setTabOrder();
    createDrives();
    connectHandlers();
    Form_Load();
}

Form1::~Form1()
{
    if (m_pointerBusy)
        QApplication::restoreOverrideCursor();
}

void Form1::connectHandlers()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Dir1, &DirectoryList::pathChanged, this, &Form1::Dir1_Change);
    connect(Drive1, &QComboBox::currentIndexChanged, this, &Form1::Drive1_Change);
    connect(File1, &RowListView::rowClicked, this, &Form1::File1_Click);
    connect(List1, &RowListView::rowClicked, this, &Form1::List1_Click);
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);
    const std::pair<QRadioButton*, void (Form1::*)()> options[]{
        {Option1, &Form1::Option1_Click}, {Option2, &Form1::Option2_Click},
        {Option3, &Form1::Option3_Click}, {Option4, &Form1::Option4_Click},
        {Option5, &Form1::Option5_Click}};
    for (const auto& [button, handler] : options) {
        connect(button, &QRadioButton::toggled, this, [this, button, handler](bool selected) {
            // The group is one stop of the Tab key, on its selected button;
            // the arrow keys move within it.
            button->setFocusPolicy(selected ? Qt::StrongFocus : Qt::ClickFocus);
            if (selected)
                (this->*handler)();
        });
    }
}

void Form1::Form_Load()
{
    const FileError refused = scanFolder(ScanMode::StartUp);
    if (refused == FileError::None)
        return;
    // The window is not shown yet: the box waits for the event loop, so that
    // it appears over the window it speaks of.
    QMetaObject::invokeMethod(
        this, [this, refused, start = folder()] { tellUnreadableFolder(refused, start); },
        Qt::QueuedConnection);
}

void Form1::Command1_Click()
{
    ResponsiveWork::Scope working(*m_work);
    // A folder that can no longer be listed (gone, refused) is scanned again,
    // which empties the lists its listing fed, and the user is told why.
    if (m_pacedFileSystem.checkFolder(folder()) != FileError::None) {
        if (const FileError refused = scanFolder(ScanMode::StartUp); refused != FileError::None) {
            NumDuplicados = 0;
            Label3->setText(QStringLiteral("0 Archivos duplicados"));
            tellUnreadableFolder(refused, folder());
            return;
        }
    }
    // List1 hears of the rows found in batches while the analysis runs, and
    // of the last ones when it ends, however it ends.
    struct HeldRows {
        explicit HeldRows(DuplicateRowModel& rows) : rows(rows) { rows.holdNewRows(true); }
        ~HeldRows() { rows.holdNewRows(false); }
        DuplicateRowModel& rows;
    } held(*m_rows);
    DuplicateAnalysis analysis(m_pacedFileSystem, m_services.dates, *this, m_services.messages,
                               pairRecorder());
    try {
        NumDuplicados = analysis.run({folder(), m_pattern}, m_listing).NumDuplicados;
    } catch (const std::bad_alloc&) {
        // The run has cleaned up after itself; like any failure without a
        // message of its own, it ends quietly.
        NumDuplicados = 0;
    }
}

bool Form1::Command1_KeyPress(const QKeyEvent& key)
{
    // Tab and Backtab move the focus before a button ever sees them.
    if (key.text().isEmpty() || key.key() == Qt::Key_Tab || key.key() == Qt::Key_Backtab)
        return false;
    // Intro presses the focused button, as anywhere else on the desktop and
    // as the help tells (the button does it, as "Borrar" does); every other
    // character key ends the program.
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)
        return false;
    m_endProgram();
    return true;
}

void Form1::Command2_Click() { m_endProgram(); }

void Form1::Salir_Click() { m_endProgram(); }

void Form1::closeEvent(QCloseEvent* event)
{
    // A close asked for in the middle of a scan or an analysis happens when
    // it has ended, never half-way through.
    if (m_work->postponeClose()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Command1 && event->type() == QEvent::KeyPress)
        return Command1_KeyPress(*static_cast<QKeyEvent*>(event));
    // Intro presses "Salir" too, as it does on the rest of the desktop;
    // outside a dialog a Qt button answers the space bar alone. The picture
    // buttons see to it themselves.
    if (watched == Command2 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            static_cast<QPushButton*>(watched)->click();
            return true;
        }
    }

    // The menu items' keys come first wherever the focus is, also in the
    // text boxes, which would otherwise keep Ctrl+V for pasting.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* item : {log, ver, BorraLog, Ayuda}) {
            if (item && item->shortcut() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- What the engine asks of the window ------------------------------------

QWidget* Form1::widgetFor(Control control) const
{
    switch (control) {
    case Control::Text2:
        return Text2;
    case Control::Image2:
        return Image2;
    case Control::Command3:
        return Command3;
    default:
        return labelFor(control);
    }
}

QLabel* Form1::labelFor(Control control) const
{
    switch (control) {
    case Control::Label1: return Label1;
    case Control::Label2: return Label2;
    case Control::Label3: return Label3;
    case Control::Label4: return Label4;
    case Control::Label5: return Label5;
    case Control::Label6: return Label6;
    case Control::Label7: return Label7;
    case Control::Label8: return Label8;
    case Control::Label10: return Label10;
    case Control::Label11: return Label11;
    case Control::Label12: return Label12;
    case Control::Label13: return Label13;
    case Control::Label14: return Label14;
    case Control::Label16: return Label16;
    case Control::Text2:
    case Control::Image2:
    case Control::Command3:
        break;
    }
    return nullptr;
}

void Form1::setCaption(Control control, const std::string& text)
{
    // Captions may carry paths, whose bytes need not be UTF-8.
    if (QLabel* label = labelFor(control)) {
        label->setText(displayText(text));
        bulletBarChanged(label);
        // The count lines tell the end of a scan, an analysis or a deletion;
        // without a number they only say that one has begun.
        const bool countLine = control == Control::Label3 || control == Control::Label6;
        const QString shown = label->text().trimmed();
        if (countLine && !shown.isEmpty() && shown.front().isDigit())
            m_announcer->announce(shown);
    } else if (control == Control::Text2)
        Text2->setPlainText(displayText(text));
}

void Form1::repaintNow(Control control)
{
    QWidget* widget = widgetFor(control);
    // During work the label is only marked, and the next pulse paints it with
    // everything else that changed, at most once every kPulseMilliseconds and
    // at once after a quiet spell. A painting of its own for each caption
    // would cost more than the file it reports on: a transparent label
    // repaints everything beneath it, and a bar may change with every chunk.
    if (m_work->inProgress()) {
        widget->update();
        m_rows->publishIfDue();
        m_work->pulse();
    } else {
        widget->repaint();
    }
}

void Form1::setVisible(Control control, bool visible)
{
    widgetFor(control)->setVisible(visible);
}

void Form1::setEnabled(Control control, bool enabled)
{
    widgetFor(control)->setEnabled(enabled);
}

void Form1::setBusyPointer(bool busy)
{
    if (busy == m_pointerBusy)
        return;
    m_pointerBusy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void Form1::showFileList(const std::vector<std::string>& names)
{
    m_fileNames->setNames(names);
}

int Form1::fileListCount() const { return m_fileNames->rowCount(); }

void Form1::clearDuplicateRows() { m_rows->clear(); }

void Form1::addDuplicateRow(const DuplicateRow& row) { m_rows->append(row); }

int Form1::duplicateRowCount() const { return m_rows->size(); }

DuplicateRow Form1::duplicateRow(int index) const
{
    ZELVO_EXPECT(index >= 0 && index < m_rows->size());
    return m_rows->row(index);
}

bool Form1::isDuplicateRowSelected(int index) const
{
    return List1->selectionModel()->isRowSelected(index, {});
}

void Form1::removeDuplicateRow(int index)
{
    const bool wasSelected = isDuplicateRowSelected(index);
    m_rows->remove(index);
    // The list moves the selection of a removed row onto a neighbour, which
    // the user never chose and a second "Borrar" would delete.
    if (wasSelected)
        List1->selectionModel()->clear();
}

} // namespace zelvo
