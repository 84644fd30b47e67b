#include "QtDrives.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace zelvo {

namespace {

std::string encoded(const QString& path) { return QFile::encodeName(path).toStdString(); }

bool isUnder(const std::string& path, const std::string& root)
{
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

} // namespace

QtDrives::QtDrives() : QtDrives({"/media", "/mnt", "/run/media"}) {}

QtDrives::QtDrives(std::vector<std::string> removableRoots) : m_removableRoots(std::move(removableRoots)) {}

bool QtDrives::isRemovable(const std::string& mountPoint) const
{
    return std::any_of(m_removableRoots.begin(), m_removableRoots.end(),
                       [&](const std::string& root) { return isUnder(mountPoint, root); });
}

std::vector<std::string> QtDrives::mountPoints()
{
    std::vector<std::string> points{"/", encoded(QDir::homePath())};
    // Volumes not ready are offered too: choosing one asks to retry.
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        const std::string root = encoded(volume.rootPath());
        if (isRemovable(root))
            points.push_back(root);
    }
    std::sort(points.begin() + 1, points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    points.erase(std::remove(points.begin() + 1, points.end(), "/"), points.end());
    return points;
}

bool QtDrives::isMountPoint(const std::string& folder)
{
    struct stat self;
    struct stat parent;
    if (::stat(folder.c_str(), &self) != 0 || ::stat((folder + "/..").c_str(), &parent) != 0)
        return false;
    // The root is its own parent; any other top of a file system sits on a
    // different device than its parent, or is the same folder as it.
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
}

Result<std::string> QtDrives::enter(const std::string& mountPoint)
{
    struct stat st;
    if (::stat(mountPoint.c_str(), &st) != 0) {
        switch (errno) {
        case ENOENT:
        case ENOTDIR:
        case EACCES:
        case ENXIO:
        case ENODEV:
#ifdef ENOMEDIUM
        case ENOMEDIUM:
#endif
            return FileError::DeviceNotReady;
        default:
            return FileError::Other;
        }
    }
    if (!S_ISDIR(st.st_mode) || ::access(mountPoint.c_str(), R_OK | X_OK) != 0)
        return FileError::DeviceNotReady;
    // The folder of an unplugged medium may stay behind, empty and unmounted.
    if (isRemovable(mountPoint) && !isMountPoint(mountPoint))
        return FileError::DeviceNotReady;
    return mountPoint;
}

} // namespace zelvo
