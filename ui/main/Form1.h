#pragma once

#include "PlatformServices.h"
#include "core/FolderListing.h"
#include "core/MainWindowView.h"
#include "core/PairRecorder.h"

#include <QMainWindow>

namespace zelvo {

// The main window. Its controls keep the names of the window's design; its
// handlers are named after control and event.
class Form1 : public QMainWindow, public MainWindowView {
    Q_OBJECT
public:
    explicit Form1(PlatformServices services, QWidget* parent = nullptr);
    ~Form1() override;

    // MainWindowView (implemented in Form1.cpp).
    void setCaption(Control, const std::string& text) override;
    void repaintNow(Control) override;
    void setVisible(Control, bool visible) override;
    void setEnabled(Control, bool enabled) override;
    void setBusyPointer(bool busy) override;
    void showFileList(const std::vector<std::string>& names) override;
    int refreshFileList() override;
    void clearDuplicateRows() override;
    void addDuplicateRow(const DuplicateRow& row) override;
    int duplicateRowCount() const override;
    DuplicateRow duplicateRow(int index) const override;
    bool isDuplicateRowSelected(int index) const override;
    void removeDuplicateRow(int index) override;

    // Handlers of the activity log, the deletion and the log viewer
    // (Form1Log.cpp).
    void log_Click();
    void ver_Click();
    void BorraLog_Click();
    void Command3_Click();
    // What the analysis hands every pair it finds to: the activity log.
    PairRecorder& pairRecorder();

    // Handlers of the help menu (Form1Help.cpp).
    void Ayuda_Click();
    void about_Click();

private:
    PlatformServices m_services;
};

} // namespace zelvo
