#include "DifferenceBound.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <numeric>
#include <unistd.h>

namespace zelvo::bench {

namespace {

constexpr std::size_t kSmallestBlock = 4096;
constexpr std::size_t kLargestBlock = 1u << 20;
constexpr std::size_t kClassBudget = 64u << 20;

// Reads [offset, offset + length) of a file whole, or says it could not.
bool readRange(const std::string& path, ByteCount offset, unsigned char* into, std::size_t length)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, into + done, length - done, off_t(offset + done));
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    ::close(fd);
    return done == length;
}

// Files of one size that were equal up to `offset`.
struct Candidates {
    ByteCount offset = 0;
    std::vector<std::size_t> files;
};

void splitOneSize(const std::vector<std::string>& paths, ByteCount size, std::vector<std::size_t> files,
                  ContentTruth& truth)
{
    std::vector<Candidates> pending{{0, std::move(files)}};
    std::vector<unsigned char> blocks;
    while (!pending.empty()) {
        Candidates current = std::move(pending.back());
        pending.pop_back();
        const std::size_t perFile = std::clamp(kClassBudget / current.files.size(), kSmallestBlock, kLargestBlock);
        const std::size_t length = std::size_t(std::min<ByteCount>(perFile, size - current.offset));

        std::vector<std::size_t> members;
        blocks.resize(current.files.size() * length);
        for (std::size_t file : current.files) {
            if (readRange(paths[file], current.offset, blocks.data() + members.size() * length, length))
                members.push_back(file);
            else
                truth.unreadable.push_back(file);
        }
        const auto block = [&](std::size_t k) { return blocks.data() + k * length; };

        std::vector<std::size_t> order(members.size());
        std::iota(order.begin(), order.end(), 0);
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return std::memcmp(block(a), block(b), length) < 0;
        });
        // shared[k]: bytes the k-th and (k-1)-th blocks in sorted order share.
        std::vector<std::size_t> shared(order.size(), 0);
        for (std::size_t k = 1; k < order.size(); ++k) {
            const unsigned char* a = block(order[k - 1]);
            const unsigned char* b = block(order[k]);
            shared[k] = std::size_t(std::mismatch(a, a + length, b).first - a);
        }

        const bool lastBlock = current.offset + length == size;
        for (std::size_t start = 0; start < order.size();) {
            std::size_t end = start + 1;
            while (end < order.size() && shared[end] == length)
                ++end;
            if (end - start == 1) {
                const std::size_t before = start > 0 ? shared[start] : 0;
                const std::size_t after = end < order.size() ? shared[end] : 0;
                truth.bound[members[order[start]]] = current.offset + std::max(before, after) + 1;
            } else {
                std::vector<std::size_t> same;
                for (std::size_t k = start; k < end; ++k)
                    same.push_back(members[order[k]]);
                std::sort(same.begin(), same.end());
                if (lastBlock) {
                    for (std::size_t file : same)
                        truth.bound[file] = size;
                    truth.identicalSets.push_back(std::move(same));
                } else {
                    pending.push_back({current.offset + length, std::move(same)});
                }
            }
            start = end;
        }
    }
}

// Marks the files of one size whose first and last blocks another file of
// the size shares.
void findSharedEnds(const std::vector<std::string>& paths, ByteCount size,
                    const std::vector<std::size_t>& files, ContentTruth& truth)
{
    const std::size_t block = std::size_t(std::min<ByteCount>(size, kSmallestBlock));
    std::map<std::string, std::vector<std::size_t>> byEnds;
    std::string ends(2 * block, '\0');
    auto* into = reinterpret_cast<unsigned char*>(ends.data());
    for (std::size_t file : files)
        if (readRange(paths[file], 0, into, block) && readRange(paths[file], size - block, into + block, block))
            byEnds[ends].push_back(file);
    for (const auto& [key, sharing] : byEnds)
        if (sharing.size() > 1)
            for (std::size_t file : sharing)
                truth.sharesEnds[file] = true;
}

} // namespace

ContentTruth findContentTruth(const std::vector<std::string>& paths, const std::vector<ByteCount>& sizes)
{
    ContentTruth truth;
    truth.bound.assign(paths.size(), 0);
    truth.sharesEnds.assign(paths.size(), false);
    std::map<ByteCount, std::vector<std::size_t>> bySize;
    for (std::size_t file = 0; file < paths.size(); ++file)
        bySize[sizes[file]].push_back(file);

    for (auto& [size, files] : bySize) {
        if (files.size() < 2)
            continue;
        if (size == 0)
            truth.identicalSets.push_back(std::move(files));
        else {
            findSharedEnds(paths, size, files, truth);
            splitOneSize(paths, size, std::move(files), truth);
        }
    }
    std::sort(truth.identicalSets.begin(), truth.identicalSets.end());
    std::sort(truth.unreadable.begin(), truth.unreadable.end());
    return truth;
}

} // namespace zelvo::bench
