#pragma once

#include "platform/FileSystem.h"

#include <functional>

namespace zelvo {

// Passes every call on to another file system and calls a heartbeat before
// each one, readers' reads included. The window hands this to the folder scan
// and the analysis so that it keeps painting while they work, however long
// they go without a progress bar to redraw.
class HeartbeatFileSystem final : public FileSystem {
public:
    HeartbeatFileSystem(FileSystem& inner, std::function<void()> heartbeat)
        : m_inner(inner), m_heartbeat(std::move(heartbeat))
    {
    }

    Result<std::vector<std::string>> listFiles(const std::string& folder,
                                               const std::string& pattern) override;
    Result<FileStatus> status(const std::string& path) override;
    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override;
    FileError removeFile(const std::string& path) override;
    FileError appendToFile(const std::string& path, std::string_view bytes) override;
    bool hasParent(const std::string& folder) override;

private:
    FileSystem& m_inner;
    std::function<void()> m_heartbeat;
};

} // namespace zelvo
