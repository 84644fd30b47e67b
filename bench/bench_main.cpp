// zelvo-bench: runs the real folder scan and the real analysis on one folder
// without a window. The rows the duplicates list would hold and the count line
// go to standard output; timings and I/O counts go to standard error.
#include "CountingFileSystem.h"
#include "DifferenceBound.h"
#include "HeadlessView.h"
#include "QuietServices.h"

#include "core/BulletBar.h"
#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"
#include "platform/PosixFileSystem.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

using namespace zelvo;
using namespace zelvo::bench;

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

void printRows(const HeadlessView& view)
{
    std::string out;
    out.reserve(1u << 20);
    for (const DuplicateRow& row : view.rows()) {
        out += row.text();
        out += '\n';
        if (out.size() > (1u << 20) - 4096) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    out += view.caption(Control::Label3);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

// Compares what the run did with the truth about the folder; prints every
// rule it broke and returns how many it broke.
int checkAgainstTruth(const FolderListing& listing, const HeadlessView& view, const CountingFileSystem& fs)
{
    const ContentTruth truth = findContentTruth(listing.paths, listing.sizes);
    int broken = 0;

    std::map<ByteCount, int> filesOfSize;
    for (ByteCount size : listing.sizes)
        ++filesOfSize[size];
    std::map<std::string, std::size_t> position;
    for (std::size_t i = 0; i < listing.paths.size(); ++i)
        position[listing.paths[i]] = i;

    std::map<std::size_t, std::size_t> setOf; // file -> its identical set
    for (std::size_t s = 0; s < truth.identicalSets.size(); ++s)
        for (std::size_t file : truth.identicalSets[s])
            setOf[file] = s;

    // What was read against what had to be.
    ByteCount boundTotal = 0, overRead = 0;
    int openedAlone = 0, openedTwice = 0, readAgain = 0, readPastDifference = 0;
    std::string example;
    for (std::size_t i = 0; i < listing.paths.size(); ++i)
        boundTotal += truth.bound[i];
    for (const auto& [path, record] : fs.files()) {
        const auto found = position.find(path);
        if (found == position.end())
            continue;
        const std::size_t i = found->second;
        if (filesOfSize[listing.sizes[i]] < 2)
            ++openedAlone;
        if (record.opens > 1)
            ++openedTwice;
        if (record.bytesReadAgain > 0)
            ++readAgain;
        if (record.bytesRead > truth.bound[i])
            overRead += record.bytesRead - truth.bound[i];
        // A reader may finish the read that meets the first difference, but
        // must not read that file any further. Twins are read whole.
        const ByteCount differs = truth.bound[i] - 1;
        const auto meets = std::find_if(record.reads.begin(), record.reads.end(), [&](const auto& read) {
            return read.first <= differs && differs < read.first + read.second;
        });
        const bool hasTwin = setOf.contains(i);
        if (!hasTwin && truth.bound[i] > 0 && meets != record.reads.end() && meets + 1 != record.reads.end()) {
            ++readPastDifference;
            if (example.empty())
                example = path + " read " + std::to_string(record.bytesRead) + " bytes, differs by byte " +
                          std::to_string(truth.bound[i]);
        }
    }
    std::fprintf(stderr, "check: bytes read %llu, difference bound %llu, read beyond the bound %llu\n",
                 (unsigned long long)fs.totals().bytesRead, (unsigned long long)boundTotal,
                 (unsigned long long)overRead);
    std::fprintf(stderr, "check: files opened %zu of %zu listed; opened more than once %d\n", fs.files().size(),
                 listing.paths.size(), openedTwice);
    const auto rule = [&](bool kept, const std::string& what) {
        if (!kept) {
            ++broken;
            std::fprintf(stderr, "check: BROKEN: %s\n", what.c_str());
        }
    };
    rule(openedAlone == 0, std::to_string(openedAlone) + " files of a unique size were opened");
    rule(readAgain == 0, std::to_string(readAgain) + " files had some byte read twice");
    rule(readPastDifference == 0, std::to_string(readPastDifference) +
                                      " files were read further after the read that met their first difference (" +
                                      example + ")");

    // What was reported against the identical sets.
    std::set<std::vector<std::size_t>> reported;
    std::vector<std::size_t> group;
    const auto closeGroup = [&] {
        if (!group.empty()) {
            std::sort(group.begin(), group.end());
            reported.insert(group);
            group.clear();
        }
    };
    for (const DuplicateRow& row : view.rows()) {
        if (row.isHead)
            closeGroup();
        const auto found = position.find(row.path);
        if (found != position.end())
            group.push_back(found->second);
    }
    closeGroup();
    int wrong = 0, partial = 0;
    for (const auto& g : reported) {
        const auto first = setOf.find(g.front());
        const bool inOneSet = first != setOf.end() && std::all_of(g.begin(), g.end(), [&](std::size_t f) {
            auto it = setOf.find(f);
            return it != setOf.end() && it->second == first->second;
        });
        if (!inOneSet)
            ++wrong;
        else if (truth.identicalSets[first->second] != g)
            ++partial;
    }
    const std::size_t whole = reported.size() - std::size_t(wrong) - std::size_t(partial);
    std::fprintf(stderr, "check: identical sets %zu; groups reported %zu (whole sets %zu, parts of a set %d)\n",
                 truth.identicalSets.size(), reported.size(), whole, partial);
    rule(wrong == 0, std::to_string(wrong) + " reported groups hold files that are not identical");
    if (!truth.unreadable.empty())
        std::fprintf(stderr, "check: %zu files could not be read\n", truth.unreadable.size());
    return broken;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: zelvo-bench [--check] FOLDER\n"
                 "Scans FOLDER (pattern *.*) and analyses it as \"Analizar\" does, without a window.\n"
                 "Prints the duplicates list and its count line; timings go to standard error.\n"
                 "--check also reads the folder independently and reports any file read more than\n"
                 "needed, any byte read twice and any group that is not byte-identical.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool check = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--check")
            check = true;
        else if (argument.starts_with("-") || !folder.empty())
            return usage();
        else
            folder = argument;
    }
    if (folder.empty())
        return usage();
    // The window always works on a full path, as Dir1 gives it.
    char resolved[PATH_MAX];
    if (!realpath(folder.c_str(), resolved)) {
        std::perror(folder.c_str());
        return 1;
    }

    PosixFileSystem disk;
    CountingFileSystem fileSystem(disk, check);
    SecondsDateText dates;
    StderrMessageBox messages;
    NoPairRecorder recorder;
    HeadlessView view;
    BulletBar bar(view);
    FolderListing listing;
    const ScanRequest where{resolved, "*.*"};

    const Clock::time_point scanStart = Clock::now();
    LeerDirectorio(ScanMode::StartUp, where, fileSystem, view, listing, bar);
    const Clock::time_point scanEnd = Clock::now();
    const std::optional<Clock::duration> sort = view.statusLineShownFor();
    const IoTotals afterScan = fileSystem.totals();

    DuplicateAnalysis analysis(fileSystem, dates, view, messages, recorder);
    const AnalysisOutcome outcome = analysis.run(where, listing);
    const Clock::time_point analysisEnd = Clock::now();

    printRows(view);
    const double peak = peakMemoryMiB();
    const IoTotals& io = fileSystem.totals();

    std::fprintf(stderr, "files: %zu\n", listing.NumArchivos());
    std::fprintf(stderr, "duplicates: %.0f\n", outcome.NumDuplicados);
    std::fprintf(stderr, "scan: %.3f s\n", seconds(scanEnd - scanStart));
    if (sort)
        std::fprintf(stderr, "sort: %.3f s\n", seconds(*sort));
    else
        std::fprintf(stderr, "sort: unknown (the status line was not seen)\n");
    std::fprintf(stderr, "analysis: %.3f s\n", seconds(analysisEnd - scanEnd));
    std::fprintf(stderr, "total: %.3f s\n", seconds(analysisEnd - scanStart));
    std::fprintf(stderr, "bytes read: %llu\n", (unsigned long long)io.bytesRead);
    std::fprintf(stderr, "files opened: %llu\n", (unsigned long long)io.opens);
    std::fprintf(stderr, "read calls: %llu\n", (unsigned long long)io.readCalls);
    std::fprintf(stderr, "status calls: %llu (scan %llu)\n", (unsigned long long)io.statusCalls,
                 (unsigned long long)afterScan.statusCalls);
    if (io.failedOpens > 0)
        std::fprintf(stderr, "failed opens: %llu\n", (unsigned long long)io.failedOpens);
    std::fprintf(stderr, "peak memory: %.1f MiB\n", peak);

    if (check && checkAgainstTruth(listing, view, fileSystem) > 0)
        return 3;
    return 0;
}
