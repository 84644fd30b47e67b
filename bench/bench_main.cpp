// zelvo-bench: runs the real folder scan and the real analysis on one folder
// without a window. The rows the duplicates list would hold and the count line
// go to standard output; timings and I/O counts go to standard error.
#include "CountingFileSystem.h"
#include "DifferenceBound.h"
#include "HeadlessView.h"
#include "QuietServices.h"
#include "RunCheck.h"

#include "core/BulletBar.h"
#include "core/DuplicateAnalysis.h"
#include "core/LeerDirectorio.h"
#include "platform/PosixFileSystem.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
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

// Reads the folder independently, judges the run and prints the verdict;
// returns the number of rules the run broke.
int checkAgainstTruth(const FolderListing& listing, const HeadlessView& view, const CountingFileSystem& fs)
{
    const ContentTruth truth = findContentTruth(listing.paths.toVector(), listing.sizes);
    const RunCheckReport report = checkRun(listing, view.rows(), fs.files(), truth);
    std::fprintf(stderr, "check: bytes read %llu, difference bound %llu, read beyond the bound %llu\n",
                 (unsigned long long)report.bytesRead, (unsigned long long)report.boundTotal,
                 (unsigned long long)report.readBeyondBound);
    std::fprintf(stderr, "check: files opened %zu of %zu listed; opened more than once %zu\n",
                 report.filesOpened, listing.paths.size(), report.openedMoreThanOnce);
    std::fprintf(stderr, "check: fresh reads %zu (reads that do not go on where the file's read before ended)\n",
                 report.freshReads);
    std::fprintf(stderr, "check: identical sets %zu; groups reported %zu (whole sets %zu, parts of a set %zu)\n",
                 report.identicalSets, report.groupsReported, report.groupsWhole, report.groupsPartial);
    if (!truth.unreadable.empty())
        std::fprintf(stderr, "check: %zu files could not be read\n", truth.unreadable.size());
    const std::vector<std::string> broken = report.brokenRules();
    for (const std::string& rule : broken)
        std::fprintf(stderr, "check: BROKEN: %s\n", rule.c_str());
    return int(broken.size());
}

int usage()
{
    std::fprintf(stderr,
                 "usage: zelvo-bench [--check | --count-rows] FOLDER\n"
                 "Scans FOLDER (pattern *.*) and analyses it as \"Analizar\" does, without a window.\n"
                 "Prints the duplicates list and its count line; timings go to standard error.\n"
                 "--check also reads the folder independently and reports any file read more than\n"
                 "needed, any byte read twice and any group that is not byte-identical.\n"
                 "--count-rows keeps only the number of rows (only the count line is printed), to\n"
                 "tell the engine's memory from the list's.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool check = false;
    bool keepRows = true;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--check")
            check = true;
        else if (argument == "--count-rows")
            keepRows = false;
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
    HeadlessView view(keepRows);
    BulletBar bar(view);
    FolderListing listing;
    const ScanRequest where{resolved, "*.*"};

    const Clock::time_point scanStart = Clock::now();
    LeerDirectorio(ScanMode::StartUp, where, fileSystem, view, listing, bar);
    const Clock::time_point scanEnd = Clock::now();
    const std::optional<Clock::duration> sort = view.statusLineShownFor();
    const IoTotals afterScan = fileSystem.totals();
    const double peakAfterScan = peakMemoryMiB();

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
    std::fprintf(stderr, "peak memory after the scan: %.1f MiB\n", peakAfterScan);

    if (check && keepRows && checkAgainstTruth(listing, view, fileSystem) > 0)
        return 3;
    return 0;
}
