#include "ContentClassifier.h"

#include "ChunkPlan.h"
#include "ClassTable.h"
#include "IoPool.h"
#include "RoundReader.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

namespace zelvo {

namespace {

constexpr std::size_t kPage = PageBuffer::kPage;
// From this many files of one size on, a first chunk is read without read-ahead
// while the device is cold.
constexpr std::size_t kManyOfOneSize = 128;

// One chunk round over all surviving classes: each class is split by what its
// files hold in the round's range, as the round's reader delivers it.
class ChunkRound {
public:
    ChunkRound(RoundReader& reader, PageBuffer& arena, SplitProgress* progress)
        : m_reader(reader), m_arena(arena), m_range(reader.range()), m_progress(progress)
    {
    }

    // Appends the surviving subclasses of `members` to `into`, read by this
    // thread.
    void split(const FileClass& members, std::vector<FileClass>& into);
    // The same for classes[first, last), whose files the pool reads all at
    // once, a slot each in the arena, while this thread reads too and
    // classifies them in member order as they come in.
    void splitTogether(const std::vector<FileClass>& classes, std::size_t first, std::size_t last,
                       std::vector<FileClass>& into);

private:
    void classifyAsRead(const FileClass& members, ClassTable& table);
    void classifyFromSlots(const FileClass& members, ClassTable& table);
    void keepSubclasses(const FileClass& members, ClassTable& table, std::vector<FileClass>& into);

    RoundReader& m_reader;
    PageBuffer& m_arena;
    ByteRange m_range;
    SplitProgress* m_progress;
    // Files of the round read, and those left alone.
    std::size_t m_read = 0;
    std::size_t m_alone = 0;
};

// One file at a time, each compared as soon as it is read: a chunk lies in
// the cache when it is compared, and the table holds one chunk per class.
void ChunkRound::classifyAsRead(const FileClass& members, ClassTable& table)
{
    for (std::size_t member : members) {
        if (m_progress)
            m_progress->reading(members.front(), member, m_read);
        ++m_read;
        if (m_reader.readChunk(member, table.scratch()))
            table.addScratch(member);
    }
}

// Many files read into a slot each, one after another in their order on the
// disk, and classified in member order: the classes and their order are those
// of one file at a time.
void ChunkRound::classifyFromSlots(const FileClass& members, ClassTable& table)
{
    const std::size_t count = members.size();
    std::vector<char> read(count, 0);
    // Files of a batch are open at once: the batch stays within the bound.
    const std::size_t batch = std::max<std::size_t>(m_reader.how().maxOpenFiles, 1);
    for (std::size_t first = 0; first < count; first += batch) {
        const std::size_t last = std::min(first + batch, count);
        m_reader.readInPlaceOrder(members, first, last, [&](std::size_t i) { return table.slot(i); }, read);
        for (std::size_t i = first; i < last; ++i) {
            if (m_progress)
                m_progress->reading(members.front(), members[i], m_read);
            ++m_read;
            if (read[i])
                table.add(members[i], i);
        }
    }
}

void ChunkRound::split(const FileClass& members, std::vector<FileClass>& into)
{
    ClassTable table(m_arena, m_range.length, members.size());
    if (m_reader.how().order == ReadOrder::OnDisk)
        classifyFromSlots(members, table);
    else
        classifyAsRead(members, table);
    keepSubclasses(members, table, into);
}

void ChunkRound::splitTogether(const std::vector<FileClass>& classes, std::size_t first, std::size_t last,
                               std::vector<FileClass>& into)
{
    std::vector<RoundReader::PooledFile> files;
    for (std::size_t c = first; c < last; ++c)
        for (std::size_t member : classes[c])
            // Only a class of many files is looked up by hash.
            files.push_back({member, classes[c].size() > ClassTable::kLinearSearchLimit});
    const std::size_t stride = strideFor(m_range.length);
    m_arena.reserve(files.size() * stride);

    // The files are classified on this thread in order, class after class,
    // as soon as they are read, so that the progress follows the reading.
    std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[files.size()]());
    std::size_t next = 0;
    std::size_t current = first;
    std::size_t base = 0;
    std::optional<ClassTable> table;
    const auto classifyDone = [&] {
        for (; next < files.size() && done[next].load(std::memory_order_acquire); ++next) {
            const FileClass& members = classes[current];
            if (!table)
                table.emplace(m_arena, m_range.length, members.size(), base);
            const std::size_t i = next - base;
            if (m_progress)
                m_progress->reading(members.front(), members[i], m_read);
            ++m_read;
            if (files[next].read)
                table->add(members[i], i, files[next].hashed, files[next].hash);
            if (i + 1 == members.size()) {
                keepSubclasses(members, *table, into);
                table.reset();
                base += members.size();
                ++current;
            }
        }
    };
    m_reader.readByPool(files, m_arena.data(), stride, done.get(), classifyDone);
    classifyDone();
}

void ChunkRound::keepSubclasses(const FileClass& members, ClassTable& table, std::vector<FileClass>& into)
{
    // A file that could not be read belongs to no subclass: it is alone too.
    std::size_t kept = 0;
    for (FileClass& subclass : table.classes()) {
        if (subclass.size() >= 2) {
            kept += subclass.size();
            into.push_back(std::move(subclass));
        } else {
            m_reader.close(subclass.front());
        }
    }
    m_alone += members.size() - kept;
    if (m_progress)
        m_progress->classSplit(m_alone, m_read);
}

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
    return split(paths.size(), [&paths](std::size_t i) { return paths[i]; }, size,
                 progress);
}

std::vector<std::vector<std::size_t>> ContentClassifier::split(std::size_t count, const PathOf& pathOf,
                                                               ByteCount size, const Progress& progress)
{
    RoundCallback rounds(progress);
    return split(count, pathOf, size, progress ? &rounds : nullptr);
}

std::vector<std::vector<std::size_t>> ContentClassifier::splitContents(std::size_t count, ByteCount size,
                                                                       const ContentOf& contentOf,
                                                                       SplitProgress* progress)
{
    if (count < 2)
        return {};
    const auto length = static_cast<std::size_t>(size);
    m_arena.reserve(count * strideFor(length));
    ClassTable table(m_arena, length, count);
    if (progress)
        progress->roundStarts(0, size, count);
    for (std::size_t file = 0; file < count; ++file) {
        if (progress)
            progress->reading(0, file, file);
        if (const std::byte* contents = contentOf(file)) {
            std::memcpy(table.slot(file), contents, length);
            table.add(file, file);
        }
    }
    std::vector<FileClass> classes;
    std::size_t kept = 0;
    for (FileClass& c : table.classes()) {
        if (c.size() >= 2) {
            kept += c.size();
            classes.push_back(std::move(c));
        }
    }
    if (progress)
        progress->classSplit(count - kept, count);
    return classes;
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
    RoundReading how;
    how.order = m_order;
    how.maxOpenFiles = m_limits.maxOpenFiles;
    how.parallelFrom = m_limits.parallelFrom;
    how.manyFiles = count >= kManyOfOneSize;
    if (m_order == ReadOrder::AsGiven && m_pool && m_fileSystem.allowsConcurrentReads())
        how.pool = m_pool;
    ChunkPlan plan(size, m_limits);
    std::optional<EarlyTails> earlyTails;
    ByteCount compared = 0;
    while (!classes.empty() && !plan.done()) {
        std::size_t survivors = 0;
        std::size_t largest = 0;
        for (const FileClass& c : classes) {
            survivors += c.size();
            largest = std::max(largest, c.size());
        }
        // Every member of the largest class may need its own slot, and one
        // more for a file read one at a time.
        const std::size_t slots = largest + 1;
        const ByteRange range = plan.next(m_limits.memoryBudget / slots / kPage * kPage);
        if (progress)
            progress->roundStarts(compared, size, survivors);
        prepareArena(slots * strideFor(range.length));
        // The pool reads last blocks early in the round of first chunks; the
        // round of last blocks, next, takes them.
        if (range.offset == 0 && how.pool && !plan.done() &&
            count * kPage <= m_limits.memoryBudget / EarlyTails::kBudgetShare) {
            const ByteRange tail = ChunkPlan(plan).next(m_limits.memoryBudget / slots / kPage * kPage);
            if (tail.length <= kPage) {
                earlyTails.emplace(tail, count);
                how.earlyTails = &*earlyTails;
            }
        }
        how.middleEnd = plan.startsMiddle(range) ? plan.middleEnd() : 0;
        // A file read to its end in this round is closed at once.
        RoundReader reader(m_fileSystem, pathOf, readers, how, size, range,
                           !plan.done() && survivors <= m_limits.maxOpenFiles);
        classes = splitRound(classes, reader, progress);
        compared += range.length;
        if (range.offset > 0)
            how.earlyTails = nullptr;
    }
    std::sort(classes.begin(), classes.end(),
              [](const FileClass& a, const FileClass& b) { return a.front() < b.front(); });
    return classes;
}

// The arena is kept from one split to the next, as most size groups are
// small; one that outgrew the budget gives its memory back.
void ContentClassifier::prepareArena(std::size_t bytes)
{
    if (m_arena.capacity() > std::max(bytes, m_limits.memoryBudget))
        m_arena.release();
    m_arena.reserve(bytes);
}

// The pool reads a class of many files alone, and small classes together, as
// many files at a time as the memory holds: one by one, a few files each,
// they would wait for the device in turn.
std::vector<std::vector<std::size_t>> ContentClassifier::splitRound(const std::vector<std::vector<std::size_t>>& classes,
                                                                    RoundReader& reader, SplitProgress* progress)
{
    const RoundReading& how = reader.how();
    const std::size_t atOnce = std::max<std::size_t>(m_limits.memoryBudget / strideFor(reader.range().length), 2);
    const auto endOfSharedRead = [&](std::size_t first) {
        if (!how.pool)
            return first;
        if (classes[first].size() >= how.parallelFrom)
            return first + 1;
        std::size_t last = first;
        std::size_t files = 0;
        while (last < classes.size() && classes[last].size() < how.parallelFrom &&
               files + classes[last].size() <= atOnce)
            files += classes[last++].size();
        return last;
    };
    ChunkRound round(reader, m_arena, progress);
    std::vector<FileClass> next;
    for (std::size_t first = 0; first < classes.size();) {
        const std::size_t last = endOfSharedRead(first);
        if (last > first)
            round.splitTogether(classes, first, last, next);
        else
            round.split(classes[first], next);
        first = std::max(last, first + 1);
    }
    return next;
}

} // namespace zelvo
