#pragma once

#include "core/DuplicateRow.h"

#include <QAbstractListModel>
#include <vector>

namespace zelvo {

// The rows of List1. Each row keeps its path as raw bytes and its group, so a
// name that is not valid UTF-8 is never replaced by a look-alike on its way to
// the panel or the deletion. Rows are appended one by one while the analysis
// runs; appending is constant time, so 50,000 rows stay cheap.
class DuplicateRowModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    // The row's path as raw bytes (QByteArray), its group number, whether it
    // is a head row.
    static constexpr int RawPathRole = Qt::UserRole;
    static constexpr int GroupRole = Qt::UserRole + 1;
    static constexpr int IsHeadRole = Qt::UserRole + 2;

    void clear();
    void append(const DuplicateRow& row);
    void remove(int row);
    const DuplicateRow& row(int index) const { return m_rows[std::size_t(index)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    std::vector<DuplicateRow> m_rows;
};

} // namespace zelvo
