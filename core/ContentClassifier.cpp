#include "ContentClassifier.h"

#include "ChunkHash.h"
#include "IoPool.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
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
// From this many files of one size on, a first chunk is read without read-ahead
// while the device is cold.
constexpr std::size_t kManyOfOneSize = 128;
// Up to this many classes a new chunk is compared with every representative;
// beyond it a hash finds the one representative worth comparing with.
constexpr std::size_t kLinearSearchLimit = 8;

struct ByteRange {
    ByteCount offset = 0;
    std::size_t length = 0;
};

// Last blocks read in the round of first chunks. A file whose first chunk
// equals another's is certain to be compared at its end: reading that block
// while the file is open spares a second open, and the device serves it
// alongside the first chunks instead of in a round of its own.
class EarlyTails {
public:
    // Up to this share of the memory budget, a page per file.
    static constexpr std::size_t kBudgetShare = 8;

    EarlyTails(ByteRange range, std::size_t files) : m_range(range), m_state(new std::atomic<char>[files]())
    {
        m_blocks.reserve(files * kPage);
    }
    ByteRange range() const { return m_range; }
    std::byte* block(std::size_t member) { return m_blocks.data() + member * kPage; }
    // True for one caller only: that one reads the member's last block.
    bool claim(std::size_t member)
    {
        char expected = kNotRead;
        return m_state[member].compare_exchange_strong(expected, kReading);
    }
    void finish(std::size_t member, bool read)
    {
        m_state[member].store(read ? kRead : kFailed, std::memory_order_release);
    }
    // Whether the member's last block was read early, and if so whether whole.
    std::optional<bool> readEarly(std::size_t member) const
    {
        const char state = m_state[member].load(std::memory_order_acquire);
        if (state == kNotRead)
            return std::nullopt;
        return state == kRead;
    }

private:
    static constexpr char kNotRead = 0, kReading = 1, kRead = 2, kFailed = 3;
    ByteRange m_range;
    PageBuffer m_blocks;
    std::unique_ptr<std::atomic<char>[]> m_state;
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
// each class' representative (its first member). The chunks live side by
// side in one arena, one slot each, from slot `first` on (classes read
// together share one arena). Files read one at a time go into the slot after
// the last class' representative, scratch(): a file that joins a class
// leaves that slot free for the next one, so the table never holds more
// chunks than it has classes. Files read all at once go into a slot each.
class ClassTable {
public:
    // Room is made for `files` classes at once: a large class of distinct
    // files would otherwise grow the table many times over.
    ClassTable(PageBuffer& arena, std::size_t length, std::size_t files, std::size_t first = 0)
        : m_arena(arena), m_length(length), m_stride(strideFor(length)), m_first(first), m_files(files)
    {
        m_classes.reserve(files);
        m_slots.reserve(files);
    }

    std::byte* slot(std::size_t s) { return m_arena.data() + (m_first + s) * m_stride; }
    // Where the next file read one at a time goes.
    std::byte* scratch() { return slot(m_classes.size()); }
    void addScratch(std::size_t member) { add(member, m_classes.size()); }

    // Puts the file whose chunk lies in slot `s` into its class, or into a
    // class of its own with that slot as its representative's.
    // A reader thread may have hashed the chunk already (`haveHash`),
    // sparing this thread a pass over its bytes.
    void add(std::size_t member, std::size_t s, bool haveHash = false, std::uint64_t hash = 0)
    {
        const std::byte* chunk = slot(s);
        const std::size_t match = find(chunk, haveHash, hash);
        if (match != kNone) {
            m_classes[match].push_back(member);
            return;
        }
        if (hashed())
            link(m_classes.size(), m_lastHash);
        m_classes.push_back({member});
        m_slots.push_back(s);
    }

    std::vector<FileClass>& classes() { return m_classes; }

private:
    // The class whose chunk equals `chunk`, or kNone.
    std::size_t find(const std::byte* chunk, bool haveHash, std::uint64_t hash)
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
        m_lastHash = haveHash ? hash : chunkHash(chunk, m_length);
        // The hash only finds the representative; memcmp decides.
        const auto found = m_firstOfHash.find(m_lastHash);
        for (std::size_t c = found == m_firstOfHash.end() ? kNone : found->second; c != kNone;
             c = m_nextOfHash[c])
            if (std::memcmp(chunk, chunkOf(c), m_length) == 0)
                return c;
        return kNone;
    }

    const std::byte* chunkOf(std::size_t c) const { return m_arena.data() + (m_first + m_slots[c]) * m_stride; }
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
    std::size_t m_first;
    std::size_t m_files;
    std::vector<FileClass> m_classes;
    // The slot of each class' representative.
    std::vector<std::size_t> m_slots;
    std::unordered_map<std::uint64_t, std::size_t> m_firstOfHash;
    std::vector<std::size_t> m_nextOfHash;
    std::uint64_t m_lastHash = 0;
};

// How a round's files are read.
struct RoundReading {
    // Shares the reading, and tells whether the device is cold; or nullptr.
    IoPool* pool = nullptr;
    // Whether the first chunks may be read without read-ahead.
    bool manyFiles = false;
    std::size_t parallelFrom = 0;
    ReadOrder order = ReadOrder::AsGiven;
    std::size_t maxOpenFiles = 1;
    // Last blocks to read early in this round of first chunks, or to take
    // from in the round of last blocks.
    EarlyTails* earlyTails = nullptr;
};

// One chunk round over all surviving classes.
class ChunkRound {
public:
    ChunkRound(FileSystem& fileSystem, const ContentClassifier::PathOf& pathOf,
               std::vector<std::unique_ptr<FileReader>>& readers, PageBuffer& arena, RoundReading how,
               ByteCount size, ByteRange range, bool keepOpen, SplitProgress* progress)
        : m_fileSystem(fileSystem), m_pathOf(pathOf), m_readers(readers), m_arena(arena), m_how(how),
          m_size(size), m_range(range), m_keepOpen(keepOpen), m_progress(progress)
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
    // The member's reader, kept from an earlier round or opened into
    // `opened`; nullptr when it cannot be opened.
    FileReader* open(std::size_t member, std::unique_ptr<FileReader>& opened);
    bool readWith(std::size_t member, FileReader& reader, std::unique_ptr<FileReader>& opened, std::byte* into);
    void adviseReadAhead(FileReader& reader) const;
    bool readChunk(std::size_t member, std::byte* into);
    bool readChunk(std::size_t member, std::byte* into, std::unique_ptr<FileReader>& opened, FileReader*& reader);
    void readTailEarly(std::size_t member, FileReader* reader);
    // The member's last block if it was read early: whether it was read whole.
    std::optional<bool> takeEarlyTail(std::size_t member, std::byte* into);
    void classifyAsRead(const FileClass& members, ClassTable& table);
    void classifyFromSlots(const FileClass& members, ClassTable& table);
    void readInPlaceOrder(const FileClass& members, std::size_t first, std::size_t last, ClassTable& table,
                          std::vector<char>& read);
    void keepSubclasses(const FileClass& members, ClassTable& table, std::vector<FileClass>& into);

    FileSystem& m_fileSystem;
    const ContentClassifier::PathOf& m_pathOf;
    std::vector<std::unique_ptr<FileReader>>& m_readers;
    PageBuffer& m_arena;
    RoundReading m_how;
    ByteCount m_size;
    ByteRange m_range;
    bool m_keepOpen;
    SplitProgress* m_progress;
    // Files of the round read, and those left alone.
    std::size_t m_read = 0;
    std::size_t m_alone = 0;
};

FileReader* ChunkRound::open(std::size_t member, std::unique_ptr<FileReader>& opened)
{
    if (FileReader* kept = m_readers[member].get())
        return kept;
    Result<std::unique_ptr<FileReader>> result = m_fileSystem.openForComparing(m_pathOf(member), m_size);
    if (!result || !*result)
        return nullptr;
    opened = std::move(result).value();
    return opened.get();
}

// Of many files of one size, most differ from the others in their first
// chunk: on a cold device the pages the system would read past it are mostly
// never wanted, and reading them took a third of the time of a round of 64 KiB
// files. A file still compared after it is read ahead again through its
// middle. A few files of one size are more often copies, read to their end,
// and read-ahead from their first byte serves them best.
void ChunkRound::adviseReadAhead(FileReader& reader) const
{
    if (m_range.offset > 0)
        reader.setReadAhead(true);
    else if (m_how.manyFiles && m_range.length < m_size && m_how.pool && m_how.pool->waitsOnDevice())
        reader.setReadAhead(false);
}

bool ChunkRound::readWith(std::size_t member, FileReader& reader, std::unique_ptr<FileReader>& opened,
                          std::byte* into)
{
    adviseReadAhead(reader);
    const Result<std::size_t> got = reader.readAt(m_range.offset, {into, m_range.length});
    // A short read means the file shrank since it was measured: its contents
    // are no longer those of its size, so it matches nothing.
    if (!got || *got != m_range.length) {
        m_readers[member].reset();
        opened.reset();
        return false;
    }
    if (opened && m_keepOpen)
        m_readers[member] = std::move(opened);
    return true;
}

std::optional<bool> ChunkRound::takeEarlyTail(std::size_t member, std::byte* into)
{
    EarlyTails* early = m_how.earlyTails;
    if (!early || m_range.offset == 0)
        return std::nullopt;
    const std::optional<bool> whole = early->readEarly(member);
    if (whole && *whole)
        std::memcpy(into, early->block(member), m_range.length);
    else if (whole)
        m_readers[member].reset();
    return whole;
}

bool ChunkRound::readChunk(std::size_t member, std::byte* into)
{
    std::unique_ptr<FileReader> opened;
    FileReader* reader = nullptr;
    return readChunk(member, into, opened, reader);
}

// The same, leaving the caller the reader it was read with (none for a last
// block read early): `opened` holds it until the caller lets it go, unless the
// round keeps it.
bool ChunkRound::readChunk(std::size_t member, std::byte* into, std::unique_ptr<FileReader>& opened,
                           FileReader*& reader)
{
    reader = nullptr;
    if (const std::optional<bool> taken = takeEarlyTail(member, into))
        return *taken;
    reader = open(member, opened);
    return reader && readWith(member, *reader, opened, into);
}

// With the member's reader when the caller holds it open, else its kept one,
// else one opened for this read alone.
void ChunkRound::readTailEarly(std::size_t member, FileReader* reader)
{
    EarlyTails& early = *m_how.earlyTails;
    if (!early.claim(member))
        return;
    std::unique_ptr<FileReader> opened;
    if (!reader)
        reader = open(member, opened);
    const ByteRange tail = early.range();
    bool whole = false;
    if (reader) {
        reader->setReadAhead(true);
        const Result<std::size_t> got = reader->readAt(tail.offset, {early.block(member), tail.length});
        whole = got && *got == tail.length;
    }
    early.finish(member, whole);
}

// One file at a time, each compared as soon as it is read: a chunk lies in
// the cache when it is compared, and the table holds one chunk per class.
void ChunkRound::classifyAsRead(const FileClass& members, ClassTable& table)
{
    for (std::size_t member : members) {
        if (m_progress)
            m_progress->reading(members.front(), member, m_read);
        ++m_read;
        if (readChunk(member, table.scratch()))
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
    const std::size_t batch = std::max<std::size_t>(m_how.maxOpenFiles, 1);
    for (std::size_t first = 0; first < count; first += batch) {
        const std::size_t last = std::min(first + batch, count);
        readInPlaceOrder(members, first, last, table, read);
        for (std::size_t i = first; i < last; ++i) {
            if (m_progress)
                m_progress->reading(members.front(), members[i], m_read);
            ++m_read;
            if (read[i])
                table.add(members[i], i);
        }
    }
}

// A disk whose head seeks reads fastest front to back: the files of a batch
// are opened, then read in the order of their places on the disk.
void ChunkRound::readInPlaceOrder(const FileClass& members, std::size_t first, std::size_t last,
                                  ClassTable& table, std::vector<char>& read)
{
    struct Placed {
        std::uint64_t place;
        std::size_t index;
        FileReader* reader;
    };
    std::vector<std::unique_ptr<FileReader>> opened(last - first);
    std::vector<Placed> order;
    order.reserve(last - first);
    for (std::size_t i = first; i < last; ++i)
        if (FileReader* reader = open(members[i], opened[i - first]))
            order.push_back({reader->placeOnDisk(), i, reader});
    std::stable_sort(order.begin(), order.end(),
                     [](const Placed& a, const Placed& b) { return a.place < b.place; });
    for (const Placed& file : order)
        read[file.index] =
            readWith(members[file.index], *file.reader, opened[file.index - first], table.slot(file.index));
}

void ChunkRound::split(const FileClass& members, std::vector<FileClass>& into)
{
    ClassTable table(m_arena, m_range.length, members.size());
    if (m_how.order == ReadOrder::OnDisk)
        classifyFromSlots(members, table);
    else
        classifyAsRead(members, table);
    keepSubclasses(members, table, into);
}

void ChunkRound::splitTogether(const std::vector<FileClass>& classes, std::size_t first, std::size_t last,
                               std::vector<FileClass>& into)
{
    struct File {
        std::size_t member;
        // Only a class of many files is looked up by hash.
        bool hashed = false;
        bool read = false;
        std::uint64_t hash = 0;
    };
    std::vector<File> files;
    for (std::size_t c = first; c < last; ++c)
        for (std::size_t member : classes[c])
            files.push_back({member, classes[c].size() > kLinearSearchLimit});
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
    // A file whose first chunk equals a neighbour's has both last blocks read
    // early (the round of first chunks holds a single class). Of two
    // neighbours done at the same time, at least one sees the other done.
    EarlyTails* early = m_range.offset == 0 ? m_how.earlyTails : nullptr;
    const auto equalNeighbour = [&](std::size_t i, std::size_t j) {
        return j < files.size() && done[j].load() && files[j].read &&
               std::memcmp(m_arena.data() + i * stride, m_arena.data() + j * stride, m_range.length) == 0;
    };
    // One file per block: neighbouring files, asked for at once by different
    // threads, reach the device together and are served as one. Each reader
    // hashes what it read, sparing the classifying thread a pass.
    m_how.pool->share(files.size(), 1, [&](int worker, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            std::byte* slot = m_arena.data() + i * stride;
            std::unique_ptr<FileReader> opened;
            FileReader* reader = nullptr;
            files[i].read = readChunk(files[i].member, slot, opened, reader);
            if (files[i].read && files[i].hashed)
                files[i].hash = chunkHash(slot, m_range.length);
            done[i].store(true);
            if (!early || !files[i].read)
                continue;
            const bool likeBefore = equalNeighbour(i, i - 1);
            const bool likeAfter = equalNeighbour(i, i + 1);
            if (!likeBefore && !likeAfter)
                continue;
            readTailEarly(files[i].member, reader);
            // One file open at a time beyond those kept.
            opened.reset();
            if (likeBefore)
                readTailEarly(files[i - 1].member, nullptr);
            if (likeAfter)
                readTailEarly(files[i + 1].member, nullptr);
        }
        if (worker == 0)
            classifyDone();
    });
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
            m_readers[subclass.front()].reset();
        }
    }
    m_alone += members.size() - kept;
    if (m_progress)
        m_progress->classSplit(m_alone, m_read);
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
        const std::size_t cap = m_limits.memoryBudget / slots / kPage * kPage;
        const ByteRange range = plan.next(cap);
        if (progress)
            progress->roundStarts(compared, size, survivors);

        // The arena is kept from one split to the next, as most size groups
        // are small; one that outgrew the budget gives its memory back.
        const std::size_t arenaBytes = slots * strideFor(range.length);
        if (m_arena.capacity() > std::max(arenaBytes, m_limits.memoryBudget))
            m_arena.release();
        m_arena.reserve(arenaBytes);
        // The pool reads last blocks early in the round of first chunks; the
        // round of last blocks, next, takes them.
        if (range.offset == 0 && how.pool && !plan.done() &&
            count * kPage <= m_limits.memoryBudget / EarlyTails::kBudgetShare) {
            earlyTails.emplace(ChunkPlan(plan).next(0), count);
            how.earlyTails = &*earlyTails;
        }
        // A file read to its end in this round is closed at once.
        ChunkRound round(m_fileSystem, pathOf, readers, m_arena, how, size, range,
                         !plan.done() && survivors <= m_limits.maxOpenFiles, progress);
        std::vector<FileClass> next;
        // The pool reads a class of many files alone, and small classes
        // together, as many files at a time as the memory holds: one by one,
        // a few files each, they would wait for the device in turn.
        const std::size_t atOnce = std::max<std::size_t>(m_limits.memoryBudget / strideFor(range.length), 2);
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
        for (std::size_t first = 0; first < classes.size();) {
            const std::size_t last = endOfSharedRead(first);
            if (last > first)
                round.splitTogether(classes, first, last, next);
            else
                round.split(classes[first], next);
            first = std::max(last, first + 1);
        }
        classes = std::move(next);
        compared += range.length;
        if (range.offset > 0)
            how.earlyTails = nullptr;
    }
    std::sort(classes.begin(), classes.end(),
              [](const FileClass& a, const FileClass& b) { return a.front() < b.front(); });
    return classes;
}

} // namespace zelvo
