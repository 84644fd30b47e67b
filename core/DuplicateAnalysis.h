#pragma once

#include "AnalysisListener.h"
#include "ContentClassifier.h"
#include "FolderListing.h"
#include "MainWindowView.h"
#include "PairRecorder.h"
#include "platform/DateText.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

#include <chrono>

namespace zelvo {

// What one run leaves behind besides the window's rows and captions.
struct AnalysisOutcome {
    double NumDuplicados = 0;
    bool deleteEnabled = false;
};

// The "Analizar" run: finds every set of byte-identical files in the listing
// and reports them as groups (a head row, then its twins in listing order), one
// pair record per twin, telling an AnalysisListener what it does (the
// window's is AnalysisDisplay). The steps: measure every listed file, order
// the files by size, split each size group by content, report the groups.
// Files whose size no other
// file has are never opened; no byte is read twice; no hash decides equality.
// A listed file that vanished before the run makes it rescan the folder and
// start over; a file that cannot be read, or whose size, date or identity
// changed before its group is reported, is identical to nothing.
class DuplicateAnalysis {
public:
    DuplicateAnalysis(FileSystem& fileSystem, DateText& dates, MainWindowView& view,
                      MessageBox& messages, PairRecorder& recorder)
        : m_fileSystem(fileSystem), m_dates(dates), m_view(view), m_messages(messages),
          m_recorder(recorder)
    {
    }

    // Command1_Click's work, shown on the window. The listing may be rebuilt
    // by the recovery scan. Out of memory reaches the caller, after the final
    // cleanup.
    AnalysisOutcome run(const ScanRequest& where, FolderListing& listing);
    // The same, told to any listener; the listener rescans.
    AnalysisOutcome run(FolderListing& listing, AnalysisListener& listener);

    // How often the path, size and date captions may change during a run;
    // about 30 times a second unless set. Zero shows every file.
    void setCaptionInterval(std::chrono::steady_clock::duration interval)
    {
        m_captionInterval = interval;
    }
    // Open-file, memory and thread bounds of the content comparison.
    void setLimits(const ClassifierLimits& limits) { m_limits = limits; }

private:
    FileSystem& m_fileSystem;
    DateText& m_dates;
    MainWindowView& m_view;
    MessageBox& m_messages;
    PairRecorder& m_recorder;
    std::chrono::steady_clock::duration m_captionInterval = std::chrono::milliseconds(33);
    ClassifierLimits m_limits;
};

} // namespace zelvo
