#pragma once

#include "ListedPaths.h"
#include "platform/FileSystem.h"

#include <string>
#include <vector>

namespace zelvo {

// The folder listing the analysis works on: the size and the full path of every
// listed file, row for row, in ascending order of size after a scan. These are
// the window's hidden lists List2 (sizes) and List3 (paths).
struct FolderListing {
    std::vector<ByteCount> sizes;
    ListedPaths paths;
    // Counts the clearings: rows that point into the listing tell by it that
    // the listing they point into was rebuilt since.
    std::uint64_t generation = 0;

    std::size_t NumArchivos() const { return paths.size(); }
    void clear()
    {
        sizes.clear();
        paths.clear();
        ++generation;
    }
};

// Where a scan looks: Dir1's current folder and File1's pattern.
struct ScanRequest {
    std::string folder;
    std::string pattern = "*.*";
};

// The full path of a listed file: the folder, "/" unless the folder has no
// parent (the root), then the name.
std::string fullPathOf(const std::string& folder, bool folderHasParent, const std::string& name);

} // namespace zelvo
