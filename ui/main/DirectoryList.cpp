#include "DirectoryList.h"

#include "DisplayText.h"

#include <QKeyEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <filesystem>
#include <system_error>

namespace zelvo {

namespace {

constexpr int kIndentPixels = 8;

// Draws a row shifted right by its depth, so the list reads as a tree.
class IndentDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionViewItem shifted = option;
        shifted.rect.setLeft(option.rect.left() + indentOf(index));
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += indentOf(index);
        return size;
    }

private:
    static int indentOf(const QModelIndex& index)
    {
        return kIndentPixels * index.data(DirectoryList::LevelRole).toInt();
    }
};

// The folders from the root down to `path`: "/", "/home", "/home/ana".
std::vector<std::string> chainOf(const std::string& path)
{
    std::vector<std::string> chain{"/"};
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos)
            slash = path.size();
        if (slash > start)
            chain.push_back(path.substr(0, slash));
        start = slash + 1;
    }
    return chain;
}

std::string lastNameOf(const std::string& path)
{
    if (path == "/")
        return path;
    return path.substr(path.rfind('/') + 1);
}

std::string childOf(const std::string& folder, const std::string& name)
{
    return folder == "/" ? folder + name : folder + "/" + name;
}

// Absolute, without a trailing slash (the root aside) and without empty or
// "." components.
std::string normalised(const std::string& folder)
{
    std::string result;
    for (const std::string& link : chainOf(folder.empty() || folder[0] != '/' ? "/" + folder : folder)) {
        const std::string name = lastNameOf(link);
        if (name == ".")
            continue;
        result = result.empty() || link == "/" ? link : childOf(result, name);
    }
    return result.empty() ? "/" : result;
}

bool isFolder(const std::string& path)
{
    std::error_code error;
    return std::filesystem::is_directory(path, error);
}

} // namespace

std::vector<std::string> subfoldersOf(const std::string& folder)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().native();
        if (name.empty() || name[0] == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            names.push_back(std::move(name));
    }
    return names;
}

DirectoryList::DirectoryList(QWidget* parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    setSelectionMode(SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { openRow(row(item)); });
}

void DirectoryList::setPath(const std::string& folder)
{
    const std::string next = normalised(folder);
    const bool changed = next != m_path;
    m_path = next;
    rebuild();
    if (changed)
        emit pathChanged();
}

void DirectoryList::openRow(int row)
{
    QListWidgetItem* chosen = item(row);
    if (!chosen)
        return;
    const std::string folder = chosen->data(RawPathRole).toByteArray().toStdString();
    if (!isFolder(folder)) {
        rebuild();
        return;
    }
    setPath(folder);
}

void DirectoryList::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentRow() >= 0) {
        openRow(currentRow());
        return;
    }
    QListWidget::keyPressEvent(event);
}

void DirectoryList::rebuild()
{
    clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const std::string& folder, int level, const QIcon& icon) {
        auto* row = new QListWidgetItem(icon, displayText(lastNameOf(folder)), this);
        row->setData(RawPathRole, QByteArray::fromStdString(folder));
        row->setData(LevelRole, level);
    };

    const std::vector<std::string> chain = chainOf(m_path);
    for (std::size_t level = 0; level < chain.size(); ++level)
        add(chain[level], int(level), openIcon);
    m_currentRow = int(chain.size()) - 1;

    std::vector<std::string> names = subfoldersOf(m_path);
    std::vector<std::pair<QString, std::string>> sorted;
    sorted.reserve(names.size());
    for (std::string& name : names)
        sorted.emplace_back(displayText(name), std::move(name));
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        const int order = QString::compare(a.first, b.first, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a.second < b.second;
    });
    for (const auto& [shown, name] : sorted)
        add(childOf(m_path, name), int(chain.size()), closedIcon);

    setCurrentRow(m_currentRow);
    scrollToItem(item(m_currentRow));
}

} // namespace zelvo
