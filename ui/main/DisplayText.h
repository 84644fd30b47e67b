#pragma once

#include <QString>
#include <string_view>

namespace zelvo {

// Turns bytes from the disk (names, paths, file contents) into text for the
// screen: UTF-8 when the bytes are valid UTF-8, else Windows-1252 (Latin-1
// when the system has no such codec), so every byte shows as some character
// and nothing is lost to a replacement mark. Only for display: anything that
// touches the disk keeps the original bytes.
QString displayText(std::string_view bytes);

} // namespace zelvo
