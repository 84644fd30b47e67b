#pragma once

#include "PageBuffer.h"
#include "platform/FileSystem.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace zelvo {

// Limits that keep a large group of same-size files within the process's
// means: open files and bytes held in buffers at once.
struct ClassifierLimits {
    std::size_t maxOpenFiles = 256;
    std::size_t memoryBudget = 64u << 20;
    std::size_t firstChunk = 4096;
    std::size_t largestChunk = 1u << 20;
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

    explicit ContentClassifier(FileSystem& fileSystem, ClassifierLimits limits = {})
        : m_fileSystem(fileSystem), m_limits(limits)
    {
    }

    // The path of the file at a position, for callers that keep their paths
    // elsewhere and need not copy them.
    using PathOf = std::function<const std::string&(std::size_t position)>;

    // Classes of at least two identical files, each a list of positions in
    // `paths` in ascending order; classes ordered by their first position.
    std::vector<std::vector<std::size_t>> split(const std::vector<std::string>& paths,
                                                ByteCount size, const Progress& progress = {});
    // The same for `count` files whose paths `pathOf` gives.
    std::vector<std::vector<std::size_t>> split(std::size_t count, const PathOf& pathOf,
                                                ByteCount size, const Progress& progress = {});

private:
    FileSystem& m_fileSystem;
    ClassifierLimits m_limits;
    // The chunks of one round, side by side. Kept from one split to the next:
    // most size groups are small, and allocating anew each time costs more
    // than reading them.
    PageBuffer m_arena;
};

} // namespace zelvo
