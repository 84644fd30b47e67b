#pragma once

#include "FileError.h"

#include <string>
#include <vector>

namespace zelvo {

// The "drives" a user chooses between: the mounted file systems worth
// offering (the root, home, removable media), shown by their mount point.
class Drives {
public:
    virtual ~Drives() = default;
    virtual std::vector<std::string> mountPoints() = 0;
    // The folder to enter for a drive, or DeviceNotReady when it cannot be
    // entered (gone, not mounted, no permission to enter), or Other.
    virtual Result<std::string> enter(const std::string& mountPoint) = 0;
};

} // namespace zelvo
