#pragma once

#include "Drives.h"

namespace zelvo {

// The mounted file systems a user of this program picks from: the root, the
// home folder and removable media (mounted under /media, /mnt or /run/media).
class QtDrives : public Drives {
public:
    QtDrives();
    // Other folders that hold removable media, for tests.
    explicit QtDrives(std::vector<std::string> removableRoots);

    std::vector<std::string> mountPoints() override;
    Result<std::string> enter(const std::string& mountPoint) override;

    // Whether a folder is the top of a mounted file system.
    static bool isMountPoint(const std::string& folder);

private:
    bool isRemovable(const std::string& mountPoint) const;

    std::vector<std::string> m_removableRoots;
};

} // namespace zelvo
