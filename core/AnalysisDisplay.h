#pragma once

#include "AnalysisListener.h"
#include "BulletBar.h"
#include "MainWindowView.h"
#include "ProgressThrottle.h"
#include "platform/DateText.h"
#include "platform/MessageBox.h"

#include <vector>

namespace zelvo {

// Shows an analysis on the main window: the reference file in the panel
// (Label1, Label4, Label5), the candidate under "Comparando con:" (Label12,
// Label16), the overall bar (Label2) and the comparison bar (Label10), the
// rows of List1, "Borrar", the count line and the pointer, then the final
// cleanup. Path captions change at most once per caption interval, the bars
// only when their bullet count changes.
class AnalysisDisplay : public AnalysisListener {
public:
    AnalysisDisplay(MainWindowView& view, FileSystem& fileSystem, DateText& dates, MessageBox& messages,
                    const ScanRequest& where, std::chrono::steady_clock::duration captionInterval);

    void runStarts() override;
    void passStarts() override;
    void sizeGroupStarts(std::size_t settled, std::size_t total, const std::string& reference,
                         ByteCount size) override;
    void comparing(const std::string& reference, const std::string& candidate, ByteCount size) override;
    void bytesCompared(ByteCount compared, ByteCount size) override;
    void filesSettled(std::uint64_t halves, std::uint64_t totalHalves) override;
    void sizeGroupCompared() override;
    void rowFound(const DuplicateRow& row) override;
    void twinCounted() override;
    void rescan(FolderListing& listing) override;
    void runFinished(RunEnd end, double NumDuplicados) override;
    void finalCleanup() override;

private:
    void drawOverall(std::uint64_t position, std::uint64_t total);
    void showReference(const std::string& path, ByteCount size);
    void showCandidate(const std::string& path, bool fresh);
    void setCaptionUnpainted(Control control, const std::string& text);
    // Repaints the captions set since the last time, all at once.
    void paintCaptions();
    // The date of a file as it is now; none for a file gone meanwhile, which
    // the comparison finds out in its turn.
    std::string dateOf(const std::string& path);

    MainWindowView& m_view;
    FileSystem& m_fileSystem;
    DateText& m_dates;
    MessageBox& m_messages;
    ScanRequest m_where;
    // One last drawn count for every bar of the click, the rescan's ordering
    // bar included; it is not reset when the run starts over.
    BulletBar m_bar;
    ProgressThrottle m_throttle;
    std::string m_shownReference;
    bool m_referenceShown = false;
    bool m_comparing = false;
    // Whether the size group's first captions were due, and whether its
    // first candidate was shown yet.
    bool m_groupFresh = false;
    bool m_groupCandidateShown = false;
    bool m_comparisonBarDrawn = false;
    bool m_deleteEnabled = false;
    // The overall bar's bullets drawn in this pass; -1 before the first.
    int m_overallBullets = -1;
    std::vector<Control> m_unpainted;
};

} // namespace zelvo
