#include "DuplicateRowModel.h"

#include "DisplayText.h"

namespace zelvo {

void DuplicateRowModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_ownPaths.clear();
    m_published = 0;
    endResetModel();
}

std::string DuplicateRowModel::pathOf(const StoredRow& row) const
{
    if (!row.listed)
        return m_ownPaths[row.path];
    // A rebuilt listing would name another file: the list was not cleared.
    ZELVO_EXPECT(m_listing->generation == m_generation && row.path < m_listing->paths.size());
    return m_listing->paths[row.path];
}

DuplicateRow DuplicateRowModel::row(int index) const
{
    ZELVO_EXPECT(index >= 0 && std::size_t(index) < m_rows.size());
    const StoredRow& r = m_rows[std::size_t(index)];
    return {r.isHead, pathOf(r), r.group};
}

void DuplicateRowModel::append(const DuplicateRow& added)
{
    const bool listed = m_listing && added.listingRow < m_listing->paths.size() &&
                        m_listing->paths.is(added.listingRow, added.path);
    StoredRow row{added.listingRow, added.group, added.isHead, listed};
    if (listed) {
        m_generation = m_listing->generation;
    } else {
        row.path = std::uint32_t(m_ownPaths.size());
        m_ownPaths.push_back(added.path);
    }
    if (!m_holding) {
        publish();
        const int at = int(m_rows.size());
        beginInsertRows({}, at, at);
        m_rows.push_back(row);
        m_published = m_rows.size();
        endInsertRows();
        return;
    }
    m_rows.push_back(row);
    publishIfDue();
}

void DuplicateRowModel::publishIfDue()
{
    const CoarseClock::time_point now = CoarseClock::now();
    if (!m_holding || now - m_lastBatch < std::chrono::milliseconds(kBatchMilliseconds))
        return;
    publish();
    m_lastBatch = now;
}

void DuplicateRowModel::holdNewRows(bool hold)
{
    if (hold && !m_holding)
        m_lastBatch = CoarseClock::now();
    m_holding = hold;
    if (!hold)
        publish();
}

void DuplicateRowModel::publish()
{
    if (m_published == m_rows.size())
        return;
    beginInsertRows({}, int(m_published), int(m_rows.size()) - 1);
    m_published = m_rows.size();
    endInsertRows();
}

void DuplicateRowModel::remove(int row)
{
    ZELVO_EXPECT(row >= 0 && row < int(m_rows.size()));
    publish();
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    m_published = m_rows.size();
    endRemoveRows();
}

int DuplicateRowModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_published);
}

QVariant DuplicateRowModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_published))
        return {};
    const StoredRow& r = m_rows[std::size_t(index.row())];
    const std::string path = pathOf(r);
    switch (role) {
    case Qt::DisplayRole:
        // The prefix is UTF-8 of our own; the path is decoded on its own so
        // that the prefix never decides how the name's bytes are read.
        return r.isHead ? QString::fromUtf8(kHeadRowPrefix.data(), qsizetype(kHeadRowPrefix.size())) +
                              displayText(path)
                        : displayText(path);
    case Qt::AccessibleTextRole:
        // Read aloud, the arrow of a head row is four dots and a sign; what
        // it means is said instead.
        return (r.isHead ? QStringLiteral("Original: ") : QStringLiteral("Copia: ")) +
               displayText(path);
    case RawPathRole:
        return QByteArray::fromStdString(path);
    case GroupRole:
        return r.group;
    case IsHeadRole:
        return r.isHead;
    default:
        return {};
    }
}

} // namespace zelvo
