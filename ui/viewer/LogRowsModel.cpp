#include "LogRowsModel.h"

#include "core/FieldReader.h"
#include "log/Windows1252.h"

#include <limits>

namespace zelvo {

void LogRowsModel::setLogBytes(std::string bytes)
{
    beginResetModel();
    m_bytes = std::move(bytes);
    if (m_bytes.size() > kMaxBytes)
        m_bytes.resize(kMaxBytes);
    m_fields.clear();
    m_longestRow = 0;
    FieldReader reader(m_bytes);
    while (!reader.atEnd()) {
        const std::string_view field = reader.next();
        // An empty field may point nowhere; its offset does not matter.
        const auto offset = field.empty() ? 0 : static_cast<std::uint32_t>(field.data() - m_bytes.data());
        if (!m_fields.empty() && field.size() > m_fields[std::size_t(m_longestRow)].length)
            m_longestRow = int(std::min<std::size_t>(m_fields.size(), std::numeric_limits<int>::max()));
        m_fields.push_back({offset, static_cast<std::uint32_t>(field.size())});
    }
    m_fields.shrink_to_fit();
    endResetModel();
}

std::string_view LogRowsModel::field(int row) const
{
    const Span& span = m_fields.at(static_cast<std::size_t>(row));
    return std::string_view(m_bytes).substr(span.offset, span.length);
}

int LogRowsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return static_cast<int>(std::min<std::size_t>(m_fields.size(), std::numeric_limits<int>::max()));
}

QVariant LogRowsModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount())
        return {};
    const std::string_view whole = field(index.row());
    const std::string_view bytes = whole.substr(0, kShownCharacters);
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* out = text.data();
    // Every Windows-1252 character lies in the basic plane: one QChar each.
    for (char byte : bytes)
        *out++ = QChar(static_cast<char16_t>(windows1252ToUnicode(static_cast<unsigned char>(byte))));
    if (whole.size() > bytes.size())
        text += QChar(0x2026);
    return text;
}

} // namespace zelvo
