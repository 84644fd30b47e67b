// zelvo-window-bench: the analysis through the real main window. The window is
// built offscreen in FOLDER (its start-up scan included), shown, and the click
// on "Analizar" is timed with every caption, bar and repaint it brings. The
// rows of List1 and the count line go to standard output, exactly as
// zelvo-bench prints them, so the two outputs can be compared byte for byte;
// timings go to standard error under the same names.
#include "QuietServices.h"

#include "core/DuplicateRow.h"
#include "platform/PosixFileSystem.h"
#include "platform/QtDateText.h"
#include "platform/QtDrives.h"
#include "platform/QtHelpViewer.h"
#include "platform/QtPictureLoader.h"
#include "ui/main/Form1.h"

#include <QApplication>
#include <QLabel>
// The help viewer's header hands out its window inline and needs the type.
#include <QTextBrowser>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct ThreadUsage {
    double cpuSeconds = 0;
    long voluntarySwitches = 0;
    long involuntarySwitches = 0;
};

// The window's thread alone: Qt's helper threads are left out.
ThreadUsage threadUsage()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto secs = [](timeval t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return {secs(usage.ru_utime) + secs(usage.ru_stime), usage.ru_nvcsw, usage.ru_nivcsw};
}

double peakMemoryMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

void printRows(const zelvo::Form1& window)
{
    std::string out;
    out.reserve(1u << 20);
    const int count = window.duplicateRowCount();
    for (int i = 0; i < count; ++i) {
        out += window.duplicateRow(i).text();
        out += '\n';
        if (out.size() > (1u << 20) - 4096) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    out += window.Label3->text().toStdString();
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int usage()
{
    std::fprintf(stderr,
                 "usage: zelvo-window-bench FOLDER\n"
                 "Opens the main window offscreen in FOLDER (pattern *.*), clicks \"Analizar\" and\n"
                 "prints the duplicates list and its count line as zelvo-bench does; timings go\n"
                 "to standard error. QT_QPA_PLATFORM is set to offscreen unless already set.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::string(argv[1]).starts_with("-"))
        return usage();
    // The window starts in the folder it was started from, as the program does.
    if (chdir(argv[1]) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    zelvo::PosixFileSystem fileSystem;
    zelvo::QtDateText dates;
    // The analysis shows no message box on a readable folder; should one come
    // all the same, it goes to standard error instead of waiting for a click.
    zelvo::bench::StderrMessageBox messages;
    zelvo::QtPictureLoader pictures;
    zelvo::QtHelpViewer help;
    zelvo::QtDrives drives;

    const Clock::time_point buildStart = Clock::now();
    zelvo::Form1 window({fileSystem, dates, messages, pictures, help, drives});
    window.show();
    // The first frame, as the user would see it before clicking.
    QCoreApplication::processEvents();
    const ThreadUsage usageBefore = threadUsage();
    const Clock::time_point analysisStart = Clock::now();
    window.Command1_Click();
    const Clock::time_point clickEnd = Clock::now();
    // The last frame: what the click left to paint is part of what it costs.
    QCoreApplication::processEvents();
    const Clock::time_point analysisEnd = Clock::now();
    const ThreadUsage usageAfter = threadUsage();

    printRows(window);
    std::fprintf(stderr, "files: %zu\n", window.NumArchivos());
    std::fprintf(stderr, "duplicates: %.0f\n", window.NumDuplicados);
    std::fprintf(stderr, "window and scan: %.3f s\n", seconds(analysisStart - buildStart));
    // The click itself, as zelvo-bench times DuplicateAnalysis::run; the frame
    // it leaves behind is shown on its own line.
    std::fprintf(stderr, "analysis: %.3f s\n", seconds(clickEnd - analysisStart));
    std::fprintf(stderr, "last frame: %.3f s\n", seconds(analysisEnd - clickEnd));
    // Wall time well above this means the thread waited: for the disk, or for
    // a core on a busy machine.
    std::fprintf(stderr, "analysis cpu: %.3f s (switches: %ld waits, %ld preemptions)\n",
                 usageAfter.cpuSeconds - usageBefore.cpuSeconds,
                 usageAfter.voluntarySwitches - usageBefore.voluntarySwitches,
                 usageAfter.involuntarySwitches - usageBefore.involuntarySwitches);
    std::fprintf(stderr, "total: %.3f s\n", seconds(analysisEnd - buildStart));
    std::fprintf(stderr, "peak memory: %.1f MiB\n", peakMemoryMiB());
    return 0;
}
