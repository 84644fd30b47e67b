#pragma once

#include "platform/ForwardingFileSystem.h"

#include <functional>
#include <thread>

namespace zelvo {

// Passes every call on to another file system and calls a heartbeat before
// each one, readers' reads included. The window hands this to the folder scan
// and the analysis so that it keeps painting while they work, however long
// they go without a progress bar to redraw.
class HeartbeatFileSystem final : public ForwardingFileSystem {
public:
    // The heartbeat runs only on the thread that makes this file system (the
    // window's); calls from the analysis' helper thread pass straight on.
    HeartbeatFileSystem(FileSystem& inner, std::function<void()> heartbeat)
        : ForwardingFileSystem(inner),
          m_heartbeat([beat = std::move(heartbeat), owner = std::this_thread::get_id()] {
              if (std::this_thread::get_id() == owner)
                  beat();
          })
    {
    }

    Result<std::vector<std::string>> listFiles(const std::string& folder,
                                               const std::string& pattern) override;
    // The inner file system's own check, which may read no folder through.
    FileError checkFolder(const std::string& folder) override;
    Result<FileStatus> status(const std::string& path) override;
    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override;
    Result<std::unique_ptr<FileReader>> openForComparing(const std::string& path, ByteCount size) override;
    FileError removeFile(const std::string& path) override;
    FileError appendToFile(const std::string& path, std::string_view bytes) override;
    bool allowsConcurrentReads() const override { return inner().allowsConcurrentReads(); }

protected:
    Result<std::unique_ptr<FileReader>> opened(const std::string& path,
                                               Result<std::unique_ptr<FileReader>> reader) override;

private:
    std::function<void()> m_heartbeat;
};

} // namespace zelvo
