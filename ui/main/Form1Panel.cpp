// The information panel: path, size, date and a preview (the first text
// fields, or the picture) of the file clicked in File1 or List1.

#include "Form1.h"

#include "DisplayText.h"
#include "DuplicateRowModel.h"
#include "FileNameModel.h"
#include "RowListView.h"
#include "core/FieldReader.h"

#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <array>
#include <cstddef>

namespace zelvo {

namespace {

// A field runs to the next comma or line end, so a large file without either
// would be read whole; the preview looks at its start only.
constexpr std::size_t kPreviewBytes = 64 * 1024;
constexpr int kPreviewFields = 5;

// The start of a file, up to kPreviewBytes; nothing when it cannot be opened
// or read.
std::optional<std::string> startOfFile(FileSystem& fileSystem, const std::string& path)
{
    auto opened = fileSystem.openForReading(path);
    if (!opened)
        return std::nullopt;
    std::string bytes(kPreviewBytes, '\0');
    // One read fills the buffer unless the file is shorter (FileReader).
    const Result<std::size_t> got = (*opened)->read(std::as_writable_bytes(std::span(bytes)));
    if (!got)
        return std::nullopt;
    bytes.resize(*got);
    return bytes;
}

} // namespace

void Form1::File1_Click()
{
    const QModelIndex current = File1->currentIndex();
    if (!current.isValid())
        return;
    const std::string name =
        current.data(FileNameModel::RawNameRole).toByteArray().toStdString();
    showFileDetails(fullPathOf(folder(), m_services.fileSystem.hasParent(folder()), name));
}

void Form1::List1_Click()
{
    const QModelIndex current = List1->currentIndex();
    if (!current.isValid())
        return;
    // The row keeps its path apart from the "····> " a head row shows.
    showFileDetails(current.data(DuplicateRowModel::RawPathRole).toByteArray().toStdString());
}

void Form1::showFileDetails(const std::string& path)
{
    // A file that cannot be measured or dated (it vanished, or is refused)
    // shows its path alone: never another file's size, date or contents
    // under it.
    Label1->setText(displayText(path));
    for (QLabel* line : {Label1, Label4, Label5})
        line->show();
    const Result<FileStatus> status = m_services.fileSystem.status(path);
    if (!status) {
        Label4->clear();
        Label5->clear();
        Text2->clear();
        Text2->show();
        Image2->hide();
        return;
    }
    Label4->setText(QString::number(status->size) + QStringLiteral(" bytes"));
    Label5->setText(displayText(m_services.dates.generalDate(status->modified)));
    showPreview(path);
}

void Form1::showPreview(const std::string& path)
{
    Text2->clear();
    Text2->show();
    const std::optional<std::string> start = startOfFile(m_services.fileSystem, path);
    if (!start)
        return;
    // Every field is followed by a line end (a carriage return and a line
    // feed in the file's world, one line break in the text box); each field is
    // decoded on its own, so one stray byte does not change how the others
    // read.
    QString preview;
    FieldReader fields(*start);
    for (int count = 0; count < kPreviewFields && !fields.atEnd(); ++count)
        preview += displayText(fields.next()) + QStringLiteral("\n");
    Text2->setPlainText(preview);

    // A file that is no picture leaves the text in view and Image2 as it was.
    std::optional<QImage> picture = m_services.pictures.load(path);
    if (!picture)
        return;
    Image2->setPixmap(QPixmap::fromImage(*picture));
    Text2->hide();
    Image2->show();
}

} // namespace zelvo
