#pragma once

#include "platform/FileSystem.h"

#include <string>

namespace zelvo {

// How two files compare right now.
enum class Sameness {
    Same,
    Different, // other bytes, or a file gone: no copy either way
    Unknown,   // a file could not be opened or read to its end
};

// Whether two files hold the same bytes right now, read side by side in
// chunks and given up at the first chunk that differs.
Sameness sameContents(FileSystem& fileSystem, const std::string& first, const std::string& second);

} // namespace zelvo
