#include "BulletBar.h"

#include <string>

namespace zelvo {

namespace {
std::string bullets(int count)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 3);
    for (int i = 0; i < count; ++i)
        text += "\xE2\x80\xA2"; // U+2022
    return text;
}
} // namespace

bool BulletBar::draw(Control label, int scale, std::uint64_t position, std::uint64_t total,
                     bool showLabel)
{
    if (total == 0)
        return false;
    // 128-bit product: scale * position cannot overflow for any 64-bit size.
    const auto count = static_cast<int>(
        static_cast<unsigned __int128>(scale) * position / total);
    if (count == m_lastDrawn)
        return false;
    if (showLabel)
        m_view.setVisible(label, true);
    m_view.setCaption(label, bullets(count));
    m_view.repaintNow(label);
    m_lastDrawn = count;
    return true;
}

} // namespace zelvo
