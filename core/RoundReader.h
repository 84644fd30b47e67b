#pragma once

#include "ChunkPlan.h"
#include "ContentClassifier.h"
#include "PageBuffer.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace zelvo {

class IoPool;

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
        m_blocks.reserve(files * PageBuffer::kPage);
    }
    ByteRange range() const { return m_range; }
    std::byte* block(std::size_t member) { return m_blocks.data() + member * PageBuffer::kPage; }
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
    // In the first round of a middle read in growing chunks, where the
    // middle ends: files still compared then are most often copies, read to
    // their end.
    ByteCount middleEnd = 0;
};

// How the bytes of one chunk round reach memory: which readers are opened and
// kept open for the next round, the order of the places on a disk whose head
// seeks, the pool's threads, the system's read-ahead, and the last blocks read
// early. It knows nothing of classes: the caller compares what it reads. A
// file that cannot be read whole is closed, and matches nothing.
class RoundReader {
public:
    RoundReader(FileSystem& fileSystem, const ContentClassifier::PathOf& pathOf,
                std::vector<std::unique_ptr<FileReader>>& readers, RoundReading how, ByteCount size,
                ByteRange range, bool keepOpen)
        : m_fileSystem(fileSystem), m_pathOf(pathOf), m_readers(readers), m_how(how), m_size(size),
          m_range(range), m_keepOpen(keepOpen)
    {
    }

    const RoundReading& how() const { return m_how; }
    ByteRange range() const { return m_range; }

    // Reads the member's chunk of the round into `into`; false when it could
    // not be read whole.
    bool readChunk(std::size_t member, std::byte* into);

    // Reads the chunks of members[first, last), each into slotOf(i), opening
    // them all first and reading them in the order of their places on the
    // disk; read[i] tells which were read whole.
    void readInPlaceOrder(const std::vector<std::size_t>& members, std::size_t first, std::size_t last,
                          const std::function<std::byte*(std::size_t)>& slotOf, std::vector<char>& read);

    // A file of a round read by the pool.
    struct PooledFile {
        std::size_t member;
        // Whether the reader hashes the chunk it read, sparing the caller a
        // pass over its bytes.
        bool hashed = false;
        bool read = false;
        std::uint64_t hash = 0;
    };
    // Reads files[i] into slots + i * stride by the pool's threads and this
    // one, setting done[i] as each one is in; `whenDone` runs on this thread
    // after its own share, while the others may still read.
    void readByPool(std::vector<PooledFile>& files, std::byte* slots, std::size_t stride,
                    std::atomic<bool>* done, const std::function<void()>& whenDone);

    // Lets the member's reader go: it is compared no more.
    void close(std::size_t member) { m_readers[member].reset(); }

private:
    // The member's reader, kept from an earlier round or opened into
    // `opened`; nullptr when it cannot be opened.
    FileReader* open(std::size_t member, std::unique_ptr<FileReader>& opened);
    bool readWith(std::size_t member, FileReader& reader, std::unique_ptr<FileReader>& opened, std::byte* into);
    void adviseReadAhead(FileReader& reader) const;
    bool readChunk(std::size_t member, std::byte* into, std::unique_ptr<FileReader>& opened, FileReader*& reader);
    void readTailEarly(std::size_t member, FileReader* reader);
    // Reads the last blocks of files[i] and of its neighbours whose first
    // chunk equals its own.
    void readTailsOfLikeNeighbours(std::vector<PooledFile>& files, std::size_t i, std::byte* slots,
                                   std::size_t stride, std::atomic<bool>* done, FileReader* reader,
                                   std::unique_ptr<FileReader>& opened);
    // The member's last block if it was read early: whether it was read whole.
    std::optional<bool> takeEarlyTail(std::size_t member, std::byte* into);

    FileSystem& m_fileSystem;
    const ContentClassifier::PathOf& m_pathOf;
    std::vector<std::unique_ptr<FileReader>>& m_readers;
    RoundReading m_how;
    ByteCount m_size;
    ByteRange m_range;
    bool m_keepOpen;
};

} // namespace zelvo
