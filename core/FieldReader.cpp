#include "FieldReader.h"

namespace zelvo {

namespace {
bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
} // namespace

void FieldReader::skipSeparator()
{
    if (atEnd())
        return;
    const char c = m_text[m_position];
    if (c == ',') {
        ++m_position;
    } else if (c == '\r') {
        ++m_position;
        if (!atEnd() && m_text[m_position] == '\n')
            ++m_position;
    } else if (c == '\n') {
        ++m_position;
    }
}

std::string_view FieldReader::next()
{
    while (!atEnd() && m_text[m_position] == ' ')
        ++m_position;
    if (atEnd())
        return {};

    if (m_text[m_position] == '"') {
        // A quote never spans lines: a name holding one would otherwise
        // swallow every line up to the next quote somewhere below.
        const std::size_t start = m_position + 1;
        std::size_t close = m_text.find_first_of("\"\r\n", start);
        if (close == std::string_view::npos)
            close = m_text.size();
        const std::string_view field = m_text.substr(start, close - start);
        m_position = close;
        if (!atEnd() && m_text[m_position] == '"')
            ++m_position;
        while (!atEnd() && m_text[m_position] != ',' && !isLineEnd(m_text[m_position]))
            ++m_position;
        skipSeparator();
        return field;
    }

    const std::size_t start = m_position;
    while (!atEnd() && m_text[m_position] != ',' && !isLineEnd(m_text[m_position]))
        ++m_position;
    const std::string_view field = m_text.substr(start, m_position - start);
    skipSeparator();
    return field;
}

} // namespace zelvo
