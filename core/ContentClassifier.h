#pragma once

#include "PageBuffer.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zelvo {

class IoPool;
class RoundReader;

// Limits that keep a large group of same-size files within the process's
// means: open files and bytes held in buffers at once.
struct ClassifierLimits {
    std::size_t maxOpenFiles = 256;
    std::size_t memoryBudget = 64u << 20;
    std::size_t firstChunk = 4096;
    std::size_t largestChunk = 1u << 20;
    // With a pool of I/O threads and a file system that allows it, classes
    // of at least this many files are read by the pool (and as many names
    // measured again before they are reported), and listings of at least
    // parallelListingFrom files are measured by it.
    std::size_t parallelFrom = 128;
    std::size_t parallelListingFrom = 1024;
    // Threads of the pool besides the caller's. They mostly wait on the
    // device, which answers many requests at once faster than one after
    // another, so there are more of them than cores (at most this many
    // files more are open during a round); all but 64 only for long works.
    unsigned ioThreads = 256;
};

// How the files of a round are best read: in the order given, or, on a disk
// whose head seeks, one after another in the order of their places on it.
enum class ReadOrder { AsGiven, OnDisk };

// What a split tells while it works, always on the thread that called it,
// whichever thread read the file.
class SplitProgress {
public:
    virtual ~SplitProgress() = default;
    // Before each chunk round: bytes of every surviving file already
    // compared, the files' size, and the files taking part in the round.
    virtual void roundStarts(ByteCount compared, ByteCount size, std::size_t members) = 0;
    // A file is about to be read and compared with its class, whose first
    // member is `reference`; `read` files of the round were read before it.
    virtual void reading(std::size_t reference, std::size_t file, std::size_t read) = 0;
    // A class of the round was split: `alone` files of the round so far are
    // left without an identical file, of `read` files read so far.
    virtual void classSplit(std::size_t alone, std::size_t read) = 0;
};

// Splits files of one size into classes of byte-identical contents. It reads
// every file chunk by chunk (a small first chunk, then the last block, then
// growing chunks through the middle) and compares each chunk with memcmp
// against one representative per class; a class that is left with a single
// member is dropped at once and never read again. Each byte of each file is
// read at most once. A file that cannot be opened, or reads short or with an
// error, is identical to nothing and silently dropped. It knows nothing of
// names sharing one file on disk: give it one path per file. Use one
// classifier for many groups: it keeps its buffers.
class ContentClassifier {
public:
    // Called before each chunk round with the number of bytes of every
    // surviving file already compared, and the files' size.
    using Progress = std::function<void(ByteCount compared, ByteCount size)>;

    // With a pool, the files of a round are read by its threads when the
    // file system allows it, a large class alone, small ones together; the
    // classes found are the same. While the pool finds the device cold, the
    // first chunks of many files of one size are read without read-ahead. In
    // ReadOrder::OnDisk a class is read by one thread in the order of its
    // files' places.
    explicit ContentClassifier(FileSystem& fileSystem, ClassifierLimits limits = {}, IoPool* pool = nullptr,
                               ReadOrder order = ReadOrder::AsGiven)
        : m_fileSystem(fileSystem), m_limits(limits), m_pool(pool), m_order(order)
    {
    }

    // The path of the file at a position, for callers that keep their paths
    // elsewhere and need not copy them.
    using PathOf = std::function<std::string(std::size_t position)>;

    // Classes of at least two identical files, each a list of positions in
    // `paths` in ascending order; classes ordered by their first position.
    std::vector<std::vector<std::size_t>> split(const std::vector<std::string>& paths,
                                                ByteCount size, const Progress& progress = {});
    // The same for `count` files whose paths `pathOf` gives.
    std::vector<std::vector<std::size_t>> split(std::size_t count, const PathOf& pathOf,
                                                ByteCount size, const Progress& progress = {});
    std::vector<std::vector<std::size_t>> split(std::size_t count, const PathOf& pathOf,
                                                ByteCount size, SplitProgress* progress);

    // The same for `count` files of `size` bytes already read whole, whose
    // contents `contentOf` gives (nullptr for a file that could not be read).
    using ContentOf = std::function<const std::byte*(std::size_t file)>;
    std::vector<std::vector<std::size_t>> splitContents(std::size_t count, ByteCount size,
                                                        const ContentOf& contentOf, SplitProgress* progress);

private:
    void prepareArena(std::size_t bytes);
    std::vector<std::vector<std::size_t>> splitRound(const std::vector<std::vector<std::size_t>>& classes,
                                                     RoundReader& reader, SplitProgress* progress);

    FileSystem& m_fileSystem;
    ClassifierLimits m_limits;
    IoPool* m_pool;
    ReadOrder m_order;
    // The chunks of one round, side by side. Kept from one split to the next:
    // most size groups are small, and allocating anew each time costs more
    // than reading them.
    PageBuffer m_arena;
};

} // namespace zelvo
