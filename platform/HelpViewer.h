#pragma once

#include <string>

namespace zelvo {

// The platform's help viewer. show() returns at once; the viewer stays open on
// its own.
class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    // The viewer's force-file command: show this help file at its contents.
    static constexpr int kForceFile = 9;
    virtual void show(const std::string& helpFile, int command) = 0;
};

} // namespace zelvo
