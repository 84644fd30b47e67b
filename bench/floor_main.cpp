// zelvo-floor: the time the least any finder must do takes in one folder:
// list it, measure every file, and have the disk deliver the bytes no finder
// can avoid reading, with 1 to 64 threads. Each count starts from a dropped
// page cache (as root), so the best of them is the device's floor for that
// folder.
#include "DifferenceBound.h"
#include "FloorReads.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

int usage()
{
    std::fprintf(
        stderr,
        "usage: zelvo-floor [--threads LIST] [--plain] [--keep-cache] [--plan FILE] FOLDER\n"
        "       zelvo-floor --write-plan FILE FOLDER\n"
        "Does, in FOLDER, the least any finder must: lists it, takes the status of every\n"
        "file, and reads every file of a shared size up to where it first differs from\n"
        "every other file of its size (whole with a twin; at least its first block; only\n"
        "its first and last blocks when those set it apart and are fewer bytes), once\n"
        "with each thread count of LIST (default 1,2,4,8,16,32,64), and prints each time\n"
        "and the best one. Each count reads twice: with the system's read-ahead for every\n"
        "file, as a plain reader gets it (its best: \"read ahead\"), then without it for\n"
        "the files read in part, so that the device reads only the bytes wanted. As root\n"
        "the page cache is dropped before each reading; otherwise the times are hot.\n"
        "Finding which bytes must be read is not timed.\n"
        "  --plain        only the plain reader's readings, with read-ahead for every file\n"
        "  --keep-cache   never drop the page cache (the caller did)\n"
        "  --write-plan F find what must be read, write it to F and read nothing else\n"
        "  --plan F       take what must be read from F (written by --write-plan)\n");
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

bool readText(const std::string& path, std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[1 << 16];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool writeText(const std::string& path, const std::string& text)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
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

void printPlan(std::size_t listed, const std::vector<FloorFile>& plan, ByteCount planned)
{
    // A range is what a plain reader asks the device for anew: the opens and
    // the ranges are what a finder's opens and fresh reads are held against.
    std::size_t ranges = 0;
    for (const FloorFile& file : plan)
        ranges += file.ranges.size();
    std::printf("files: %zu listed, %zu to read, %llu bytes in %zu ranges\n", listed, plan.size(),
                (unsigned long long)planned, ranges);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<unsigned> threads{1, 2, 4, 8, 16, 32, 64};
    std::string folder, planIn, planOut;
    bool plainOnly = false, keepCache = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool valued = i + 1 < argc;
        if (argument == "--threads" && valued) {
            if (!parseThreads(argv[++i], threads))
                return usage();
        } else if (argument == "--plan" && valued)
            planIn = argv[++i];
        else if (argument == "--write-plan" && valued)
            planOut = argv[++i];
        else if (argument == "--plain")
            plainOnly = true;
        else if (argument == "--keep-cache")
            keepCache = true;
        else if (argument.starts_with("-") || !folder.empty())
            return usage();
        else
            folder = argument;
    }
    if (folder.empty() || (!planIn.empty() && !planOut.empty()))
        return usage();

    // What must be read comes from a reading of the whole folder, which is
    // no part of the job: it is done before anything is timed, or elsewhere.
    std::vector<FloorFile> plan;
    std::size_t listed = 0;
    if (!planIn.empty()) {
        std::string text;
        if (!readText(planIn, text) || !parsePlan(text, plan)) {
            std::fprintf(stderr, "zelvo-floor: %s is not a plan written by --write-plan\n",
                         planIn.c_str());
            return 1;
        }
    } else {
        FloorListing listing;
        if (!listAndMeasure(folder, 1, listing)) {
            std::perror(folder.c_str());
            return 1;
        }
        listed = listing.paths.size();
        plan = floorPlan(listing.paths, listing.sizes,
                         findContentTruth(listing.paths, listing.sizes));
    }
    ByteCount planned = 0;
    for (const FloorFile& file : plan)
        planned += file.bytes();
    if (!planOut.empty()) {
        printPlan(listed, plan, planned);
        if (writeText(planOut, planText(plan)))
            return 0;
        std::perror(planOut.c_str());
        return 1;
    }
    bool planShown = planIn.empty();
    if (planShown)
        printPlan(listed, plan, planned);

    const bool cold = ::geteuid() == 0 && !keepCache;
    if (!cold && !keepCache)
        std::fprintf(
            stderr,
            "zelvo-floor: not root, so the page cache is not dropped: these times are HOT\n");

    PosixRangeReader reader;
    double best = std::numeric_limits<double>::infinity();
    double bestAsAsked = best;
    unsigned bestThreads = 0, bestAsAskedThreads = 0;
    // Each count twice: every file with the system's read-ahead, as a plain
    // reader gets it, then only the wanted bytes of the files read in part.
    for (unsigned count : threads)
        for (const bool exactly : {false, true}) {
            if (exactly && plainOnly)
                continue;
            if (cold && !dropPageCache()) {
                std::fprintf(stderr, "zelvo-floor: cannot write /proc/sys/vm/drop_caches: %s\n",
                             std::strerror(errno));
                return 1;
            }
            // The whole job: the listing and the status of every file, then the reads.
            const auto start = std::chrono::steady_clock::now();
            FloorListing listing;
            const bool listedNow = listAndMeasure(folder, count, listing);
            const double listingSeconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const FloorRun run = readPlan(plan, count, reader, std::size_t(1) << 20, exactly);
            const double seconds = listingSeconds + run.seconds;
            if (!planShown)
                printPlan(listing.paths.size(), plan, planned);
            planShown = true;
            std::printf("threads %u%s: %.3f s (listing and status %.3f s)\n", count,
                        exactly ? "" : " read ahead", seconds, listingSeconds);
            std::fflush(stdout);
            if (!listedNow || run.failures > 0 || run.bytesRead != planned ||
                run.filesOpened != plan.size()) {
                std::fprintf(
                    stderr,
                    "zelvo-floor: %s; %llu files failed; read %llu of %llu bytes, opened %llu of "
                    "%zu files\n",
                    listedNow ? "listed" : "could not list the folder",
                    (unsigned long long)run.failures, (unsigned long long)run.bytesRead,
                    (unsigned long long)planned, (unsigned long long)run.filesOpened, plan.size());
                return 1;
            }
            if (!exactly && seconds < bestAsAsked) {
                bestAsAsked = seconds;
                bestAsAskedThreads = count;
            }
            if (seconds < best) {
                best = seconds;
                bestThreads = count;
            }
        }
    const char* how = cold ? "cold" : keepCache ? "as the caller left the cache" : "hot";
    std::printf("read ahead: %.3f s with %u threads\n", bestAsAsked, bestAsAskedThreads);
    std::printf("floor: %.3f s with %u threads, %s\n", best, bestThreads, how);
    return 0;
}
