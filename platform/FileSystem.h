#pragma once

#include "FileError.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zelvo {

// Byte counts are 64-bit everywhere: files of 2 GiB and more are ordinary.
using ByteCount = std::uint64_t;

// Seconds since the Unix epoch, UTC. Date text turns it into local time.
struct Timestamp {
    std::int64_t seconds = 0;
    auto operator<=>(const Timestamp&) const = default;
};

// Two names with the same identity are the same file on disk (hard link or a
// symbolic link to it): deleting one would delete or orphan the only data.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

struct FileStatus {
    ByteCount size = 0;
    Timestamp modified;
    FileIdentity identity;
    // The fraction of the modification's second, where the system keeps it:
    // only to tell whether a file changed meanwhile.
    std::uint32_t modifiedNanoseconds = 0;
    // Not a fifo, device, socket or folder.
    bool regular = true;
    // False on file systems that make a file's contents up as it is read
    // (/proc, /sys): such a file may hold text and say 0 bytes.
    bool sizeTrusted = true;
};

// An open file. Closing happens in the destructor, so no path can leave a file
// open. read() is sequential; readAt() reads at an absolute offset without
// moving the sequential position. Both return fewer bytes than asked only at
// the end of the file (0 at the end).
class FileReader {
public:
    virtual ~FileReader() = default;
    FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    virtual Result<std::size_t> read(std::span<std::byte> into) = 0;
    virtual Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) = 0;
    // Where the file's first byte lies on its device, as far as the system
    // tells (else a stand-in that grows with it, such as the inode number):
    // only to order reads on a disk whose head seeks. 0 when unknown.
    virtual std::uint64_t placeOnDisk() { return 0; }
    // Whether the system may read past each read, in the hope that the next
    // one follows (on by default). A first look at a file that most likely
    // differs from the others wants none of it on a cold device: the pages
    // read for nothing take its time from the reads that are wanted.
    virtual void setReadAhead(bool on) { static_cast<void>(on); }
    // Tells the system that the bytes from `offset` on, `length` of them,
    // will all be read soon: it may fetch them in as few requests as the
    // device takes, rather than in a read-ahead window that grows.
    virtual void willRead(ByteCount offset, ByteCount length)
    {
        static_cast<void>(offset);
        static_cast<void>(length);
    }
};

// Everything the engine, the log and the windows need of the disk. Paths are
// raw bytes as the system gives them (names need not be valid UTF-8).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The regular files of a folder (symbolic links to regular files included)
    // whose names match a wildcard pattern: "*" any run, "?" one character,
    // letter case ignored. Sorted ascending, letter case ignored.
    virtual Result<std::vector<std::string>> listFiles(const std::string& folder,
                                                       const std::string& pattern) = 0;
    // Whether the files of a folder can be listed and reached now: None, or
    // why not (gone, refused). The default lists the folder; a real file
    // system answers without reading a large folder through.
    virtual FileError checkFolder(const std::string& folder)
    {
        const Result<std::vector<std::string>> listed = listFiles(folder, "*");
        return listed ? FileError::None : listed.error();
    }
    // Size, last-change time and identity, following symbolic links.
    virtual Result<FileStatus> status(const std::string& path) = 0;
    virtual Result<std::unique_ptr<FileReader>> openForReading(const std::string& path) = 0;
    // Opens a file that the caller found a moment ago to be a regular file of
    // `size` bytes, to compare its contents with others. Unlike
    // openForReading it need not check the file's type again, a system call
    // saved on each of thousands of files; a fifo or device put in the file's
    // place meanwhile must not block, and anything deleted on the strength of
    // a comparison is checked again through openForReading first.
    virtual Result<std::unique_ptr<FileReader>> openForComparing(const std::string& path, ByteCount size)
    {
        static_cast<void>(size);
        return openForReading(path);
    }
    virtual FileError removeFile(const std::string& path) = 0;
    // Appends the bytes with a single write, creating the file when absent.
    virtual FileError appendToFile(const std::string& path, std::string_view bytes) = 0;
    // False only for the root "/": there the full path of a file needs no
    // separator.
    virtual bool hasParent(const std::string& folder) = 0;
    // Whether status() and openForReading(), and the readers they hand out,
    // may be used from several threads at once. Decorators that count or
    // fake things say no unless they are made for it.
    virtual bool allowsConcurrentReads() const { return false; }
    // Whether the device holding `path` answers best to one request at a
    // time in the order of the places on it (a spinning disk, where many
    // requests at once make the head seek back and forth).
    virtual bool readsBestInOrder(const std::string& path)
    {
        static_cast<void>(path);
        return false;
    }
};

} // namespace zelvo
