#pragma once

#include <QAbstractListModel>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

// The rows of the log viewer: one row per field of the log's text, in file
// order. The whole file stays in one buffer and a row is only an offset and a
// length into it, turned into display text when the view asks for it, so a
// log of a hundred megabytes loads in a moment and costs little more memory
// than its bytes. A row is shown whole up to 64 Ki characters, which holds
// the file line of the longest path the system allows with its size and
// date; a longer one (a file without line ends) is shown shortened, so that
// painting it never stalls the window.
class LogRowsModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // The most characters a row shows; a longer one ends in "…".
    static constexpr std::size_t kShownCharacters = 64 * 1024;
    // The most bytes of a file the rows are taken from.
    static constexpr std::size_t kMaxBytes = std::numeric_limits<std::uint32_t>::max();

    // Replaces the rows by the fields of these Windows-1252 bytes (their
    // first kMaxBytes).
    void setLogBytes(std::string bytes);

    // The row's bytes exactly as the file holds them.
    std::string_view field(int row) const;
    // The row of the most characters (0 when there is none): the list sizes
    // all its rows like this one.
    int longestRow() const { return m_longestRow; }

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    // Eight bytes a row: a file of nothing but commas has as many rows as bytes.
    struct Span {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };

    std::string m_bytes;
    std::vector<Span> m_fields;
    int m_longestRow = 0;
};

} // namespace zelvo
