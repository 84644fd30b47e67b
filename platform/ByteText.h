#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zelvo {

// Names on disk are bytes and need not be valid UTF-8. Everything that shows
// or writes a name as characters (the lists, the panel, the messages, the
// log) reads its bytes through here, so a name has one spelling everywhere:
// each valid UTF-8 sequence is the character it encodes, and every other byte
// is the Windows-1252 character it stands for (a Latin-1 "café" reads
// "café"). No byte is ever lost to a replacement mark.
std::u32string bytesToCharacters(std::string_view bytes);

// The length of the valid, shortest-form UTF-8 sequence of a scalar value
// that starts at text[at], its character in `out`; 0 when there is none.
std::size_t decodeUtf8(std::string_view text, std::size_t at, char32_t& out);

// The Unicode code point a Windows-1252 byte stands for. The five bytes the
// code page leaves undefined map to the C1 control of the same number, as
// Windows itself decodes them.
char32_t windows1252ToUnicode(unsigned char byte);

} // namespace zelvo
