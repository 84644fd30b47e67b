#pragma once

#include "core/MainWindowView.h"

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace zelvo::bench {

// The main window without a window: keeps the duplicates list and the last
// caption of every label, and draws nothing. It also notes when the scan's
// status line ("Analizando el directorio") goes up and comes down again: the
// scan sorts in between, which lets a benchmark time the sort apart.
class HeadlessView : public MainWindowView {
public:
    using Clock = std::chrono::steady_clock;

    // A view that only counts the rows shows what the engine itself costs in
    // memory, apart from the list it fills.
    explicit HeadlessView(bool keepRows = true) : m_keepRows(keepRows) {}

    void setCaption(Control control, const std::string& text) override;
    void repaintNow(Control) override { ++m_repaints; }
    void setVisible(Control control, bool visible) override { m_visible[index(control)] = visible; }
    void setEnabled(Control control, bool enabled) override { m_enabled[index(control)] = enabled; }
    void setBusyPointer(bool busy) override { m_busy = busy; }
    void showFileList(const std::vector<std::string>& names) override { m_listedNames = names.size(); }
    // Nothing is deleted here, so the list stays as the scan left it.
    int refreshFileList() override { return int(m_listedNames); }

    void clearDuplicateRows() override
    {
        m_rows.clear();
        m_rowsDropped = 0;
    }
    void addDuplicateRow(const DuplicateRow& row) override
    {
        if (m_keepRows)
            m_rows.push_back(row);
        else
            ++m_rowsDropped;
    }
    int duplicateRowCount() const override { return int(m_rows.size() + m_rowsDropped); }
    DuplicateRow duplicateRow(int index) const override { return m_rows.at(std::size_t(index)); }
    bool isDuplicateRowSelected(int) const override { return false; }
    void removeDuplicateRow(int index) override { m_rows.erase(m_rows.begin() + index); }

    const std::vector<DuplicateRow>& rows() const { return m_rows; }
    const std::string& caption(Control control) const { return m_captions[index(control)]; }
    bool isEnabled(Control control) const { return m_enabled[index(control)]; }
    bool isBusy() const { return m_busy; }
    std::size_t listedNames() const { return m_listedNames; }
    long repaints() const { return m_repaints; }

    // The times the status line was last set to a text and then emptied;
    // nothing until both happened since the last forgetStatusLine().
    std::optional<Clock::duration> statusLineShownFor() const;
    void forgetStatusLine();

private:
    static constexpr std::size_t kControls = std::size_t(Control::Command3) + 1;
    static std::size_t index(Control control) { return std::size_t(control); }

    std::array<std::string, kControls> m_captions{};
    std::array<bool, kControls> m_visible{};
    std::array<bool, kControls> m_enabled{};
    std::vector<DuplicateRow> m_rows;
    std::optional<Clock::time_point> m_statusShown;
    std::optional<Clock::time_point> m_statusCleared;
    std::size_t m_rowsDropped = 0;
    bool m_keepRows = true;
    std::size_t m_listedNames = 0;
    long m_repaints = 0;
    bool m_busy = false;
};

} // namespace zelvo::bench
