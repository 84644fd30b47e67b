#include "Windows1252.h"

namespace zelvo {

namespace {

constexpr char kUnrepresentable = '?';

// The Windows-1252 byte of a character, or "?" when the code page has none.
char encodeCodePoint(char32_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    if (c < 0xA0)
        return windows1252ToUnicode(static_cast<unsigned char>(c)) == c ? static_cast<char>(c) : kUnrepresentable;
    for (unsigned byte = 0x80; byte < 0xA0; ++byte) {
        if (windows1252ToUnicode(static_cast<unsigned char>(byte)) == c)
            return static_cast<char>(byte);
    }
    return kUnrepresentable;
}

void appendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string utf8ToWindows1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char32_t c : bytesToCharacters(text))
        out += encodeCodePoint(c);
    return out;
}

std::string windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char byte : bytes)
        appendUtf8(out, windows1252ToUnicode(static_cast<unsigned char>(byte)));
    return out;
}

} // namespace zelvo
