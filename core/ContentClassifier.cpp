#include "ContentClassifier.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
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
        m_tailStart = size == 0 ? 0 : std::max<ByteCount>(m_firstEnd, (size - 1) / kPage * kPage);
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

// One chunk round over all surviving classes.
class ChunkRound {
public:
    ChunkRound(FileSystem& fileSystem, const std::vector<std::string>& paths,
               std::vector<std::unique_ptr<FileReader>>& readers,
               std::vector<PageBuffer>& buffers, ByteRange range, bool keepOpen)
        : m_fileSystem(fileSystem), m_paths(paths), m_readers(readers), m_buffers(buffers),
          m_range(range), m_keepOpen(keepOpen)
    {
    }

    // Appends the surviving subclasses of `members` to `into`.
    void split(const FileClass& members, std::vector<FileClass>& into);

private:
    struct Subclass {
        FileClass members;
        std::size_t buffer;
    };

    bool readChunk(std::size_t member, std::size_t buffer);
    std::string_view bytesOf(std::size_t buffer) const
    {
        return {reinterpret_cast<const char*>(m_buffers[buffer].data()), m_range.length};
    }
    std::byte* bufferFor(std::size_t index)
    {
        while (m_buffers.size() <= index)
            m_buffers.emplace_back();
        return m_buffers[index].reserve(m_range.length);
    }

    FileSystem& m_fileSystem;
    const std::vector<std::string>& m_paths;
    std::vector<std::unique_ptr<FileReader>>& m_readers;
    std::vector<PageBuffer>& m_buffers;
    ByteRange m_range;
    bool m_keepOpen;
};

bool ChunkRound::readChunk(std::size_t member, std::size_t buffer)
{
    std::unique_ptr<FileReader>& kept = m_readers[member];
    std::unique_ptr<FileReader> opened;
    FileReader* reader = kept.get();
    if (!reader) {
        Result<std::unique_ptr<FileReader>> result = m_fileSystem.openForReading(m_paths[member]);
        if (!result || !*result)
            return false;
        opened = std::move(result).value();
        reader = opened.get();
    }
    const Result<std::size_t> got =
        reader->readAt(m_range.offset, {bufferFor(buffer), m_range.length});
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
    std::vector<Subclass> subclasses;
    std::unordered_map<std::size_t, std::vector<std::size_t>> byHash;
    std::size_t scratch = 0;
    const std::hash<std::string_view> hashOf;

    for (std::size_t member : members) {
        if (!readChunk(member, scratch))
            continue;
        const std::string_view chunk = bytesOf(scratch);
        std::optional<std::size_t> match;
        std::size_t hash = 0;
        if (subclasses.size() < kLinearSearchLimit) {
            for (std::size_t s = 0; s < subclasses.size() && !match; ++s)
                if (std::memcmp(chunk.data(), bytesOf(subclasses[s].buffer).data(), chunk.size()) == 0)
                    match = s;
        } else {
            if (byHash.empty())
                for (std::size_t s = 0; s < subclasses.size(); ++s)
                    byHash[hashOf(bytesOf(subclasses[s].buffer))].push_back(s);
            hash = hashOf(chunk);
            // The hash only finds the representative; memcmp decides.
            for (std::size_t s : byHash[hash])
                if (std::memcmp(chunk.data(), bytesOf(subclasses[s].buffer).data(), chunk.size()) == 0) {
                    match = s;
                    break;
                }
        }
        if (match) {
            subclasses[*match].members.push_back(member);
            continue;
        }
        if (!byHash.empty())
            byHash[hash].push_back(subclasses.size());
        subclasses.push_back({{member}, scratch});
        scratch = subclasses.size();
    }

    for (Subclass& subclass : subclasses) {
        if (subclass.members.size() >= 2)
            into.push_back(std::move(subclass.members));
        else
            m_readers[subclass.members.front()].reset();
    }
}

} // namespace

void ContentClassifier::releaseSpareBuffers(std::size_t largestClass, std::size_t chunkCap)
{
    // A round uses buffers 0 to largestClass, none longer than chunkCap; the
    // others keep no more than a first chunk's worth, so the budget holds.
    const std::size_t longest = (chunkCap + kPage - 1) / kPage * kPage;
    for (std::size_t b = 0; b < m_buffers.size(); ++b)
        if (m_buffers[b].capacity() > (b <= largestClass ? longest : kPage))
            m_buffers[b].release();
}

std::vector<std::vector<std::size_t>> ContentClassifier::split(const std::vector<std::string>& paths,
                                                               ByteCount size, const Progress& progress)
{
    if (paths.size() < 2)
        return {};
    std::vector<FileClass> classes(1);
    classes.front().resize(paths.size());
    std::iota(classes.front().begin(), classes.front().end(), std::size_t{0});
    // Empty files are identical to each other without a read.
    if (size == 0)
        return classes;

    std::vector<std::unique_ptr<FileReader>> readers(paths.size());
    ChunkPlan plan(size, m_limits);
    ByteCount compared = 0;
    while (!classes.empty() && !plan.done()) {
        std::size_t survivors = 0;
        std::size_t largest = 0;
        for (const FileClass& c : classes) {
            survivors += c.size();
            largest = std::max(largest, c.size());
        }
        // Every member of the largest class may need its own buffer.
        const std::size_t cap = m_limits.memoryBudget / (largest + 1) / kPage * kPage;
        releaseSpareBuffers(largest, std::max(std::min(cap, m_limits.largestChunk), kPage));
        const ByteRange range = plan.next(cap);
        if (progress)
            progress(compared, size);

        ChunkRound round(m_fileSystem, paths, readers, m_buffers, range,
                         survivors <= m_limits.maxOpenFiles);
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
