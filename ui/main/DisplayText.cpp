#include "DisplayText.h"

#include "platform/ByteText.h"

namespace zelvo {

QString displayText(std::string_view bytes)
{
    const std::u32string characters = bytesToCharacters(bytes);
    return QString::fromUcs4(characters.data(), qsizetype(characters.size()));
}

} // namespace zelvo
