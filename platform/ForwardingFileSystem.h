#pragma once

#include "FileSystem.h"

namespace zelvo {

// Passes every call on to another file system unchanged: the base of the
// decorators (heartbeat, counting, faults), so that each overrides only what
// it changes. Both opens hand their answer to opened(), so a decorator that
// watches reads wraps the readers of both in one place.
//
// allowsConcurrentReads() keeps FileSystem's cautious no: a decorator passes
// the inner answer on only when its own state is safe from several threads.
class ForwardingFileSystem : public FileSystem {
public:
    explicit ForwardingFileSystem(FileSystem& inner) : m_inner(inner) {}

    Result<std::vector<std::string>> listFiles(const std::string& folder,
                                               const std::string& pattern) override
    {
        return m_inner.listFiles(folder, pattern);
    }
    Result<FileStatus> status(const std::string& path) override { return m_inner.status(path); }
    Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) override
    {
        return opened(path, m_inner.openForReading(path));
    }
    Result<std::unique_ptr<FileReader>> openForComparing(const std::string& path,
                                                         ByteCount size) override
    {
        return opened(path, m_inner.openForComparing(path, size));
    }
    FileError removeFile(const std::string& path) override { return m_inner.removeFile(path); }
    FileError appendToFile(const std::string& path, std::string_view bytes) override
    {
        return m_inner.appendToFile(path, bytes);
    }
    bool hasParent(const std::string& folder) override { return m_inner.hasParent(folder); }
    bool readsBestInOrder(const std::string& path) override { return m_inner.readsBestInOrder(path); }

protected:
    FileSystem& inner() const { return m_inner; }

    // What the inner file system answered to either open of `path`, on its
    // way to the caller.
    virtual Result<std::unique_ptr<FileReader>> opened(const std::string& path,
                                                       Result<std::unique_ptr<FileReader>> reader)
    {
        static_cast<void>(path);
        return reader;
    }

private:
    FileSystem& m_inner;
};

} // namespace zelvo
