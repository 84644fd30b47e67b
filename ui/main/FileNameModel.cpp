#include "FileNameModel.h"

#include "DisplayText.h"

namespace zelvo {

void FileNameModel::setNames(std::vector<std::string> names)
{
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
}

int FileNameModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_names.size());
}

QVariant FileNameModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_names.size()))
        return {};
    const std::string& name = m_names[std::size_t(index.row())];
    if (role == Qt::DisplayRole)
        return displayText(name);
    if (role == RawNameRole)
        return QByteArray::fromStdString(name);
    return {};
}

} // namespace zelvo
