#pragma once

#include "DuplicateRow.h"

#include <string>
#include <vector>

namespace zelvo {

// The controls of the main window that the folder scan, the analysis and the
// deletion drive. They keep the names of the window's design.
enum class Control {
    Label1, Label2, Label3, Label4, Label5, Label6, Label7, Label8,
    Label10, Label11, Label12, Label13, Label14, Label16,
    Text2, Image2, Command3,
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
