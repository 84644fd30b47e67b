#pragma once

#include "platform/DateText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/PictureLoader.h"

namespace zelvo {

// The platform services the windows use, handed in by main() (real ones) or by
// a test (fakes). The windows never reach the platform any other way.
struct PlatformServices {
    FileSystem& fileSystem;
    DateText& dates;
    MessageBox& messages;
    PictureLoader& pictures;
    HelpViewer& help;
    Drives& drives;
};

} // namespace zelvo
