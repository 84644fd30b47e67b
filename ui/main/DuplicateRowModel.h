#pragma once

#include "core/CoarseClock.h"
#include "core/DuplicateRow.h"
#include "platform/Expect.h"

#include <QAbstractListModel>
#include <cstdint>
#include <vector>

namespace zelvo {

// The rows of List1. Each row keeps its path as raw bytes and its group, so a
// name that is not valid UTF-8 is never replaced by a look-alike on its way to
// the panel or the deletion. Rows are appended one by one while the analysis
// runs; appending is constant time, so 50,000 rows stay cheap.
//
// While new rows are held, the views hear of them in batches, at most once
// every kBatchMilliseconds, and of the rest when the hold ends: telling the
// views of every row costs more than the row itself, and a list that grew is
// laid out again whole, which at a million rows would take longer than the
// analysis between two paintings. rowCount() is what the views know; size()
// and row() also see the rows not handed out yet.
class DuplicateRowModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    static constexpr int kBatchMilliseconds = 1000;

    // The row's path as raw bytes (QByteArray), its group number, whether it
    // is a head row.
    static constexpr int RawPathRole = Qt::UserRole;
    static constexpr int GroupRole = Qt::UserRole + 1;
    static constexpr int IsHeadRole = Qt::UserRole + 2;

    void clear();
    void append(const DuplicateRow& row);
    void remove(int row);
    const DuplicateRow& row(int index) const
    {
        ZELVO_EXPECT(index >= 0 && std::size_t(index) < m_rows.size());
        return m_rows[std::size_t(index)];
    }
    int size() const { return int(m_rows.size()); }

    // Holds new rows back from the views (true), or hands every held row to
    // them and appends one by one again (false).
    void holdNewRows(bool hold);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    // Tells the views of every row they do not know yet.
    void publish();

    std::vector<DuplicateRow> m_rows;
    // How many of m_rows the views know: always a prefix.
    std::size_t m_published = 0;
    bool m_holding = false;
    // When the views last heard of new rows.
    CoarseClock::time_point m_lastBatch{};
};

} // namespace zelvo
