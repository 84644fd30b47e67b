#include "ContentClassifier.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
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

// One chunk round over all surviving classes. The chunks live side by side in
// one arena: one slot per class representative met so far, plus the slot the
// next file is read into. A file that joins a class leaves its slot free for
// the next one, so a round never holds more chunks than it has classes.
class ChunkRound {
public:
    ChunkRound(FileSystem& fileSystem, const ContentClassifier::PathOf& pathOf,
               std::vector<std::unique_ptr<FileReader>>& readers, PageBuffer& arena,
               ByteRange range, bool keepOpen)
        : m_fileSystem(fileSystem), m_pathOf(pathOf), m_readers(readers), m_arena(arena),
          m_range(range), m_stride(strideFor(range.length)), m_keepOpen(keepOpen)
    {
    }

    // Room between chunks: whole pages for large reads, which run faster
    // into page-aligned memory, a cache line for small ones.
    static std::size_t strideFor(std::size_t length)
    {
        const std::size_t unit = length < kPage ? 64 : kPage;
        return std::max<std::size_t>((length + unit - 1) / unit * unit, unit);
    }

    // Appends the surviving subclasses of `members` to `into`.
    void split(const FileClass& members, std::vector<FileClass>& into);

private:
    bool readChunk(std::size_t member, std::size_t slot);
    std::byte* slotData(std::size_t slot) { return m_arena.data() + slot * m_stride; }
    std::string_view bytesOf(std::size_t slot)
    {
        return {reinterpret_cast<const char*>(slotData(slot)), m_range.length};
    }

    FileSystem& m_fileSystem;
    const ContentClassifier::PathOf& m_pathOf;
    std::vector<std::unique_ptr<FileReader>>& m_readers;
    PageBuffer& m_arena;
    ByteRange m_range;
    std::size_t m_stride;
    bool m_keepOpen;
};

bool ChunkRound::readChunk(std::size_t member, std::size_t slot)
{
    std::unique_ptr<FileReader>& kept = m_readers[member];
    std::unique_ptr<FileReader> opened;
    FileReader* reader = kept.get();
    if (!reader) {
        Result<std::unique_ptr<FileReader>> result = m_fileSystem.openForReading(m_pathOf(member));
        if (!result || !*result)
            return false;
        opened = std::move(result).value();
        reader = opened.get();
    }
    const Result<std::size_t> got = reader->readAt(m_range.offset, {slotData(slot), m_range.length});
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

void ChunkRound::split(const FileClass& members, std::vector<FileClass>& into)
{
    // Slot s holds the chunk of subclass s; the slot after the last one is
    // where the next file is read.
    std::vector<FileClass> subclasses;
    // Past a few classes a hash of each representative's chunk finds the one
    // worth comparing with: the first subclass of a hash, then a chain.
    std::unordered_map<std::size_t, std::size_t> firstOfHash;
    std::vector<std::size_t> nextOfHash;
    constexpr std::size_t kNone = std::size_t(-1);
    const std::hash<std::string_view> hashOf;

    for (std::size_t member : members) {
        const std::size_t scratch = subclasses.size();
        if (!readChunk(member, scratch))
            continue;
        const std::string_view chunk = bytesOf(scratch);
        std::size_t match = kNone;
        std::size_t hash = 0;
        if (subclasses.size() < kLinearSearchLimit) {
            for (std::size_t s = 0; s < subclasses.size() && match == kNone; ++s)
                if (std::memcmp(chunk.data(), slotData(s), chunk.size()) == 0)
                    match = s;
        } else {
            if (nextOfHash.empty()) {
                nextOfHash.assign(subclasses.size(), kNone);
                for (std::size_t s = 0; s < subclasses.size(); ++s) {
                    auto [at, fresh] = firstOfHash.try_emplace(hashOf(bytesOf(s)), s);
                    if (!fresh) {
                        nextOfHash[s] = at->second;
                        at->second = s;
                    }
                }
            }
            hash = hashOf(chunk);
            // The hash only finds the representative; memcmp decides.
            const auto found = firstOfHash.find(hash);
            for (std::size_t s = found == firstOfHash.end() ? kNone : found->second; s != kNone;
                 s = nextOfHash[s])
                if (std::memcmp(chunk.data(), slotData(s), chunk.size()) == 0) {
                    match = s;
                    break;
                }
        }
        if (match != kNone) {
            subclasses[match].push_back(member);
            continue;
        }
        if (!nextOfHash.empty()) {
            auto [at, fresh] = firstOfHash.try_emplace(hash, scratch);
            nextOfHash.push_back(fresh ? kNone : at->second);
            at->second = scratch;
        }
        subclasses.push_back({member});
    }

    for (FileClass& subclass : subclasses) {
        if (subclass.size() >= 2)
            into.push_back(std::move(subclass));
        else
            m_readers[subclass.front()].reset();
    }
}

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
        // Every member of the largest class may need its own slot.
        const std::size_t cap = m_limits.memoryBudget / (largest + 1) / kPage * kPage;
        const ByteRange range = plan.next(cap);
        if (progress)
            progress(compared, size);

        // The arena is kept from one split to the next, as most size groups
        // are small; one that outgrew the budget gives its memory back.
        const std::size_t arenaBytes = (largest + 1) * ChunkRound::strideFor(range.length);
        if (m_arena.capacity() > std::max(arenaBytes, m_limits.memoryBudget))
            m_arena.release();
        m_arena.reserve(arenaBytes);
        // A file read to its end in this round is closed at once.
        ChunkRound round(m_fileSystem, pathOf, readers, m_arena, range,
                         !plan.done() && survivors <= m_limits.maxOpenFiles);
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
