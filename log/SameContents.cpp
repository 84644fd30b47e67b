#include "SameContents.h"

#include <algorithm>
#include <vector>

namespace zelvo {

namespace {

constexpr std::size_t kChunk = 60000;

// Fills the buffer as far as the file goes; a short count means the end.
Result<std::size_t> readFull(FileReader& reader, std::span<std::byte> into)
{
    std::size_t filled = 0;
    while (filled < into.size()) {
        Result<std::size_t> got = reader.read(into.subspan(filled));
        if (!got)
            return got.error();
        if (*got == 0)
            break;
        filled += *got;
    }
    return filled;
}

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

    std::vector<std::byte> chunkA(kChunk);
    std::vector<std::byte> chunkB(kChunk);
    for (;;) {
        const Result<std::size_t> gotA = readFull(**a, chunkA);
        if (!gotA)
            return failedWith(gotA.error());
        const Result<std::size_t> gotB = readFull(**b, chunkB);
        if (!gotB)
            return failedWith(gotB.error());
        if (*gotA != *gotB || !std::equal(chunkA.begin(), chunkA.begin() + *gotA, chunkB.begin()))
            return Sameness::Different;
        if (*gotA < kChunk)
            return Sameness::Same;
    }
}

} // namespace zelvo
