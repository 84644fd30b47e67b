#pragma once

#include "FolderListing.h"
#include "platform/FileSystem.h"

#include <compare>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace zelvo {

class IoPool;

// How one pass over the listing ended.
enum class PassEnd {
    Finished,
    Vanished,        // a listed file is gone: rescan and start over
    InvalidArgument, // tell the user, then clean up
    Failed,          // any other failure: clean up quietly
};

// Which file on disk a name leads to. Devices are numbered in the order met:
// a folder's files nearly all lie on one, and a record a million times over
// is worth keeping small.
struct CompactIdentity {
    std::uint32_t device = 0;
    std::uint64_t inode = 0;
    auto operator<=>(const CompactIdentity&) const = default;
};

// A listed file as it stands on disk when the pass begins: 24 bytes, as a
// million of them are held at once. Its date is only shown now and then, and
// is taken when it is shown; what is kept of it only tells whether the file
// changed before its group is reported.
struct MeasuredFile {
    // Sizes of 256 TiB and more (sparse files, on file systems that allow
    // them) do not fit; such a file takes no part.
    std::uint64_t size : 48 = 0;
    // Devices are numbered in the order met; the files of a 32,768th device
    // take no part.
    std::uint64_t device : 16 = 0;
    std::uint64_t inode = 0;
    // Row numbers fit 32 bits: a listing of four billion paths would not fit
    // in memory anyway.
    std::uint32_t row = 0;
    std::uint32_t stamp = 0;

    CompactIdentity identity() const { return {std::uint32_t(device), inode}; }
};
static_assert(sizeof(MeasuredFile) == 24);

// What became of a name of a class since it was measured, found just before
// its group is reported.
enum class Recheck : std::uint8_t {
    NotWanted, // in no class
    Wanted,
    Unchanged,
    Changed, // other size, date or file, or no status at all: no part
    Gone,    // the run rescans and starts over
};

// Measures the listed files at the start of a pass, and again just before a
// group is reported, to leave out any file that changed in between. Long
// listings and long groups are shared with a pool of I/O threads.
class FileMeasurer {
public:
    FileMeasurer(FileSystem& fileSystem, const FolderListing& listing, IoPool* pool,
                 std::size_t parallelListingFrom, std::size_t parallelRecheckFrom)
        : m_fileSystem(fileSystem), m_listing(listing), m_pool(pool),
          m_parallelListingFrom(parallelListingFrom), m_parallelRecheckFrom(parallelRecheckFrom)
    {
    }

    // Every listed file as it stands on disk now, in listing order. A file
    // that can be neither measured nor found otherwise (refused, device
    // trouble), that is not a regular file now, or whose size a read does not
    // bear out, takes no part; a vanished one ends the pass at once.
    PassEnd measure(std::vector<MeasuredFile>& files);

    // Takes the status of every wanted name of a size group again, now[i]
    // for the name at begin + i. True when some name is gone.
    bool recheck(const std::vector<MeasuredFile>& files, std::size_t begin, std::vector<Recheck>& now);

private:
    // Where a part of the listing stopped, if it stopped early.
    struct RowFailure {
        PassEnd end = PassEnd::Finished;
        std::size_t row = std::size_t(-1);
    };

    PassEnd measureInPool(std::vector<MeasuredFile>& files);
    RowFailure measureRows(std::size_t from, std::size_t to, std::vector<MeasuredFile>& files);
    std::uint32_t deviceNumber(std::uint64_t device);
    bool sizeProven(const std::string& path, ByteCount size);
    Recheck recheckOne(const MeasuredFile& file);

    FileSystem& m_fileSystem;
    const FolderListing& m_listing;
    IoPool* m_pool;
    std::size_t m_parallelListingFrom;
    std::size_t m_parallelRecheckFrom;
    // The devices met, numbered in that order; shared by the threads that
    // measure, which look it up only when a file lies on another device than
    // the one before it.
    std::mutex m_devicesMutex;
    std::vector<std::uint64_t> m_devices;
};

} // namespace zelvo
