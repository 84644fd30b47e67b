#pragma once

#include "ContentClassifier.h"
#include "FolderListing.h"
#include "MeasuredFiles.h"
#include "SizeGroup.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace zelvo {

class IoPool;

// What the caller's own thread tells while it takes its share of the groups
// split at once; the other threads tell nothing.
class GroupsProgress {
public:
    virtual ~GroupsProgress() = default;
    // The calling thread takes up the group of `sameFiles`; the rounds of its
    // split are told to what this returns (nothing when null).
    virtual SplitProgress* takingUp(const SameFiles& sameFiles) = 0;
    // The calling thread has no group left to take up and waits for the
    // other threads' groups: told every few milliseconds meanwhile, with the
    // group taken up last by any thread.
    virtual void othersSplitting(const SameFiles& latest) = 0;
};

// Splits the next few size groups of a few files each at once, one group per
// thread of the pool. Such a group (two photos of one size, say) is read one
// file after another, and the device, which could serve many files at once,
// serves one; and the kernel reads ahead within a file, not across files. Each
// group is split by one thread alone, so its classes are those it would have
// had on its own; the caller reports them in order afterwards.
class ParallelGroups {
public:
    // Groups of 2 to 7 files larger than the first chunk and of 64 MiB at
    // most take part, up to 32 at once: each keeps its files open within
    // the bound of open files in all, its chunks within its thread's share
    // of the memory. A group of hundreds of megabytes would keep the caller
    // waiting for another thread, without a pulse, for too long.
    ParallelGroups(FileSystem& fileSystem, IoPool& pool, const FolderListing& listing, ClassifierLimits limits);
    ~ParallelGroups();

    // Whether the size group at `begin` was split with the groups before it.
    bool holds(std::size_t begin) const;

    // Splits the size group at `begin` and the groups of its kind after it;
    // false when fewer than two such groups follow, and nothing is done.
    bool split(const std::vector<MeasuredFile>& files, std::size_t begin, GroupsProgress* progress = nullptr);

    // Where the size groups split with the one at `position` end, or 0 when
    // it was not among them.
    std::size_t splitUntil(std::size_t position) const
    {
        return position >= m_begin && position < m_end ? m_end : 0;
    }
    // Measured files of the groups split so far by the split under way (or
    // the last one), whichever thread split them.
    std::size_t filesSplit() const { return m_filesSplit.load(std::memory_order_relaxed); }

    // The classes of the size group at `begin`, which holds() it.
    std::vector<std::vector<std::size_t>> take(std::size_t begin);

private:
    bool takesPart(const std::vector<MeasuredFile>& files, std::size_t begin, std::size_t end) const;

    struct Group {
        SameFiles sameFiles;
        std::vector<std::vector<std::size_t>> classes;
    };

    FileSystem& m_fileSystem;
    IoPool& m_pool;
    const FolderListing& m_listing;
    // Limits of the classifiers, each within its share.
    ClassifierLimits m_limits;
    ByteCount m_above;
    // One classifier per thread of the pool, made when first needed.
    std::vector<std::unique_ptr<ContentClassifier>> m_classifiers;
    std::vector<Group> m_groups;
    // The positions of the size groups split at once by the last split.
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    std::atomic<std::size_t> m_filesSplit{0};
    // The group taken up last, by any thread.
    std::atomic<std::size_t> m_latest{0};
    // Before this position no run of such groups is worth splitting at once.
    std::size_t m_notWorthUntil = 0;
};

} // namespace zelvo
