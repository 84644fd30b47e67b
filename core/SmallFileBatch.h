#pragma once

#include "ContentClassifier.h"
#include "FolderListing.h"
#include "MeasuredFiles.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace zelvo {

class IoPool;

// The whole contents of the files of many consecutive size groups of small
// files, read in one go by the pool of I/O threads. Read one size group
// after another, a cold folder of thousands of small files leaves the device
// idle at the end of every group, while the last reads come in. Each file is
// opened once, read whole and closed; files of a size no other file shares
// are never opened, and a name of a file already read is not read again.
class SmallFileBatch {
public:
    // Files that fit in the first chunk are read, within half the memory
    // budget at once; a batch is worth it from as many files as a class the
    // pool reads.
    SmallFileBatch(FileSystem& fileSystem, IoPool& pool, const FolderListing& listing,
                   const ClassifierLimits& limits)
        : m_fileSystem(fileSystem), m_pool(pool), m_listing(listing), m_largest(limits.firstChunk),
          m_budget(limits.memoryBudget / 2), m_from(limits.parallelFrom)
    {
    }

    // Whether the size group starting at `begin` was read with the batch.
    bool holds(std::size_t begin) const { return begin >= m_begin && begin < m_end; }
    // Where the size groups read with the one at `position` end, or 0 when
    // it was not read with them.
    std::size_t readUntil(std::size_t position) const { return holds(position) ? m_end : 0; }

    // Reads the size group starting at `begin` and the small groups after
    // it, as far as the budget allows, when they hold enough files to be
    // worth it; false when they do not. `reading(position, done)` is called
    // on this thread now and then with a file just read and how many were.
    using Reading = std::function<void(std::size_t position, std::size_t done)>;
    bool read(const std::vector<MeasuredFile>& files, std::size_t begin, const Reading& reading);

    // The contents of the file at `position`, of its group's size, or
    // nullptr when it could not be read whole.
    const std::byte* contentOf(std::size_t position) const;

private:
    // The files of the size groups from `begin` that fit the budget.
    std::size_t choose(const std::vector<MeasuredFile>& files, std::size_t begin);

    static constexpr std::uint64_t kUnread = std::uint64_t(-1);

    FileSystem& m_fileSystem;
    IoPool& m_pool;
    const FolderListing& m_listing;
    ByteCount m_largest;
    std::size_t m_budget;
    std::size_t m_from;
    // The measured files read, by position, ascending; where each one's
    // bytes lie; the bytes.
    std::vector<std::size_t> m_positions;
    std::vector<std::uint64_t> m_offsets;
    std::vector<std::byte> m_bytes;
    // The positions of the size groups read; before m_notWorthUntil too few
    // files follow to be worth a batch.
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::size_t m_notWorthUntil = 0;
};

} // namespace zelvo
