#pragma once

#include "MainWindowView.h"

#include <cstdint>

namespace zelvo {

// A progress bar made of "•" bullets. One last drawn count is shared by every
// bar of one user action, so a bar is redrawn only when the count changes.
class BulletBar {
public:
    explicit BulletBar(MainWindowView& view) : m_view(view) {}

    // Draws floor(scale * position / total) bullets on the label when that
    // count differs from the last one drawn; returns whether it drew.
    bool draw(Control label, int scale, std::uint64_t position, std::uint64_t total,
              bool showLabel = false);
    int lastDrawn() const { return m_lastDrawn; }
    void forget() { m_lastDrawn = 0; }

private:
    MainWindowView& m_view;
    int m_lastDrawn = 0;
};

} // namespace zelvo
