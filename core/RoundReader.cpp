#include "RoundReader.h"

#include "ChunkHash.h"
#include "IoPool.h"

#include <algorithm>
#include <cstring>

namespace zelvo {

FileReader* RoundReader::open(std::size_t member, std::unique_ptr<FileReader>& opened)
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
void RoundReader::adviseReadAhead(FileReader& reader) const
{
    if (m_range.offset == 0) {
        if (m_how.manyFiles && m_range.length < m_size && m_how.pool && m_how.pool->waitsOnDevice())
            reader.setReadAhead(false);
        return;
    }
    reader.setReadAhead(true);
    // A middle of a few megabytes is left to the system's own read-ahead,
    // which grows as the reads go on and fills the cache in large pieces: a
    // read-ahead asked for fills it page by page, and on a folder of photos
    // that took twice the kernel's time and half as long again in all. A long
    // middle is asked for at once, a few tens of megabytes at most (a file
    // that differs in its middle after all leaves the rest unread): large
    // files compared side by side then keep streaming.
    constexpr ByteCount kLeastAhead = 16u << 20;
    constexpr ByteCount kMostAhead = 32u << 20;
    if (m_how.middleEnd >= m_range.offset + kLeastAhead)
        reader.willRead(m_range.offset, std::min(m_how.middleEnd - m_range.offset, kMostAhead));
}

bool RoundReader::readWith(std::size_t member, FileReader& reader, std::unique_ptr<FileReader>& opened,
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

std::optional<bool> RoundReader::takeEarlyTail(std::size_t member, std::byte* into)
{
    // Only the very range read early is taken from it: a round that reads
    // a small file's whole rest instead reads it from the file.
    EarlyTails* early = m_how.earlyTails;
    if (!early || m_range.offset != early->range().offset || m_range.length != early->range().length)
        return std::nullopt;
    const std::optional<bool> whole = early->readEarly(member);
    if (whole && *whole)
        std::memcpy(into, early->block(member), m_range.length);
    else if (whole)
        m_readers[member].reset();
    return whole;
}

bool RoundReader::readChunk(std::size_t member, std::byte* into)
{
    std::unique_ptr<FileReader> opened;
    FileReader* reader = nullptr;
    return readChunk(member, into, opened, reader);
}

// The same, leaving the caller the reader it was read with (none for a last
// block read early): `opened` holds it until the caller lets it go, unless the
// round keeps it.
bool RoundReader::readChunk(std::size_t member, std::byte* into, std::unique_ptr<FileReader>& opened,
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
void RoundReader::readTailEarly(std::size_t member, FileReader* reader)
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

// A disk whose head seeks reads fastest front to back: the files of a batch
// are opened, then read in the order of their places on the disk.
void RoundReader::readInPlaceOrder(const std::vector<std::size_t>& members, std::size_t first, std::size_t last,
                                   const std::function<std::byte*(std::size_t)>& slotOf, std::vector<char>& read)
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
        read[file.index] = readWith(members[file.index], *file.reader, opened[file.index - first], slotOf(file.index));
}

// One file per block: neighbouring files, asked for at once by different
// threads, reach the device together and are served as one. Each reader
// hashes what it read, sparing the classifying thread a pass.
void RoundReader::readByPool(std::vector<PooledFile>& files, std::byte* slots, std::size_t stride,
                             std::atomic<bool>* done, const std::function<void()>& whenDone)
{
    const bool early = m_range.offset == 0 && m_how.earlyTails;
    m_how.pool->share(files.size(), 1, [&](int worker, std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            std::byte* slot = slots + i * stride;
            std::unique_ptr<FileReader> opened;
            FileReader* reader = nullptr;
            files[i].read = readChunk(files[i].member, slot, opened, reader);
            if (files[i].read && files[i].hashed)
                files[i].hash = chunkHash(slot, m_range.length);
            done[i].store(true);
            if (early && files[i].read)
                readTailsOfLikeNeighbours(files, i, slots, stride, done, reader, opened);
        }
        if (worker == 0)
            whenDone();
    });
}

// A file whose first chunk equals a neighbour's has both last blocks read
// early (the round of first chunks holds a single class). Of two neighbours
// done at the same time, at least one sees the other done.
void RoundReader::readTailsOfLikeNeighbours(std::vector<PooledFile>& files, std::size_t i, std::byte* slots,
                                            std::size_t stride, std::atomic<bool>* done, FileReader* reader,
                                            std::unique_ptr<FileReader>& opened)
{
    const auto equalNeighbour = [&](std::size_t j) {
        return j < files.size() && done[j].load() && files[j].read &&
               std::memcmp(slots + i * stride, slots + j * stride, m_range.length) == 0;
    };
    const bool likeBefore = equalNeighbour(i - 1);
    const bool likeAfter = equalNeighbour(i + 1);
    if (!likeBefore && !likeAfter)
        return;
    readTailEarly(files[i].member, reader);
    // One file open at a time beyond those kept.
    opened.reset();
    if (likeBefore)
        readTailEarly(files[i - 1].member, nullptr);
    if (likeAfter)
        readTailEarly(files[i + 1].member, nullptr);
}

} // namespace zelvo
