#pragma once

#include "core/CoarseClock.h"
#include "core/DuplicateRow.h"
#include "core/FolderListing.h"
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
//
// A row whose path stands in the folder listing keeps only its place there:
// a million rows would otherwise hold a second copy of every path. Every scan
// that rebuilds the listing clears the list first.
class DuplicateRowModel final : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    static constexpr int kBatchMilliseconds = 1000;

    // The row's path as raw bytes (QByteArray), its group number, whether it
    // is a head row.
    static constexpr int RawPathRole = Qt::UserRole;
    static constexpr int GroupRole = Qt::UserRole + 1;
    static constexpr int IsHeadRole = Qt::UserRole + 2;

    // The listing whose paths rows may share; it outlives the model.
    void shareListing(const FolderListing* listing) { m_listing = listing; }

    void clear();
    void append(const DuplicateRow& row);
    void remove(int row);
    DuplicateRow row(int index) const;
    int size() const { return int(m_rows.size()); }

    // Holds new rows back from the views (true), or hands every held row to
    // them and appends one by one again (false).
    void holdNewRows(bool hold);
    // Hands the held rows to the views once the batch interval has passed
    // since the last batch: rows found before a long quiet spell (a large
    // file read) are shown during it, not after it.
    void publishIfDue();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    // Tells the views of every row they do not know yet.
    void publish();

    struct StoredRow {
        // A row of the listing, or of m_ownPaths.
        std::uint32_t path;
        std::int32_t group;
        bool isHead;
        bool listed;
    };
    std::string pathOf(const StoredRow& row) const;

    const FolderListing* m_listing = nullptr;
    // The listing's generation when its paths were shared.
    std::uint64_t m_generation = 0;
    std::vector<StoredRow> m_rows;
    std::vector<std::string> m_ownPaths;
    // How many of m_rows the views know: always a prefix.
    std::size_t m_published = 0;
    bool m_holding = false;
    // When the views last heard of new rows.
    CoarseClock::time_point m_lastBatch{};
};

} // namespace zelvo
