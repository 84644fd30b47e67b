#pragma once

#include "platform/ByteText.h"

#include <string>
#include <string_view>

namespace zelvo {

// The log is 8-bit text in Windows-1252. These convert between it and the
// characters the rest of the program shows. utf8ToWindows1252 never fails: it
// reads the bytes as every name is read (platform/ByteText.h: UTF-8 where
// valid, any other byte as the Windows-1252 character it stands for), and a
// character that Windows-1252 cannot hold becomes one "?", so the encoded
// text holds exactly one byte per character shown.
std::string utf8ToWindows1252(std::string_view text);

std::string windows1252ToUtf8(std::string_view bytes);

} // namespace zelvo
