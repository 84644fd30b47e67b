#pragma once

#include "FileSystem.h"

#include <memory>

namespace zelvo {

// The file system through POSIX calls. Links are followed everywhere; only
// regular files are listed or opened, so a fifo, socket or device in the
// folder can neither block nor confuse a run. Names starting with "." are
// hidden files and are not listed. A folder that may be read but not entered
// is refused like one that may not be read: none of its files could be
// measured or opened.
class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem();

    Result<std::vector<std::string>> listFiles(const std::string& folder, const std::string& pattern) override;
    FileError checkFolder(const std::string& folder) override;
    Result<FileStatus> status(const std::string& path) override;
    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override;
    Result<std::unique_ptr<FileReader>> openForComparing(const std::string& path, ByteCount size) override;
    FileError removeFile(const std::string& path) override;
    FileError appendToFile(const std::string& path, std::string_view bytes) override;
    bool hasParent(const std::string& folder) override;
    // Every call stands alone; each thread keeps its own folder handle.
    bool allowsConcurrentReads() const override { return true; }
    bool readsBestInOrder(const std::string& path) override;

    // For each thread, an open handle on the folder of the last path it
    // looked up, so that its next lookup in the same folder walks one name
    // instead of the whole path.
    struct FolderCache;

private:
    // Takes ownership of an open file for reading.
    static Result<std::unique_ptr<FileReader>> readerFor(int fd, ByteCount size);

    std::shared_ptr<FolderCache> m_folders;
};

// The program's failure class for an errno value.
FileError fileErrorFromErrno(int error);

} // namespace zelvo
