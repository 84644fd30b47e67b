#pragma once

#include <string>
#include <string_view>

namespace zelvo {

// The log is 8-bit text in Windows-1252. These convert between it and the
// UTF-8 the rest of the program speaks. Neither ever fails: a character that
// Windows-1252 cannot hold, and every byte that is not part of a valid UTF-8
// sequence (names on disk need not be valid UTF-8), becomes one "?", so the
// encoded text holds exactly one byte per character of the input.
std::string utf8ToWindows1252(std::string_view utf8);

// The Unicode code point a Windows-1252 byte stands for. The five bytes the
// code page leaves undefined map to the C1 control of the same number, as
// Windows itself decodes them.
char32_t windows1252ToUnicode(unsigned char byte);

std::string windows1252ToUtf8(std::string_view bytes);

} // namespace zelvo
