#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace zelvo {

// Whether two files hold the same bytes right now, read side by side in
// chunks and given up at the first chunk that differs. A file that cannot be
// opened or read to its end is the same as nothing.
bool sameContents(FileSystem& fileSystem, const std::string& first, const std::string& second);

} // namespace zelvo
