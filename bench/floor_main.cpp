// zelvo-floor: the time the disk needs to deliver the bytes no finder can
// avoid reading in one folder, with 1 to 64 threads. Each count starts from
// a dropped page cache (as root), so the best of them is the device's floor
// for that folder.
#include "DifferenceBound.h"
#include "FloorReads.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

int usage()
{
    std::fprintf(
        stderr, "usage: zelvo-floor [--threads LIST] FOLDER\n"
                "Reads, in FOLDER, every file of a shared size up to where it first differs from\n"
                "every other file of its size (whole with a twin; at least its first block; only\n"
                "its first and last blocks when those set it apart and are fewer bytes), once\n"
                "with each thread count of LIST (default 1,2,4,8,16,32,64), and prints each time\n"
                "and the best one. Each count reads twice: with the system's read-ahead for every\n"
                "file, as a plain reader gets it (its best: \"read ahead\"), then without it for\n"
                "the files read in part, so that the device reads only the bytes wanted. As root\n"
                "the page cache is dropped before each reading; otherwise the times are hot.\n"
                "Listing the folder and finding the bound are not timed.\n");
    return 2;
}

bool parseThreads(const std::string& text, std::vector<unsigned>& into)
{
    into.clear();
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string item = text.substr(at, comma - at);
        char* end = nullptr;
        const unsigned long value = std::strtoul(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || value < 1 || value > 1024)
            return false;
        into.push_back(unsigned(value));
        at = comma + 1;
    }
    return !into.empty();
}

// The files the engine would list: regular, not hidden; sorted by name.
bool listFolder(const std::string& folder, std::vector<std::string>& paths,
                std::vector<ByteCount>& sizes)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir))
        if (entry->d_name[0] != '.')
            names.emplace_back(entry->d_name);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        struct stat status {};
        if (::fstatat(::dirfd(dir), name.c_str(), &status, 0) == 0 && S_ISREG(status.st_mode)) {
            paths.push_back(folder + "/" + name);
            sizes.push_back(ByteCount(status.st_size));
        }
    }
    ::closedir(dir);
    return true;
}

// Writes back dirty pages, then drops clean ones, dentries and inodes.
bool dropPageCache()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, "3", 1) == 1;
    ::close(fd);
    return written;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<unsigned> threads{1, 2, 4, 8, 16, 32, 64};
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--threads" && i + 1 < argc) {
            if (!parseThreads(argv[++i], threads))
                return usage();
        } else if (argument.starts_with("-") || !folder.empty())
            return usage();
        else
            folder = argument;
    }
    if (folder.empty())
        return usage();

    std::vector<std::string> paths;
    std::vector<ByteCount> sizes;
    if (!listFolder(folder, paths, sizes)) {
        std::perror(folder.c_str());
        return 1;
    }
    const ContentTruth truth = findContentTruth(paths, sizes);
    const std::vector<FloorFile> plan = floorPlan(paths, sizes, truth);
    ByteCount planned = 0;
    for (const FloorFile& file : plan)
        planned += file.bytes();
    std::printf("files: %zu listed, %zu to read, %llu bytes\n", paths.size(), plan.size(),
                (unsigned long long)planned);

    const bool cold = ::geteuid() == 0;
    if (!cold)
        std::fprintf(
            stderr,
            "zelvo-floor: not root, so the page cache is not dropped: these times are HOT\n");

    PosixRangeReader reader;
    double best = std::numeric_limits<double>::infinity();
    double bestAsAsked = best;
    unsigned bestThreads = 0;
    // Each count twice: every file with the system's read-ahead, as a plain
    // reader gets it, then only the wanted bytes of the files read in part.
    for (unsigned count : threads)
        for (const bool exactly : {false, true}) {
            if (cold && !dropPageCache()) {
                std::fprintf(stderr, "zelvo-floor: cannot write /proc/sys/vm/drop_caches: %s\n",
                             std::strerror(errno));
                return 1;
            }
            const FloorRun run = readPlan(plan, count, reader, std::size_t(1) << 20, exactly);
            std::printf("threads %u%s: %.3f s\n", count, exactly ? "" : " read ahead", run.seconds);
            std::fflush(stdout);
            if (run.failures > 0 || run.bytesRead != planned || run.filesOpened != plan.size()) {
                std::fprintf(
                    stderr,
                    "zelvo-floor: %llu files failed; read %llu of %llu bytes, opened %llu of "
                    "%zu files\n",
                    (unsigned long long)run.failures, (unsigned long long)run.bytesRead,
                    (unsigned long long)planned, (unsigned long long)run.filesOpened, plan.size());
                return 1;
            }
            if (!exactly)
                bestAsAsked = std::min(bestAsAsked, run.seconds);
            if (run.seconds < best) {
                best = run.seconds;
                bestThreads = count;
            }
        }
    std::printf("read ahead: %.3f s\n", bestAsAsked);
    std::printf("floor: %.3f s with %u threads, %s\n", best, bestThreads, cold ? "cold" : "hot");
    return 0;
}
