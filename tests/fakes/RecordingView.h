#pragma once

#include "core/MainWindowView.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zelvo {

inline const char* controlName(Control c)
{
    switch (c) {
    case Control::Label1: return "Label1";
    case Control::Label2: return "Label2";
    case Control::Label3: return "Label3";
    case Control::Label4: return "Label4";
    case Control::Label5: return "Label5";
    case Control::Label6: return "Label6";
    case Control::Label7: return "Label7";
    case Control::Label8: return "Label8";
    case Control::Label10: return "Label10";
    case Control::Label11: return "Label11";
    case Control::Label12: return "Label12";
    case Control::Label13: return "Label13";
    case Control::Label14: return "Label14";
    case Control::Label16: return "Label16";
    case Control::Text2: return "Text2";
    case Control::Image2: return "Image2";
    case Control::Command3: return "Command3";
    }
    return "?";
}

// A main window without widgets. It keeps what a window would show (captions,
// visibility, enabled state, the pointer, File1's names, List1's rows and
// selection) and a log of every call, one line each:
//   "caption Label1 <text>", "repaint Label1", "show Label11", "hide Label11",
//   "enable Command3", "disable Command3", "busy", "idle", "files <count>",
//   "clear rows", "add row <text>", "remove row <index>", "refresh files".
// It starts in the state the window is loaded in: Text2, Image2, Label7,
// Label8, Label11, Label13 and Label14 hidden, Command3 disabled, Label3
// "  Archivos duplicados", every other caption empty.
class RecordingView : public MainWindowView {
public:
    RecordingView()
    {
        for (Control c : {Control::Text2, Control::Image2, Control::Label7, Control::Label8,
                          Control::Label11, Control::Label13, Control::Label14})
            m_visible[c] = false;
        m_enabled[Control::Command3] = false;
        m_captions[Control::Label3] = "  Archivos duplicados";
    }

    // --- MainWindowView -----------------------------------------------------

    void setCaption(Control c, const std::string& text) override
    {
        m_captions[c] = text;
        note(std::string("caption ") + controlName(c) + " " + text);
    }
    void repaintNow(Control c) override { note(std::string("repaint ") + controlName(c)); }
    void setVisible(Control c, bool visible) override
    {
        m_visible[c] = visible;
        note(std::string(visible ? "show " : "hide ") + controlName(c));
    }
    void setEnabled(Control c, bool enabled) override
    {
        m_enabled[c] = enabled;
        note(std::string(enabled ? "enable " : "disable ") + controlName(c));
    }
    void setBusyPointer(bool busy) override
    {
        m_busy = busy;
        note(busy ? "busy" : "idle");
    }
    void showFileList(const std::vector<std::string>& names) override
    {
        m_fileNames = names;
        note("files " + std::to_string(names.size()));
    }
    // A test that deletes files says how File1 re-lists its folder; without
    // that, File1 keeps the names it was last shown.
    int refreshFileList() override
    {
        if (m_lister)
            m_fileNames = m_lister();
        note("refresh files");
        return static_cast<int>(m_fileNames.size());
    }
    void clearDuplicateRows() override
    {
        m_rows.clear();
        m_selected = -1;
        note("clear rows");
    }
    void addDuplicateRow(const DuplicateRow& row) override
    {
        m_rows.push_back(row);
        note("add row " + row.text());
    }
    int duplicateRowCount() const override { return static_cast<int>(m_rows.size()); }
    DuplicateRow duplicateRow(int index) const override { return m_rows.at(static_cast<std::size_t>(index)); }
    bool isDuplicateRowSelected(int index) const override { return index >= 0 && index == m_selected; }
    void removeDuplicateRow(int index) override
    {
        m_rows.erase(m_rows.begin() + index);
        if (m_selected == index)
            m_selected = -1;
        else if (m_selected > index)
            --m_selected;
        note("remove row " + std::to_string(index));
    }

    // --- What a test looks at -----------------------------------------------

    std::string caption(Control c) const
    {
        auto it = m_captions.find(c);
        return it == m_captions.end() ? std::string() : it->second;
    }
    // Controls never hidden or shown keep their loaded state: visible.
    bool isVisible(Control c) const
    {
        auto it = m_visible.find(c);
        return it == m_visible.end() || it->second;
    }
    bool isEnabled(Control c) const
    {
        auto it = m_enabled.find(c);
        return it == m_enabled.end() || it->second;
    }
    bool isBusy() const { return m_busy; }
    const std::vector<std::string>& fileNames() const { return m_fileNames; }
    const std::vector<DuplicateRow>& rows() const { return m_rows; }
    std::vector<std::string> rowTexts() const
    {
        std::vector<std::string> texts;
        for (const DuplicateRow& row : m_rows)
            texts.push_back(row.text());
        return texts;
    }
    void setFolderLister(std::function<std::vector<std::string>()> lister) { m_lister = std::move(lister); }
    void selectRow(int index) { m_selected = index; }
    int selectedRow() const { return m_selected; }

    const std::vector<std::string>& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    // Every caption given to one control, in order.
    std::vector<std::string> captionsOf(Control c) const
    {
        const std::string prefix = std::string("caption ") + controlName(c) + " ";
        std::vector<std::string> texts;
        for (const std::string& call : m_calls)
            if (call.compare(0, prefix.size(), prefix) == 0)
                texts.push_back(call.substr(prefix.size()));
        return texts;
    }
    std::size_t countCalls(const std::string& call) const
    {
        return static_cast<std::size_t>(std::count(m_calls.begin(), m_calls.end(), call));
    }
    // Position of the first call equal to `call` at or after `from`, or -1.
    int indexOfCall(const std::string& call, int from = 0) const
    {
        for (std::size_t i = static_cast<std::size_t>(std::max(from, 0)); i < m_calls.size(); ++i)
            if (m_calls[i] == call)
                return static_cast<int>(i);
        return -1;
    }

private:
    void note(std::string call) { m_calls.push_back(std::move(call)); }

    std::map<Control, std::string> m_captions;
    std::map<Control, bool> m_visible;
    std::map<Control, bool> m_enabled;
    bool m_busy = false;
    std::vector<std::string> m_fileNames;
    std::function<std::vector<std::string>()> m_lister;
    std::vector<DuplicateRow> m_rows;
    int m_selected = -1;
    std::vector<std::string> m_calls;
};

} // namespace zelvo
