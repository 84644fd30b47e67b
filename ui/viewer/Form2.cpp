#include "Form2.h"

#include <QAccessibleWidget>
#include <QIcon>
#include <QListView>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QSvgRenderer>

#include <algorithm>
#include <vector>

// The resources of a static library must be registered by hand, and only
// from the global namespace.
static void registerViewerResources() { Q_INIT_RESOURCE(viewer); }

namespace zelvo {

namespace {

QIcon viewerIcon()
{
    registerViewerResources();
    QSvgRenderer renderer(QStringLiteral(":/viewer/Form2.svg"));
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    return QIcon(pixmap);
}

// A list of uniform item sizes sizes every row like one sample row, its last
// by Qt's guess; a longer row would be cut at that width. Here the sample is
// the longest row, so that every row can be scrolled to its end.
class LongestRowDelegate final : public QStyledItemDelegate {
public:
    LongestRowDelegate(const LogRowsModel& rows, QObject* parent)
        : QStyledItemDelegate(parent), m_rows(rows)
    {
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QModelIndex longest = m_rows.index(m_rows.longestRow());
        return QStyledItemDelegate::sizeHint(option, longest.isValid() ? longest : index);
    }

private:
    const LogRowsModel& m_rows;
};

// Reads the whole file, or as much of it as can be read, up to what the
// rows can hold.
std::string readAll(FileReader& reader, ByteCount expectedSize)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(std::min<ByteCount>(expectedSize, LogRowsModel::kMaxBytes)));
    std::vector<std::byte> chunk(1 << 20);
    while (bytes.size() < LogRowsModel::kMaxBytes) {
        const Result<std::size_t> got = reader.read(chunk);
        if (!got || *got == 0)
            return bytes;
        bytes.append(reinterpret_cast<const char*>(chunk.data()), *got);
    }
    return bytes;
}

// A plain top-level widget reads as a bare pane; the viewer is a window, and
// a screen reader says so when it opens.
QAccessibleInterface* viewerFactory(const QString&, QObject* object)
{
    if (auto* viewer = qobject_cast<Form2*>(object))
        return new QAccessibleWidget(viewer, QAccessible::Window);
    return nullptr;
}

} // namespace

Form2::Form2()
    // A tool window has no task-bar button; with only the title hint it has
    // no close, minimise or maximise button either.
    : QWidget(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_rows(this)
{
    static const bool readAsWindow = [] {
        QAccessible::installFactory(viewerFactory);
        return true;
    }();
    (void)readAsWindow;
    setAttribute(Qt::WA_DeleteOnClose);
    // Qt leaves tool windows out when it looks for the program's last open
    // window; the viewer is one of the program's windows.
    setAttribute(Qt::WA_QuitOnClose);
    setWindowTitle(QStringLiteral("Log"));
    setWindowIcon(viewerIcon());
    resize(681, 426);

    // Fixed places: the window may be resized, its controls do not follow.
    List1 = new QListView(this);
    List1->setGeometry(8, 8, 657, 355);
    List1->setUniformItemSizes(true);
    List1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setModel(&m_rows);
    List1->setItemDelegate(new LongestRowDelegate(m_rows, List1));

    Command1 = new QPushButton(QStringLiteral("&Cerrar"), this);
    Command1->setGeometry(304, 376, 73, 33);
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    // Without a close box, Escape is the keyboard's way out besides Alt+C.
    auto* closeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(closeKey, &QShortcut::activated, this, &Form2::Command1_Click);
    List1->setAccessibleName(QStringLiteral("Registro de actividad"));

    setTabOrder(List1, Command1);
}

Form2* Form2::open(FileSystem& fileSystem, MessageBox& messages, const std::string& logPath)
{
    auto* viewer = new Form2;
    if (!viewer->Form_Load(fileSystem, messages, logPath)) {
        delete viewer;
        return nullptr;
    }
    return viewer;
}

bool Form2::Form_Load(FileSystem& fileSystem, MessageBox& messages, const std::string& logPath)
{
    auto reader = fileSystem.openForReading(logPath);
    if (!reader) {
        if (reader.error() == FileError::NotFound) {
            messages.show("El archivo Zelvo.log aún no existe\n\rActive la captura en menú Archivo",
                          "error log", MessageButtons::Ok, MessageIcon::Critical);
            return false;
        }
        return true;
    }
    const Result<FileStatus> status = fileSystem.status(logPath);
    m_rows.setLogBytes(readAll(**reader, status ? status->size : 0));
    return true;
}

void Form2::Command1_Click() { close(); }

} // namespace zelvo
