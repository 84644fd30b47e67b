#include "PosixFileSystem.h"

#include "PosixHandles.h"
#include "WildcardPattern.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <atomic>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <fcntl.h>
#include <fstream>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <mutex>
#include <numeric>
#include <string>
#include <sys/ioctl.h>
#include <sys/sysmacros.h>
#include <limits>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace zelvo {

FileError fileErrorFromErrno(int error)
{
    switch (error) {
    case 0:
        return FileError::None;
    case ENOENT:
    case ENOTDIR:
        return FileError::NotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
    case ELOOP: // a link where none may be followed, or a loop of links
        return FileError::AccessDenied;
    case EINVAL:
    case ENAMETOOLONG:
    case EILSEQ:
        return FileError::InvalidArgument;
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

namespace {

FileError lastError() { return fileErrorFromErrno(errno); }

constexpr ByteCount kSequentialAdviceFrom = 1u << 20;

class PosixFileReader : public FileReader {
public:
    // `sequential`: the file was advised to be read front to back at open.
    PosixFileReader(int fd, bool sequential) : m_fd(fd), m_sequential(sequential) {}

    Result<std::size_t> read(std::span<std::byte> into) override
    {
        return readLoop(into, [this](std::byte* at, std::size_t count, std::size_t) {
            return ::read(m_fd.get(), at, count);
        });
    }

    Result<std::size_t> readAt(ByteCount offset, std::span<std::byte> into) override
    {
        if (offset > ByteCount(std::numeric_limits<off_t>::max()))
            return FileError::InvalidArgument;
        return readLoop(into, [this, offset](std::byte* at, std::size_t count, std::size_t done) {
            return ::pread(m_fd.get(), at, count, off_t(offset + done));
        });
    }

    // The physical place of the first extent, where the file system maps
    // them; else the inode number, which on most file systems grows with the
    // place of the inode and, roughly, of the data written with it.
    std::uint64_t placeOnDisk() override
    {
        alignas(fiemap) unsigned char request[sizeof(fiemap) + sizeof(fiemap_extent)] = {};
        auto* map = reinterpret_cast<fiemap*>(request);
        map->fm_start = 0;
        map->fm_length = FIEMAP_MAX_OFFSET;
        map->fm_extent_count = 1;
        // Data not yet written out has no place yet, and is read from memory.
        if (::ioctl(m_fd.get(), FS_IOC_FIEMAP, map) == 0 && map->fm_mapped_extents > 0 &&
            !(map->fm_extents[0].fe_flags & FIEMAP_EXTENT_UNKNOWN))
            return map->fm_extents[0].fe_physical;
        struct stat st;
        return ::fstat(m_fd.get(), &st) == 0 ? std::uint64_t(st.st_ino) : 0;
    }

    void setReadAhead(bool on) override
    {
        if (on == m_readAhead)
            return;
        m_readAhead = on;
        const int advice = !on ? POSIX_FADV_RANDOM : m_sequential ? POSIX_FADV_SEQUENTIAL : POSIX_FADV_NORMAL;
        ::posix_fadvise(m_fd.get(), 0, 0, advice);
    }

    void willRead(ByteCount offset, ByteCount length) override
    {
        ::posix_fadvise(m_fd.get(), off_t(offset), off_t(length), POSIX_FADV_WILLNEED);
    }

private:
    // The kernel may hand out fewer bytes than asked (a signal, a large
    // request); only a read of 0 means the end of the file.
    template <typename ReadSome>
    Result<std::size_t> readLoop(std::span<std::byte> into, ReadSome readSome)
    {
        std::size_t done = 0;
        while (done < into.size()) {
            const ssize_t got = readSome(into.data() + done, into.size() - done, done);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return lastError();
            }
            if (got == 0)
                break;
            done += std::size_t(got);
        }
        return done;
    }

    FileDescriptor m_fd;
    bool m_sequential;
    bool m_readAhead = true;
};

bool isHidden(const char* name) { return name[0] == '.'; }

// Whether a directory entry is a regular file, following a symbolic link.
// The entry type saves a stat() for most entries.
bool isRegularFile(int folderFd, const dirent& entry)
{
    if (entry.d_type == DT_REG)
        return true;
    if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
        return false;
    struct stat st;
    if (::fstatat(folderFd, entry.d_name, &st, 0) != 0)
        return false; // A broken link or an entry gone meanwhile.
    return S_ISREG(st.st_mode);
}

// A name's folded characters written so that comparing the bytes compares
// the characters: UTF-8's scheme, which keeps the order of the code points,
// stretched to any value the folding gives. One buffer holds every key: a
// vector per name would cost a million folders four times their names.
void appendOrderedKey(std::string& keys, std::string_view name)
{
    for (char32_t c : foldedCharacters(name)) {
        const auto v = std::uint32_t(c);
        if (v < 0x80) {
            keys += char(v);
            continue;
        }
        int tail = v < 0x800 ? 1 : v < 0x10000 ? 2 : v < 0x200000 ? 3 : v < 0x4000000 ? 4 : 5;
        const unsigned char lead[] = {0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
        keys += char(lead[tail] | (v >> (6 * tail)));
        while (tail-- > 0)
            keys += char(0x80 | ((v >> (6 * tail)) & 0x3F));
    }
}

void sortIgnoringCase(std::vector<std::string>& names)
{
    std::string keys;
    std::vector<std::size_t> keyStart;
    keyStart.reserve(names.size() + 1);
    for (const std::string& name : names) {
        keyStart.push_back(keys.size());
        appendOrderedKey(keys, name);
    }
    keyStart.push_back(keys.size());
    const auto key = [&](std::uint32_t i) {
        return std::string_view(keys).substr(keyStart[i], keyStart[i + 1] - keyStart[i]);
    };
    std::vector<std::uint32_t> order(names.size());
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int byKey = key(a).compare(key(b));
        return byKey != 0 ? byKey < 0 : names[a] < names[b];
    });
    // The names move into their places along the cycles of the order, with
    // no second copy of the list.
    for (std::uint32_t start = 0; start < order.size(); ++start) {
        if (order[start] == start)
            continue;
        std::string held = std::move(names[start]);
        std::uint32_t at = start;
        while (order[at] != start) {
            const std::uint32_t from = order[at];
            names[at] = std::move(names[from]);
            order[at] = at;
            at = from;
        }
        names[at] = std::move(held);
        order[at] = at;
    }
}

// Opens a folder as its path names it now. A path too long for one system
// call is walked in pieces shorter than PATH_MAX, cut at separators, each
// looked up relative to the folder the previous one opened and following
// links as one lookup of the whole path would. Answers -1 with errno set on
// failure.
int openFolderNow(std::string_view folder)
{
    constexpr int kFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (folder.size() < PATH_MAX)
        return ::open(std::string(folder).c_str(), kFlags);
    FileDescriptor at;
    std::size_t begin = 0;
    while (begin < folder.size()) {
        std::size_t end = folder.size();
        if (end - begin >= PATH_MAX) {
            end = folder.rfind('/', begin + PATH_MAX - 1);
            // A single name this long is refused by the system anyway.
            if (end == std::string_view::npos || end <= begin) {
                errno = ENAMETOOLONG;
                return -1;
            }
        }
        const std::string piece(folder.substr(begin, end - begin));
        const int next = ::openat(at.valid() ? at.get() : AT_FDCWD, piece.c_str(), kFlags);
        if (next < 0) {
            const int error = errno;
            at.reset();
            errno = error;
            return -1;
        }
        at.reset(next);
        // The next piece must be relative: a leading "/" would start again
        // from the root.
        begin = end;
        while (begin < folder.size() && folder[begin] == '/')
            ++begin;
    }
    return at.release();
}

// Where the last name of a path is looked up now, with nothing kept between
// calls: the whole path from the working folder when the system takes it in
// one call, else the name within its folder opened afresh by openFolderNow.
class PathAnchor {
public:
    explicit PathAnchor(const std::string& path) : m_name(path.c_str())
    {
        if (path.size() < PATH_MAX)
            return;
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash + 1 == path.size()) {
            m_error = ENAMETOOLONG;
            return;
        }
        m_folder.reset(openFolderNow(std::string_view(path).substr(0, slash == 0 ? 1 : slash)));
        if (!m_folder.valid())
            m_error = errno;
        m_name = path.c_str() + slash + 1;
    }
    // The lookup's errno outlives the folder's closing.
    ~PathAnchor()
    {
        const int error = errno;
        m_folder.reset();
        errno = error;
    }
    PathAnchor(const PathAnchor&) = delete;
    PathAnchor& operator=(const PathAnchor&) = delete;

    // 0, or the errno that kept the folder from being opened.
    int error() const { return m_error; }
    int folder() const { return m_folder.valid() ? m_folder.get() : AT_FDCWD; }
    const char* name() const { return m_name; }

private:
    FileDescriptor m_folder;
    const char* m_name;
    int m_error = 0;
};

} // namespace

// A folder handle is trusted for a short while only: a folder renamed and
// replaced by another of the same name must not go on answering for it. It is
// checked again against the folder's path (one full lookup) once it is older
// than kFolderTrust, which keeps nearly all of the saving on a run over many
// files and never outlives a user's action. Each thread keeps its own handle,
// so that two threads reading one folder share no lock and no counter.
struct PosixFileSystem::FolderCache {
    static constexpr std::chrono::milliseconds kFolderTrust{50};

    // Which file system a thread's handle was opened for.
    const std::uint64_t owner;

    explicit FolderCache(std::uint64_t ownerId) : owner(ownerId) {}

    // Runs lookup(folderFd, name) for a path, relative to a kept handle on
    // its folder when one can be had, else as the path stands now. The lookup
    // answers -1 with errno set on failure.
    template <typename Lookup>
    auto at(const std::string& path, Lookup lookup)
    {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash + 1 == path.size())
            return lookup(AT_FDCWD, path.c_str());
        const int folderFd = handleFor(std::string_view(path.data(), slash == 0 ? 1 : slash));
        if (folderFd >= 0)
            return lookup(folderFd, path.c_str() + slash + 1);
        const PathAnchor anchor(path);
        if (anchor.error() != 0) {
            errno = anchor.error();
            return decltype(lookup(AT_FDCWD, path.c_str()))(-1);
        }
        return lookup(anchor.folder(), anchor.name());
    }

private:
    struct ThreadHandle {
        std::uint64_t owner = 0;
        std::string folder;
        FileDescriptor handle;
        std::chrono::steady_clock::time_point checkedAt;
    };

    int handleFor(std::string_view parent)
    {
        thread_local ThreadHandle kept;
        if (kept.owner != owner) {
            kept.handle.reset();
            kept.folder.clear();
            kept.owner = owner;
        }
        const auto now = std::chrono::steady_clock::now();
        if (kept.handle.get() >= 0 && (parent != kept.folder || now - kept.checkedAt > kFolderTrust)) {
            struct stat current;
            struct stat held;
            if (parent == kept.folder && ::stat(kept.folder.c_str(), &current) == 0 &&
                ::fstat(kept.handle.get(), &held) == 0 && current.st_dev == held.st_dev &&
                current.st_ino == held.st_ino) {
                kept.checkedAt = now;
            } else {
                kept.handle.reset();
                kept.folder.clear();
            }
        }
        if (kept.handle.get() < 0) {
            const std::string wanted(parent);
            const int fd = ::open(wanted.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0)
                return -1;
            kept.handle.reset(fd);
            kept.folder = wanted;
            kept.checkedAt = now;
        }
        return kept.handle.get();
    }
};

namespace {

// Opens without blocking (a fifo would otherwise wait for a writer) and
// keeps only regular files. O_NONBLOCK has no effect on the reads and writes
// of a regular file, so it stays set: clearing it would cost two more system
// calls on every open. The size of the file is handed back through `size`.
Result<int> openRegularFile(int folderFd, const char* name, int flags, mode_t mode = 0,
                            ByteCount* size = nullptr)
{
    int fd;
    do {
        fd = ::openat(folderFd, name, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return lastError();
    FileDescriptor owner(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode))
        return FileError::AccessDenied;
    if (size)
        *size = ByteCount(st.st_size);
    return owner.release();
}

} // namespace

namespace {

// Whether the names in a folder may be looked up: without that, a listing
// would show names of files that can be neither measured nor opened.
FileError enterable(const std::string& folder)
{
    return ::faccessat(AT_FDCWD, folder.c_str(), X_OK, AT_EACCESS) == 0 ? FileError::None
                                                                          : lastError();
}

} // namespace

FileError PosixFileSystem::checkFolder(const std::string& folder)
{
    const DirectoryHandle dir(::opendir(folder.c_str()));
    return dir.get() ? enterable(folder) : lastError();
}

Result<std::vector<std::string>> PosixFileSystem::listFiles(const std::string& folder, const std::string& pattern)
{
    DirectoryHandle dir(::opendir(folder.c_str()));
    if (!dir.get())
        return lastError();
    if (const FileError refused = enterable(folder); refused != FileError::None)
        return refused;
    const WildcardPattern wildcard(pattern);
    const int folderFd = ::dirfd(dir.get());
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                return lastError();
            break;
        }
        if (isHidden(entry->d_name) || !wildcard.matches(entry->d_name))
            continue;
        if (isRegularFile(folderFd, *entry))
            names.emplace_back(entry->d_name);
    }
    sortIgnoringCase(names);
    return names;
}

namespace {
// Every file system gets its own number, never reused, so that a thread's
// kept handle is never taken for another's.
std::atomic<std::uint64_t> lastFileSystemId{0};
} // namespace

PosixFileSystem::PosixFileSystem() : m_folders(std::make_shared<FolderCache>(++lastFileSystemId)) {}

namespace {

// File systems whose files are made up as they are read: their sizes say
// nothing of what a read finds.
bool makesContentsUp(unsigned long type)
{
    switch (type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case 0x62656570: // configfs
    case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC:
    case BPF_FS_MAGIC:
    case SELINUX_MAGIC:
    case SMACK_MAGIC:
    case BINFMTFS_MAGIC:
    case NSFS_MAGIC:
        return true;
    default:
        return false;
    }
}

// Whether sizes on the device of `path` can be trusted. Asked of the system
// once per device: a folder's files nearly all lie on one, and each thread
// remembers the last answer.
bool sizesTrustedOn(dev_t device, const std::string& path)
{
    thread_local dev_t lastDevice = 0;
    thread_local int lastAnswer = -1;
    if (lastAnswer >= 0 && lastDevice == device)
        return lastAnswer == 1;
    static std::mutex mutex;
    static std::vector<std::pair<dev_t, bool>> known;
    std::lock_guard lock(mutex);
    auto found = std::find_if(known.begin(), known.end(), [device](const auto& k) { return k.first == device; });
    if (found == known.end()) {
        struct statfs fs;
        // A path the system cannot take whole is taken to be ordinary.
        const bool trusted = ::statfs(path.c_str(), &fs) != 0 || !makesContentsUp((unsigned long)fs.f_type);
        found = known.insert(known.end(), {device, trusted});
    }
    lastDevice = device;
    lastAnswer = found->second ? 1 : 0;
    return found->second;
}

} // namespace

Result<FileStatus> PosixFileSystem::status(const std::string& path)
{
    struct stat st;
    const int result =
        m_folders->at(path, [&st](int folderFd, const char* name) { return ::fstatat(folderFd, name, &st, 0); });
    if (result != 0)
        return lastError();
    FileStatus status;
    status.size = ByteCount(st.st_size);
    status.modified = Timestamp{std::int64_t(st.st_mtim.tv_sec)};
    status.identity = FileIdentity{std::uint64_t(st.st_dev), std::uint64_t(st.st_ino)};
    status.modifiedNanoseconds = std::uint32_t(st.st_mtim.tv_nsec);
    status.regular = S_ISREG(st.st_mode);
    status.sizeTrusted = sizesTrustedOn(st.st_dev, path);
    return status;
}

Result<std::unique_ptr<FileReader>> PosixFileSystem::openForReading(const std::string& path)
{
    // The whole path is walked, never a kept folder handle: this is the open
    // that the check before a deletion relies on, and it must read the file
    // the path names now, even in a folder replaced a moment ago. The engine's
    // thousands of opens go through openForComparing. A path too long for
    // the system is opened within its folder, itself opened afresh.
    const PathAnchor anchor(path);
    if (anchor.error() != 0)
        return fileErrorFromErrno(anchor.error());
    ByteCount size = 0;
    auto fd = openRegularFile(anchor.folder(), anchor.name(), O_RDONLY, 0, &size);
    if (!fd)
        return fd.error();
    return readerFor(*fd, size);
}

Result<std::unique_ptr<FileReader>> PosixFileSystem::openForComparing(const std::string& path, ByteCount size)
{
    // O_NONBLOCK keeps a fifo put in the file's place from blocking; its
    // reads, like a directory's, then fail and the comparison drops it.
    const int fd = m_folders->at(path, [](int folderFd, const char* name) {
        int opened;
        do {
            opened = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        } while (opened < 0 && errno == EINTR);
        return opened;
    });
    if (fd < 0)
        return lastError();
    return readerFor(fd, size);
}

Result<std::unique_ptr<FileReader>> PosixFileSystem::readerFor(int fd, ByteCount size)
{
    // The engine reads each file once from start to end. Read-ahead advice
    // pays only on files large enough to be read in several large chunks; on
    // small files it is one more system call per open.
    const bool sequential = size > kSequentialAdviceFrom;
    if (sequential)
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    try {
        return std::unique_ptr<FileReader>(std::make_unique<PosixFileReader>(fd, sequential));
    } catch (...) {
        // Out of memory before the reader took the descriptor.
        ::close(fd);
        throw;
    }
}

FileError PosixFileSystem::removeFile(const std::string& path)
{
    const PathAnchor anchor(path);
    if (anchor.error() != 0)
        return fileErrorFromErrno(anchor.error());
    return ::unlinkat(anchor.folder(), anchor.name(), 0) == 0 ? FileError::None : lastError();
}

FileError PosixFileSystem::appendToFile(const std::string& path, std::string_view bytes)
{
    // Never through a symbolic link: one planted in a shared folder would
    // have the program append to a file of another user's choosing.
    auto opened = openRegularFile(AT_FDCWD, path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW, 0644);
    if (!opened) {
        // A fifo without a reader answers ENXIO; for the log it is simply a
        // file that cannot be written.
        return opened.error() == FileError::DeviceNotReady ? FileError::AccessDenied : opened.error();
    }
    FileDescriptor fd(*opened);
    // A disk that fills up part of the way through leaves the bytes that fit;
    // they are cut off again, so the file never ends in a torn piece.
    struct stat before;
    if (::fstat(fd.get(), &before) != 0)
        return lastError();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            const FileError error = lastError();
            if (done > 0)
                static_cast<void>(::ftruncate(fd.get(), before.st_size));
            return error;
        }
        done += std::size_t(wrote);
    }
    // A full disk on a network file system can show up only at close().
    if (fd.close() != 0 && errno != EINTR)
        return lastError();
    return FileError::None;
}

// The kernel tells whether a block device is rotational in sysfs; a
// partition has no queue of its own, its disk one folder up has. Anything
// not on a block device (tmpfs, network, overlay) is taken as not seeking.
// Virtual disks (virtio, Xen) say rotational whatever lies beneath them, and
// the host's storage behind them answers many requests at once several times
// faster than one (measured on such a machine): they are taken as not seeking.
bool PosixFileSystem::readsBestInOrder(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    const std::string device =
        "/sys/dev/block/" + std::to_string(major(st.st_dev)) + ":" + std::to_string(minor(st.st_dev));
    char resolved[PATH_MAX];
    if (!::realpath(device.c_str(), resolved))
        return false;
    const std::string_view where(resolved);
    if (where.find("/virtio") != std::string_view::npos || where.find("/vbd-") != std::string_view::npos)
        return false;
    for (const char* queue : {"/queue/rotational", "/../queue/rotational"}) {
        std::ifstream answer(std::string(where) + queue);
        char rotational = 0;
        if (answer.get(rotational))
            return rotational == '1';
    }
    return false;
}

bool PosixFileSystem::hasParent(const std::string& folder)
{
    return !(!folder.empty() && folder.find_first_not_of('/') == std::string::npos);
}

} // namespace zelvo
