#pragma once

#include "platform/Drives.h"

#include <map>
#include <string>
#include <vector>

namespace zelvo {

// Drives from a script. By default every listed drive can be entered and its
// folder is its mount point; a drive can be made not ready for a number of
// attempts (or for ever), or fail with another error class.
class FakeDrives : public Drives {
public:
    static constexpr int kForever = -1;

    explicit FakeDrives(std::vector<std::string> mountPoints = {"/"})
        : m_mountPoints(std::move(mountPoints))
    {
    }

    void setMountPoints(std::vector<std::string> mountPoints) { m_mountPoints = std::move(mountPoints); }
    // The next `attempts` calls of enter() for this drive answer
    // DeviceNotReady; later ones succeed.
    void setNotReady(const std::string& mountPoint, int attempts = kForever)
    {
        m_failures[mountPoint] = {FileError::DeviceNotReady, attempts};
    }
    void setEnterError(const std::string& mountPoint, FileError error, int attempts = kForever)
    {
        m_failures[mountPoint] = {error, attempts};
    }
    // The folder entered for a drive, when it is not the mount point itself.
    void setFolder(const std::string& mountPoint, std::string folder) { m_folders[mountPoint] = std::move(folder); }

    std::vector<std::string> mountPoints() override { return m_mountPoints; }

    Result<std::string> enter(const std::string& mountPoint) override
    {
        m_enterCalls.push_back(mountPoint);
        auto failure = m_failures.find(mountPoint);
        if (failure != m_failures.end() && failure->second.remaining != 0) {
            if (failure->second.remaining > 0)
                --failure->second.remaining;
            return failure->second.error;
        }
        auto folder = m_folders.find(mountPoint);
        return folder != m_folders.end() ? folder->second : mountPoint;
    }

    // Every drive enter() was asked for, in order.
    const std::vector<std::string>& enterCalls() const { return m_enterCalls; }

private:
    struct Failure {
        FileError error = FileError::Other;
        int remaining = kForever;
    };
    std::vector<std::string> m_mountPoints;
    std::map<std::string, Failure> m_failures;
    std::map<std::string, std::string> m_folders;
    std::vector<std::string> m_enterCalls;
};

} // namespace zelvo
