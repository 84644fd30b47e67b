#include "AnalysisDisplay.h"

#include "LeerDirectorio.h"

#include <string>

namespace zelvo {

namespace {

const char* const kCountingCaption = "  Archivos duplicados";
const char* const kInaccessibleText =
    "No se puede acceder al directorio o archivo.\nCompruebe que no haya sido borrado o movido.";
const char* const kInaccessibleTitle = "Error con archivo/directorio";
constexpr int kOverallScale = 40;
constexpr int kComparisonScale = 60;

} // namespace

AnalysisDisplay::AnalysisDisplay(MainWindowView& view, FileSystem& fileSystem, DateText& dates,
                                 MessageBox& messages, const ScanRequest& where,
                                 std::chrono::steady_clock::duration captionInterval)
    : m_view(view), m_fileSystem(fileSystem), m_dates(dates), m_messages(messages), m_where(where),
      m_bar(view), m_throttle(captionInterval)
{
}

void AnalysisDisplay::runStarts()
{
    m_view.setVisible(Control::Text2, false);
    m_view.setVisible(Control::Image2, false);
    m_view.setCaption(Control::Label3, kCountingCaption);
    m_view.repaintNow(Control::Label3);
}

void AnalysisDisplay::passStarts()
{
    m_view.setBusyPointer(true);
    m_view.clearDuplicateRows();
    m_view.setEnabled(Control::Command3, false);
    m_deleteEnabled = false;
    m_view.setVisible(Control::Label7, true);
    m_view.setVisible(Control::Label8, true);
    // A new pass draws the overall bar from its start again.
    m_overallBullets = -1;
}

void AnalysisDisplay::sizeGroupStarts(std::size_t settled, std::size_t total, const std::string& reference,
                                      ByteCount size)
{
    drawOverall(settled, total);
    // The throttle is asked every time, so that the first file shown starts
    // its interval.
    const bool due = m_throttle.due();
    m_groupFresh = due || !m_referenceShown;
    m_groupCandidateShown = false;
    if (m_groupFresh)
        showReference(reference, size);
    paintCaptions();
}

void AnalysisDisplay::comparing(const std::string& reference, const std::string& candidate, ByteCount size)
{
    if (!m_groupCandidateShown) {
        // A file read ahead with later size groups goes with its own reference.
        if (m_groupFresh && reference != m_shownReference)
            showReference(reference, size);
        showCandidate(candidate, m_groupFresh);
        m_groupCandidateShown = true;
    } else if (m_throttle.due()) {
        // Inside a large size group the captions follow the files compared now.
        if (reference != m_shownReference)
            showReference(reference, size);
        showCandidate(candidate, true);
    }
    paintCaptions();
}

void AnalysisDisplay::bytesCompared(ByteCount compared, ByteCount size)
{
    m_comparisonBarDrawn |= m_bar.draw(Control::Label10, kComparisonScale, compared + 1, size, true);
}

void AnalysisDisplay::filesSettled(std::uint64_t halves, std::uint64_t totalHalves)
{
    // Only a new count of the overall bar's own is drawn: the bars share
    // their last drawn count, and the comparison bar changes it all the time.
    drawOverall(halves, totalHalves);
}

void AnalysisDisplay::drawOverall(std::uint64_t position, std::uint64_t total)
{
    // Within a pass the overall bar only grows: files read ahead with later
    // size groups were counted before their group is reached.
    if (total == 0)
        return;
    const auto bullets = static_cast<int>(static_cast<unsigned __int128>(kOverallScale) * position / total);
    if (bullets <= m_overallBullets)
        return;
    m_overallBullets = bullets;
    m_bar.draw(Control::Label2, kOverallScale, position, total);
}

void AnalysisDisplay::sizeGroupCompared()
{
    if (!m_comparisonBarDrawn)
        return;
    m_view.setCaption(Control::Label10, "");
    m_view.repaintNow(Control::Label10);
    m_comparisonBarDrawn = false;
}

void AnalysisDisplay::rowFound(const DuplicateRow& row) { m_view.addDuplicateRow(row); }

void AnalysisDisplay::twinCounted()
{
    if (m_deleteEnabled)
        return;
    m_view.setEnabled(Control::Command3, true);
    m_deleteEnabled = true;
}

void AnalysisDisplay::rescan(FolderListing& listing)
{
    LeerDirectorio(ScanMode::Recovery, m_where, m_fileSystem, m_view, listing, m_bar);
}

void AnalysisDisplay::runFinished(RunEnd end, double NumDuplicados)
{
    if (end == RunEnd::Finished) {
        m_view.setCaption(Control::Label3,
                          std::to_string(static_cast<long long>(NumDuplicados)) + " Archivos duplicados");
    } else if (end == RunEnd::InvalidArgument) {
        m_messages.show(kInaccessibleText, kInaccessibleTitle, MessageButtons::Ok, MessageIcon::Critical);
    }
}

void AnalysisDisplay::finalCleanup()
{
    m_view.setVisible(Control::Label11, false);
    m_view.setVisible(Control::Label7, false);
    m_view.setVisible(Control::Label8, false);
    for (Control c : {Control::Label12, Control::Label1, Control::Label4, Control::Label5, Control::Label10})
        m_view.setCaption(c, "");
    m_view.setVisible(Control::Label13, false);
    m_view.setVisible(Control::Label14, false);
    m_view.setCaption(Control::Label2, "");
    m_view.setCaption(Control::Label16, "");
    m_view.setBusyPointer(false);
}

std::string AnalysisDisplay::dateOf(const std::string& path)
{
    const Result<FileStatus> status = m_fileSystem.status(path);
    return status ? m_dates.generalDate(status->modified) : std::string();
}

void AnalysisDisplay::showReference(const std::string& path, ByteCount size)
{
    const std::string date = dateOf(path);
    m_shownReference = path;
    setCaptionUnpainted(Control::Label1, path);
    setCaptionUnpainted(Control::Label4, std::to_string(size) + " bytes");
    setCaptionUnpainted(Control::Label5, date);
    if (m_referenceShown)
        return;
    for (Control c : {Control::Label1, Control::Label4, Control::Label5})
        m_view.setVisible(c, true);
    m_referenceShown = true;
}

void AnalysisDisplay::showCandidate(const std::string& path, bool fresh)
{
    if (!m_comparing)
        m_view.setVisible(Control::Label11, true);
    if (fresh || !m_comparing) {
        const std::string date = dateOf(path);
        setCaptionUnpainted(Control::Label12, path);
        setCaptionUnpainted(Control::Label16, date);
    }
    if (m_comparing)
        return;
    m_view.setVisible(Control::Label13, true);
    m_view.setVisible(Control::Label14, true);
    m_comparing = true;
}

// The captions of a file are all set before any is painted, its date taken
// before the first: a window that paints while work goes on may paint at any
// repaint or while a status call waits on the device, and would show one
// file's name with another's size or date until its next painting.
void AnalysisDisplay::setCaptionUnpainted(Control control, const std::string& text)
{
    m_view.setCaption(control, text);
    m_unpainted.push_back(control);
}

void AnalysisDisplay::paintCaptions()
{
    for (Control control : m_unpainted)
        m_view.repaintNow(control);
    m_unpainted.clear();
}

} // namespace zelvo
