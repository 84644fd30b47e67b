#pragma once

#include <QString>
#include <string_view>

namespace zelvo {

// Turns bytes from the disk (names, paths, file contents) into text for the
// screen, the way the log spells them (platform/ByteText.h): UTF-8 where the
// bytes are valid UTF-8, any other byte as its Windows-1252 character, so
// every byte shows as some character and nothing is lost to a replacement
// mark. Only for display: anything that touches the disk keeps the bytes.
QString displayText(std::string_view bytes);

} // namespace zelvo
