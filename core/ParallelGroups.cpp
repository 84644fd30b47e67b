#include "ParallelGroups.h"

#include "IoPool.h"
#include "platform/Expect.h"

#include <algorithm>

namespace zelvo {

namespace {

constexpr std::size_t kFewerThan = 8;
constexpr ByteCount kGroupBytes = 64u << 20;
constexpr std::size_t kMostAtOnce = 32;

} // namespace

ParallelGroups::ParallelGroups(FileSystem& fileSystem, IoPool& pool, const FolderListing& listing,
                               ClassifierLimits limits)
    : m_fileSystem(fileSystem), m_pool(pool), m_listing(listing), m_limits(limits), m_above(limits.firstChunk),
      m_classifiers(pool.helpers() + 1)
{
    // The groups split at once share the bound on open files, and the
    // threads' classifiers the memory.
    m_limits.maxOpenFiles = std::max<std::size_t>(limits.maxOpenFiles / kMostAtOnce, 1);
    m_limits.memoryBudget = std::max<std::size_t>(limits.memoryBudget / m_classifiers.size(), 1);
}

ParallelGroups::~ParallelGroups() = default;

bool ParallelGroups::takesPart(const std::vector<MeasuredFile>& files, std::size_t begin, std::size_t end) const
{
    const ByteCount size = files[begin].size;
    return end - begin < kFewerThan && size > m_above && size * (end - begin) <= kGroupBytes;
}

bool ParallelGroups::holds(std::size_t begin) const
{
    return std::any_of(m_groups.begin(), m_groups.end(),
                       [begin](const Group& group) { return group.sameFiles.begin == begin; });
}

bool ParallelGroups::split(const std::vector<MeasuredFile>& files, std::size_t begin, GroupsProgress* progress)
{
    if (begin < m_notWorthUntil)
        return false;
    m_groups.clear();
    // Any other kind of group ends the run, as it is read in its turn.
    const std::size_t end = takeSizeGroups(files, begin, [&](std::size_t groupBegin, std::size_t groupEnd) {
        if (m_groups.size() >= kMostAtOnce || !takesPart(files, groupBegin, groupEnd))
            return false;
        SameFiles sameFiles = namesByFile(files, groupBegin, groupEnd);
        if (sameFiles.count() >= 2)
            m_groups.push_back({std::move(sameFiles), {}});
        return true;
    });
    if (m_groups.size() < 2) {
        m_groups.clear();
        m_notWorthUntil = end;
        return false;
    }
    m_begin = begin;
    m_end = end;
    m_filesSplit.store(0, std::memory_order_relaxed);
    m_latest.store(m_groups.size() - 1, std::memory_order_relaxed);
    m_pool.share(m_groups.size(), 1, [&](int worker, std::size_t first, std::size_t last) {
        std::unique_ptr<ContentClassifier>& classifier = m_classifiers[std::size_t(worker)];
        if (!classifier)
            classifier = std::make_unique<ContentClassifier>(m_fileSystem, m_limits);
        for (std::size_t g = first; g < last; ++g) {
            // The largest groups first: the share ends with the last group
            // done, and a large one started last would leave the other
            // threads idle while it is read.
            Group& group = m_groups[m_groups.size() - 1 - g];
            m_latest.store(m_groups.size() - 1 - g, std::memory_order_relaxed);
            // The caller's thread is the window's: only it may tell.
            SplitProgress* rounds = worker == 0 && progress ? progress->takingUp(group.sameFiles) : nullptr;
            group.classes = classifier->split(group.sameFiles.count(), [&](std::size_t file) {
                return m_listing.paths[files[group.sameFiles.firstName(file)].row];
            }, files[group.sameFiles.begin].size, rounds);
            m_filesSplit.fetch_add(group.sameFiles.length, std::memory_order_relaxed);
        }
    }, IoPool::Slow::Sleeping, [&] {
        if (progress)
            progress->othersSplitting(m_groups[m_latest.load(std::memory_order_relaxed)].sameFiles);
    });
    return true;
}

std::vector<std::vector<std::size_t>> ParallelGroups::take(std::size_t begin)
{
    const auto group = std::find_if(m_groups.begin(), m_groups.end(),
                                    [begin](const Group& g) { return g.sameFiles.begin == begin; });
    // Reporting a group never split would report it free of duplicates.
    ZELVO_EXPECT(group != m_groups.end());
    return std::move(group->classes);
}

} // namespace zelvo
