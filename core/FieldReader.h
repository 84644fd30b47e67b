#pragma once

#include <cstddef>
#include <string_view>

namespace zelvo {

// Reads comma-and-quote separated fields from text, the way the log viewer and
// the information panel's preview show a file. Fields end at a comma or a line
// end (CR LF, LF or a lone CR); a line end always ends a field. Blanks at the
// start of a field are dropped. A field that starts with a double quote runs
// to the next double quote or line end and may hold commas; the quotes are
// not part of it, and anything between the closing quote and the next
// separator is skipped. Fields are views into the text, which must outlive the reader.
class FieldReader {
public:
    explicit FieldReader(std::string_view text) : m_text(text) {}

    bool atEnd() const { return m_position >= m_text.size(); }
    std::size_t position() const { return m_position; }
    // The next field; call only while !atEnd().
    std::string_view next();

private:
    void skipSeparator();

    std::string_view m_text;
    std::size_t m_position = 0;
};

} // namespace zelvo
