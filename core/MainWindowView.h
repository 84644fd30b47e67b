#pragma once

#include "DuplicateRow.h"

#include <string>
#include <vector>

namespace zelvo {

// The controls of the main window that the folder scan, the analysis and the
// deletion drive. They keep the names of the window's design.
enum class Control {
    // The panel's first line: the path of the file shown (the reference while
    // an analysis runs), or the scan's status line.
    Label1,
    // The analysis' bullet bar above List1, over all the files of the folder.
    Label2,
    // The line above List1: "  Archivos duplicados", then the count found,
    // or after a deletion the rows left.
    Label3,
    Label4, // the size in bytes of the file on the panel's first line
    Label5, // the date of the file on the panel's first line
    Label6, // the line above File1: how many files the folder holds to process
    Label7, // "0|", the left end of Label2's bar, shown while an analysis runs
    Label8, // "|100", the right end of Label2's bar, shown while an analysis runs
    // The bar at the foot of the panel: the scan's sorting, then the
    // comparison of the current files.
    Label10,
    Label11, // "Comparando con:", shown while files are compared
    Label12, // the path of the file the reference is compared with
    Label13, // "0|", the left end of Label10's bar, shown while comparing
    Label14, // "|100", the right end of Label10's bar, shown while comparing
    Label16, // the date of the file the reference is compared with
    Text2,   // the panel's text preview, hidden during a scan, analysis or deletion
    Image2,  // the panel's picture preview, hidden like Text2
    // "Borrar": enabled once an analysis found duplicates, disabled by every
    // scan and analysis.
    Command3,
};

// What the engine may ask of the main window. The engine never touches a
// widget: the window (or a test) implements this. Texts are UTF-8.
class MainWindowView {
public:
    virtual ~MainWindowView() = default;

    virtual void setCaption(Control, const std::string& text) = 0;
    // Makes the control's current caption visible at once, while the caller
    // keeps the window's thread busy.
    virtual void repaintNow(Control) = 0;
    virtual void setVisible(Control, bool visible) = 0;
    virtual void setEnabled(Control, bool enabled) = 0;
    virtual void setBusyPointer(bool busy) = 0;

    // File1: the names the scan listed, in listing order.
    virtual void showFileList(const std::vector<std::string>& names) = 0;
    // Makes File1 list its folder again as it is now on disk (after a
    // deletion) and returns how many files it lists.
    virtual int refreshFileList() = 0;

    // List1, the duplicates list.
    virtual void clearDuplicateRows() = 0;
    virtual void addDuplicateRow(const DuplicateRow& row) = 0;
    virtual int duplicateRowCount() const = 0;
    virtual DuplicateRow duplicateRow(int index) const = 0;
    virtual bool isDuplicateRowSelected(int index) const = 0;
    virtual void removeDuplicateRow(int index) = 0;
};

} // namespace zelvo
