#include "ContentClassifier.h"

#include "ChunkHash.h"
#include "HelperThread.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <numeric>
#include <span>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace zelvo {

namespace {

constexpr std::size_t kPage = PageBuffer::kPage;
// Chunks of the middle of a file start at this size and double up to the
// largest chunk: most files that differ have already split by then.
constexpr std::size_t kFirstMiddleChunk = 64u << 10;
// Up to this many classes a new chunk is compared with every representative;
// beyond it a hash finds the one representative worth comparing with.
constexpr std::size_t kLinearSearchLimit = 8;

struct ByteRange {
    ByteCount offset = 0;
    std::size_t length = 0;
};

// The order in which a file's bytes are compared: the first few KiB, then the
// last block (files with a long common start often differ only at the end),
// then the middle in growing chunks. The ranges cover the file exactly once.
class ChunkPlan {
public:
    ChunkPlan(ByteCount size, const ClassifierLimits& limits) : m_size(size)
    {
        m_firstEnd = std::min<ByteCount>(size, std::max<std::size_t>(limits.firstChunk, 1));
        // A whole block at the very end, wherever the grid lies: the end of a
        // file just past a block boundary holds only a few bytes, too few to
        // tell template-like files apart.
        m_tailStart = std::max<ByteCount>(m_firstEnd, size - std::min<ByteCount>(size, kPage));
        m_middleAt = m_firstEnd;
        m_largestChunk = std::max(limits.largestChunk, kPage);
        m_middleChunk = std::min(kFirstMiddleChunk, m_largestChunk);
        if (size == 0)
            m_step = Step::Done;
    }

    bool done() const { return m_step == Step::Done; }

    // The next range, no longer than `cap` bytes where the middle is concerned.
    ByteRange next(std::size_t cap)
    {
        switch (m_step) {
        case Step::First:
            m_step = m_tailStart < m_size ? Step::Tail : Step::Done;
            return {0, static_cast<std::size_t>(m_firstEnd)};
        case Step::Tail:
            m_step = m_middleAt < m_tailStart ? Step::Middle : Step::Done;
            return {m_tailStart, static_cast<std::size_t>(m_size - m_tailStart)};
        case Step::Middle: {
            const std::size_t want = std::min(m_middleChunk, std::max(cap, kPage));
            const auto length =
                static_cast<std::size_t>(std::min<ByteCount>(want, m_tailStart - m_middleAt));
            const ByteRange range{m_middleAt, length};
            m_middleAt += length;
            m_middleChunk = std::min(m_middleChunk * 2, m_largestChunk);
            if (m_middleAt >= m_tailStart)
                m_step = Step::Done;
            return range;
        }
        case Step::Done:
            break;
        }
        return {};
    }

private:
    enum class Step { First, Tail, Middle, Done };
    Step m_step = Step::First;
    ByteCount m_size;
    ByteCount m_firstEnd = 0;
    ByteCount m_tailStart = 0;
    ByteCount m_middleAt = 0;
    std::size_t m_middleChunk;
    std::size_t m_largestChunk;
};

using FileClass = std::vector<std::size_t>;
constexpr std::size_t kNone = std::size_t(-1);

// Room between chunks: whole pages for large reads, which run faster into
// page-aligned memory, a cache line for small ones.
std::size_t strideFor(std::size_t length)
{
    const std::size_t unit = length < kPage ? 64 : kPage;
    return std::max<std::size_t>((length + unit - 1) / unit * unit, unit);
}

// The classes met so far among some files in one round, with the chunk of
// each class' representative. The chunks live side by side in one arena: slot
// s holds the chunk of class s, and the slot after the last class is where
// the next file is read. A file that joins a class leaves that slot free for
// the next one, so the table never holds more chunks than it has classes.
class ClassTable {
public:
    // Room is made for `files` classes at once: a large class of distinct
    // files would otherwise grow the table many times over.
    ClassTable(PageBuffer& arena, std::size_t length, std::size_t files)
        : m_arena(arena), m_length(length), m_stride(strideFor(length)), m_files(files)
    {
        m_classes.reserve(files);
    }

    // Where the next file's chunk is to be read.
    std::byte* scratch() { return chunkOf(m_classes.size()); }

    // Puts the file whose chunk lies in scratch() into its class, or into a
    // class of its own.
    void addScratch(std::size_t member)
    {
        const std::byte* chunk = scratch();
        const std::size_t match = find(chunk);
        if (match != kNone) {
            m_classes[match].push_back(member);
            return;
        }
        if (hashed())
            link(m_classes.size(), m_lastHash);
        m_classes.push_back({member});
    }

    // The class whose chunk equals `chunk`, or kNone.
    std::size_t find(const std::byte* chunk)
    {
        // Up to a few classes a new chunk is compared with every
        // representative; beyond that a hash finds the one worth comparing.
        if (m_classes.size() < kLinearSearchLimit) {
            for (std::size_t c = 0; c < m_classes.size(); ++c)
                if (std::memcmp(chunk, chunkOf(c), m_length) == 0)
                    return c;
            return kNone;
        }
        if (!hashed()) {
            m_firstOfHash.reserve(m_files);
            m_nextOfHash.reserve(m_files);
            for (std::size_t c = 0; c < m_classes.size(); ++c)
                link(c, chunkHash(chunkOf(c), m_length));
        }
        m_lastHash = chunkHash(chunk, m_length);
        // The hash only finds the representative; memcmp decides.
        const auto found = m_firstOfHash.find(m_lastHash);
        for (std::size_t c = found == m_firstOfHash.end() ? kNone : found->second; c != kNone;
             c = m_nextOfHash[c])
            if (std::memcmp(chunk, chunkOf(c), m_length) == 0)
                return c;
        return kNone;
    }

    const std::byte* chunkOf(std::size_t c) const { return m_arena.data() + c * m_stride; }
    std::byte* chunkOf(std::size_t c) { return m_arena.data() + c * m_stride; }
    std::vector<FileClass>& classes() { return m_classes; }

private:
    bool hashed() const { return !m_nextOfHash.empty() || !m_firstOfHash.empty(); }
    // The first class of a hash, then a chain through the others.
    void link(std::size_t c, std::uint64_t hash)
    {
        auto [at, fresh] = m_firstOfHash.try_emplace(hash, c);
        m_nextOfHash.push_back(fresh ? kNone : at->second);
        at->second = c;
    }

    PageBuffer& m_arena;
    std::size_t m_length;
    std::size_t m_stride;
    std::size_t m_files;
    std::vector<FileClass> m_classes;
    std::unordered_map<std::uint64_t, std::size_t> m_firstOfHash;
    std::vector<std::size_t> m_nextOfHash;
    std::uint64_t m_lastHash = 0;
};

// One chunk round over all surviving classes.
class ChunkRound {
public:
    ChunkRound(FileSystem& fileSystem, const ContentClassifier::PathOf& pathOf,
               std::vector<std::unique_ptr<FileReader>>& readers, PageBuffer& arena,
               PageBuffer& helperArena, HelperThread* helper, std::size_t parallelFrom, ByteCount size,
               ByteRange range, bool keepOpen, SplitProgress* progress)
        : m_fileSystem(fileSystem), m_pathOf(pathOf), m_readers(readers), m_arena(arena),
          m_helperArena(helperArena), m_helper(helper), m_parallelFrom(parallelFrom), m_size(size),
          m_range(range), m_keepOpen(keepOpen), m_progress(progress)
    {
    }

    // Appends the surviving subclasses of `members` to `into`.
    void split(const FileClass& members, std::vector<FileClass>& into);

private:
    bool readChunk(std::size_t member, std::byte* into);
    // `progress` is told of each file only on the calling thread.
    void classify(std::span<const std::size_t> members, std::size_t reference, ClassTable& table,
                  SplitProgress* progress);
    void classifyWithHelper(const FileClass& members, ClassTable& table);

    FileSystem& m_fileSystem;
    const ContentClassifier::PathOf& m_pathOf;
    std::vector<std::unique_ptr<FileReader>>& m_readers;
    PageBuffer& m_arena;
    PageBuffer& m_helperArena;
    HelperThread* m_helper;
    std::size_t m_parallelFrom;
    ByteCount m_size;
    ByteRange m_range;
    bool m_keepOpen;
    SplitProgress* m_progress;
    // Files of the round read by either thread, and those left alone.
    std::atomic<std::size_t> m_read{0};
    std::size_t m_alone = 0;
};

bool ChunkRound::readChunk(std::size_t member, std::byte* into)
{
    std::unique_ptr<FileReader>& kept = m_readers[member];
    std::unique_ptr<FileReader> opened;
    FileReader* reader = kept.get();
    if (!reader) {
        Result<std::unique_ptr<FileReader>> result = m_fileSystem.openForComparing(m_pathOf(member), m_size);
        if (!result || !*result)
            return false;
        opened = std::move(result).value();
        reader = opened.get();
    }
    const Result<std::size_t> got = reader->readAt(m_range.offset, {into, m_range.length});
    // A short read means the file shrank since it was measured: its contents
    // are no longer those of its size, so it matches nothing.
    if (!got || *got != m_range.length) {
        kept.reset();
        return false;
    }
    if (opened && m_keepOpen)
        kept = std::move(opened);
    return true;
}

void ChunkRound::classify(std::span<const std::size_t> members, std::size_t reference, ClassTable& table,
                          SplitProgress* progress)
{
    for (std::size_t member : members) {
        const std::size_t read = m_read.fetch_add(1, std::memory_order_relaxed);
        if (progress)
            progress->reading(reference, member, read);
        if (readChunk(member, table.scratch()))
            table.addScratch(member);
    }
}

// Opening and reading thousands of small files is bound by system calls,
// which the second core can share: the helper classifies the blocks of members
// it takes into a table of its own, and its classes are merged in afterwards.
void ChunkRound::classifyWithHelper(const FileClass& members, ClassTable& table)
{
    ClassTable helperTable(m_helperArena, m_range.length, members.size());
    constexpr std::size_t kBlock = 16;
    m_helper->share(members.size(), kBlock, [&](int worker, std::size_t first, std::size_t last) {
        classify(std::span(members).subspan(first, last - first), members.front(),
                 worker == 0 ? table : helperTable, worker == 0 ? m_progress : nullptr);
    });
    // The helper's classes differ from each other already: each one either
    // joins one of ours or stays a class of its own.
    std::vector<FileClass> unmatched;
    for (std::size_t c = 0; c < helperTable.classes().size(); ++c) {
        FileClass& theirs = helperTable.classes()[c];
        const std::size_t match = table.find(helperTable.chunkOf(c));
        if (match == kNone) {
            unmatched.push_back(std::move(theirs));
            continue;
        }
        // Both lists are in ascending order; so is their merge.
        FileClass& ours = table.classes()[match];
        const auto middle = ours.insert(ours.end(), theirs.begin(), theirs.end());
        std::inplace_merge(ours.begin(), middle, ours.end());
    }
    std::move(unmatched.begin(), unmatched.end(), std::back_inserter(table.classes()));
}

void ChunkRound::split(const FileClass& members, std::vector<FileClass>& into)
{
    ClassTable table(m_arena, m_range.length, members.size());
    if (m_helper && members.size() >= m_parallelFrom)
        classifyWithHelper(members, table);
    else
        classify(members, members.front(), table, m_progress);

    // A file that could not be read belongs to no subclass: it is alone too.
    std::size_t kept = 0;
    for (FileClass& subclass : table.classes()) {
        if (subclass.size() >= 2) {
            kept += subclass.size();
            into.push_back(std::move(subclass));
        } else {
            m_readers[subclass.front()].reset();
        }
    }
    m_alone += members.size() - kept;
    if (m_progress)
        m_progress->classSplit(m_alone, m_read.load(std::memory_order_relaxed));
}

} // namespace

namespace {

// The plain callback of the simpler calls, heard once per round.
class RoundCallback : public SplitProgress {
public:
    explicit RoundCallback(const ContentClassifier::Progress& progress) : m_progress(progress) {}
    void roundStarts(ByteCount compared, ByteCount size, std::size_t) override { m_progress(compared, size); }
    void reading(std::size_t, std::size_t, std::size_t) override {}
    void classSplit(std::size_t, std::size_t) override {}

private:
    const ContentClassifier::Progress& m_progress;
};

} // namespace

std::vector<std::vector<std::size_t>> ContentClassifier::split(const std::vector<std::string>& paths,
                                                               ByteCount size, const Progress& progress)
{
    return split(paths.size(), [&paths](std::size_t i) -> const std::string& { return paths[i]; }, size,
                 progress);
}

std::vector<std::vector<std::size_t>> ContentClassifier::split(std::size_t count, const PathOf& pathOf,
                                                               ByteCount size, const Progress& progress)
{
    RoundCallback rounds(progress);
    return split(count, pathOf, size, progress ? &rounds : nullptr);
}

std::vector<std::vector<std::size_t>> ContentClassifier::split(std::size_t count, const PathOf& pathOf,
                                                               ByteCount size, SplitProgress* progress)
{
    if (count < 2)
        return {};
    std::vector<FileClass> classes(1);
    classes.front().resize(count);
    std::iota(classes.front().begin(), classes.front().end(), std::size_t{0});
    // Empty files are identical to each other without a read.
    if (size == 0)
        return classes;

    std::vector<std::unique_ptr<FileReader>> readers(count);
    ChunkPlan plan(size, m_limits);
    ByteCount compared = 0;
    while (!classes.empty() && !plan.done()) {
        std::size_t survivors = 0;
        std::size_t largest = 0;
        for (const FileClass& c : classes) {
            survivors += c.size();
            largest = std::max(largest, c.size());
        }
        // Every member of the largest class may need its own slot; when it is
        // shared with the helper, in either thread's arena.
        HelperThread* helper =
            m_helper && m_fileSystem.allowsConcurrentReads() && largest >= m_limits.parallelFrom ? m_helper
                                                                                               : nullptr;
        const std::size_t slots = (largest + 1) * (helper ? 2 : 1);
        const std::size_t cap = m_limits.memoryBudget / slots / kPage * kPage;
        const ByteRange range = plan.next(cap);
        if (progress)
            progress->roundStarts(compared, size, survivors);

        // The arenas are kept from one split to the next, as most size groups
        // are small; one that outgrew the budget gives its memory back.
        const std::size_t arenaBytes = (largest + 1) * strideFor(range.length);
        for (PageBuffer* arena : {&m_arena, &m_helperArena}) {
            if (arena == &m_helperArena && !helper)
                break;
            if (arena->capacity() > std::max(arenaBytes, m_limits.memoryBudget))
                arena->release();
            arena->reserve(arenaBytes);
        }
        // A file read to its end in this round is closed at once.
        ChunkRound round(m_fileSystem, pathOf, readers, m_arena, m_helperArena, helper, m_limits.parallelFrom,
                         size, range, !plan.done() && survivors <= m_limits.maxOpenFiles, progress);
        std::vector<FileClass> next;
        for (const FileClass& c : classes)
            round.split(c, next);
        classes = std::move(next);
        compared += range.length;
    }
    std::sort(classes.begin(), classes.end(),
              [](const FileClass& a, const FileClass& b) { return a.front() < b.front(); });
    return classes;
}

} // namespace zelvo
