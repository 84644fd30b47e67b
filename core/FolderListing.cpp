#include "FolderListing.h"

namespace zelvo {

std::string fullPathOf(const std::string& folder, bool folderHasParent, const std::string& name)
{
    return folderHasParent ? folder + "/" + name : folder + name;
}

} // namespace zelvo
