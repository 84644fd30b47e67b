#include "FloorReads.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <map>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace zelvo::bench {

namespace {

constexpr ByteCount kFirstBlock = 4096;

} // namespace

std::vector<FloorFile> floorPlan(const std::vector<std::string>& paths,
                                 const std::vector<ByteCount>& sizes, const ContentTruth& truth)
{
    std::map<ByteCount, std::size_t> filesOfSize;
    for (ByteCount size : sizes)
        ++filesOfSize[size];
    std::vector<bool> unreadable(paths.size(), false);
    for (std::size_t file : truth.unreadable)
        unreadable[file] = true;

    std::vector<FloorFile> plan;
    for (std::size_t file = 0; file < paths.size(); ++file) {
        const ByteCount size = sizes[file];
        if (size == 0 || filesOfSize[size] < 2 || unreadable[file])
            continue;
        const ByteCount first = std::min(size, kFirstBlock);
        const ByteCount prefix = std::max(truth.bound[file], first);
        const ByteCount lastStart = std::max(first, size - std::min(size, kFirstBlock));
        // A twin shares its ends with its twin, so it is always read whole.
        if (!truth.sharesEnds[file] && first + (size - lastStart) < prefix)
            plan.push_back({paths[file], {{0, first}, {lastStart, size - lastStart}}, size});
        else
            plan.push_back({paths[file], {{0, prefix}}, size});
    }
    return plan;
}

ByteCount FloorFile::bytes() const
{
    ByteCount total = 0;
    for (const auto& range : ranges)
        total += range.second;
    return total;
}

bool listAndMeasure(const std::string& folder, unsigned threads, FloorListing& into)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());

    // A size per name; -1 for what is not a regular file or is gone.
    std::vector<long long> sizes(names.size(), -1);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < names.size(); i = next++) {
            struct stat status {};
            if (::fstatat(::dirfd(dir), names[i].c_str(), &status, 0) == 0 && S_ISREG(status.st_mode))
                sizes[i] = status.st_size;
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::max(1u, threads); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    ::closedir(dir);

    into = {};
    for (std::size_t i = 0; i < names.size(); ++i)
        if (sizes[i] >= 0) {
            into.paths.push_back(folder + "/" + names[i]);
            into.sizes.push_back(ByteCount(sizes[i]));
        }
    return true;
}

std::string planText(const std::vector<FloorFile>& plan)
{
    std::string text;
    for (const FloorFile& file : plan) {
        text += std::to_string(file.size) + ' ' + std::to_string(file.ranges.size());
        for (const auto& [offset, length] : file.ranges)
            text += ' ' + std::to_string(offset) + ' ' + std::to_string(length);
        text += ' ' + file.path + '\n';
    }
    return text;
}

bool parsePlan(const std::string& text, std::vector<FloorFile>& plan)
{
    plan.clear();
    const char* at = text.c_str();
    const char* const end = at + text.size();
    // Numbers separated by single spaces, then the path to the end of the line.
    const auto number = [&](ByteCount& value) {
        char* after = nullptr;
        value = std::strtoull(at, &after, 10);
        if (after == at || *after != ' ')
            return false;
        at = after + 1;
        return true;
    };
    while (at < end) {
        FloorFile file;
        ByteCount ranges = 0;
        if (!number(file.size) || !number(ranges) || ranges > 2)
            return false;
        for (ByteCount r = 0; r < ranges; ++r) {
            ByteCount offset = 0, length = 0;
            if (!number(offset) || !number(length))
                return false;
            file.ranges.push_back({offset, length});
        }
        const char* line = std::find(at, end, '\n');
        if (line == end || line == at)
            return false;
        file.path.assign(at, line);
        at = line + 1;
        plan.push_back(std::move(file));
    }
    return true;
}

int PosixRangeReader::open(const std::string& path, bool readAhead)
{
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle >= 0 && !readAhead)
        ::posix_fadvise(handle, 0, 0, POSIX_FADV_RANDOM);
    return handle;
}

long long PosixRangeReader::readAt(int handle, unsigned char* into, std::size_t length,
                                   ByteCount offset)
{
    return ::pread(handle, into, length, off_t(offset));
}

void PosixRangeReader::close(int handle)
{
    ::close(handle);
}

FloorRun readPlan(const std::vector<FloorFile>& plan, unsigned threads, RangeReader& reader,
                  std::size_t chunk, bool exactly)
{
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> opened{0}, failures{0};
    std::atomic<ByteCount> bytes{0};

    const auto work = [&] {
        // Page-aligned, so that a read lands in whole pages of the buffer.
        std::unique_ptr<unsigned char, decltype(&std::free)> buffer(
            static_cast<unsigned char*>(std::aligned_alloc(4096, (chunk + 4095) / 4096 * 4096)),
            &std::free);
        std::uint64_t myOpened = 0, myFailures = 0;
        ByteCount myBytes = 0;
        for (std::size_t i = next++; i < plan.size(); i = next++) {
            const FloorFile& file = plan[i];
            const int handle = reader.open(file.path, !exactly || file.wholeFile());
            if (handle < 0) {
                ++myFailures;
                continue;
            }
            ++myOpened;
            bool whole = true;
            for (const auto& [offset, length] : file.ranges) {
                ByteCount done = 0;
                while (done < length) {
                    const std::size_t want = std::size_t(std::min<ByteCount>(chunk, length - done));
                    const long long got = reader.readAt(handle, buffer.get(), want, offset + done);
                    if (got <= 0)
                        break;
                    done += ByteCount(got);
                }
                whole = whole && done == length;
                myBytes += done;
            }
            if (!whole)
                ++myFailures;
            reader.close(handle);
        }
        opened += myOpened;
        failures += myFailures;
        bytes += myBytes;
    };

    threads = std::max(1u, threads);
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    const auto end = std::chrono::steady_clock::now();

    return {std::chrono::duration<double>(end - start).count(), opened.load(), bytes.load(),
            failures.load()};
}

} // namespace zelvo::bench
