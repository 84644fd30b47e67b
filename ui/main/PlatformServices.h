#pragma once

#include "platform/DateText.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/HelpViewer.h"
#include "platform/MessageBox.h"
#include "platform/PictureLoader.h"

namespace zelvo {

// The platform services the windows use, handed in by main() (real ones) or by
// a test (fakes). Every file the windows list, read, write or delete goes
// through here. Two things do not: the folder list Dir1 reads the folder tree
// itself (subfolder names, whether a folder is still there), and the window
// asks the process for its working folder when it starts.
struct PlatformServices {
    FileSystem& fileSystem;
    DateText& dates;
    MessageBox& messages;
    PictureLoader& pictures;
    HelpViewer& help;
    Drives& drives;
};

} // namespace zelvo
