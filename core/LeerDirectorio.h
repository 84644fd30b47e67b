#pragma once

#include "BulletBar.h"
#include "FolderListing.h"
#include "MainWindowView.h"
#include "platform/FileSystem.h"

namespace zelvo {

// StartUp: the window's load and a pattern change. FolderChange: a new folder
// or drive; it hides the information panel first. Recovery: the analysis
// rescanning after a listed file vanished (panel left alone, pointer already
// busy, its bar shares the analysis' last drawn count).
enum class ScanMode { StartUp, FolderChange, Recovery };

// The folder scan: lists the folder under the pattern (File1), measures every
// file into the listing, sorts it by size while Label10 shows the bar, and
// writes the count line of Label6. It does not read file contents. A file
// that cannot be measured after it was listed (gone, refused) is left out; a
// folder that cannot be listed gives an empty listing, and the scan answers
// why (None when it was listed), for the window to tell.
// Measuring a cold folder is the kernel's work on each name and inode, on
// every core, and waits on the device where the inodes must be read: a
// listing of at least `from` files is measured by up to `threads` threads
// besides the caller, when the file system allows it, the processor has more
// than one core and the disk does not seek. (Cold, 1,000 files took 10 ms on
// one thread and 7 ms shared.)
struct ScanThreads {
    std::size_t from = 256;
    unsigned threads = 64;
};

FileError LeerDirectorio(ScanMode mode, const ScanRequest& where, FileSystem& fileSystem,
                         MainWindowView& view, FolderListing& listing, BulletBar& bar,
                         const ScanThreads& threads = {});

// The Shell sort by size: gap floor((N-1)/2), halved each pass; sizes compared
// as numbers; rows of equal size never exchanged. Draws floor(60*i/N) bullets
// on Label10 only when that count changes.
void sortListingBySize(FolderListing& listing, BulletBar& bar);

} // namespace zelvo
