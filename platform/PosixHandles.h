#pragma once

#include <dirent.h>
#include <unistd.h>

namespace zelvo {

// Owns a file descriptor and closes it when it goes. Neither copied nor
// moved: an owner lives where it was made, so no descriptor has two owners.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Hands the descriptor to a new owner.
    int release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    // Closes the descriptor held, if any, and takes `fd` instead.
    void reset(int fd = -1)
    {
        if (m_fd >= 0 && m_fd != fd)
            ::close(m_fd);
        m_fd = fd;
    }
    // Closes now and reports close()'s own result (0 or -1 with errno), for
    // writers that must know their data reached the file.
    int close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int m_fd;
};

// Owns an open directory stream.
class DirectoryHandle {
public:
    explicit DirectoryHandle(DIR* dir) : m_dir(dir) {}
    ~DirectoryHandle()
    {
        if (m_dir)
            ::closedir(m_dir);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;

    DIR* get() const { return m_dir; }

private:
    DIR* m_dir;
};

} // namespace zelvo
