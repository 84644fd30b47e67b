#pragma once

#include <QRect>

namespace zelvo {

// The windows' designs measure in twips, 15 to a pixel at 96 dots per inch.
// A place rounds to the nearest pixel; no whole number of twips lies halfway
// between two pixels, since 15 is odd.
constexpr int twipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

inline QRect twipRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

} // namespace zelvo
