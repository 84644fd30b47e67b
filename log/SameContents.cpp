#include "SameContents.h"

#include <algorithm>
#include <vector>

namespace zelvo {

namespace {

constexpr std::size_t kChunk = 60000;

// A file gone holds nothing to compare; any other failure leaves the
// question open.
Sameness failedWith(FileError error)
{
    return error == FileError::NotFound ? Sameness::Different : Sameness::Unknown;
}

} // namespace

Sameness sameContents(FileSystem& fileSystem, const std::string& first, const std::string& second)
{
    auto a = fileSystem.openForReading(first);
    if (!a)
        return failedWith(a.error());
    auto b = fileSystem.openForReading(second);
    if (!b)
        return failedWith(b.error());

    // A read fills its chunk unless the file ends (FileReader), so chunks
    // of both files cover the same offsets and a short one is the end.
    std::vector<std::byte> chunkA(kChunk);
    std::vector<std::byte> chunkB(kChunk);
    for (;;) {
        const Result<std::size_t> gotA = (*a)->read(chunkA);
        if (!gotA)
            return failedWith(gotA.error());
        const Result<std::size_t> gotB = (*b)->read(chunkB);
        if (!gotB)
            return failedWith(gotB.error());
        if (*gotA != *gotB || !std::equal(chunkA.begin(), chunkA.begin() + *gotA, chunkB.begin()))
            return Sameness::Different;
        if (*gotA < kChunk)
            return Sameness::Same;
    }
}

} // namespace zelvo
