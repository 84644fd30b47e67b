#pragma once

#include "HelpViewer.h"

#include <string>

namespace zelvo {

// The main window's common-dialog component, reduced to what the program asks
// of it: opening a help file. Its settings are plain fields, set one at a time
// by the caller and read only when an operation runs, so every use sets them
// again. It never owns the viewer it hands the file to.
class CommonDialog {
  public:
    explicit CommonDialog(HelpViewer& viewer) : m_viewer(viewer) {}

    // Whether cancelling one of the component's dialogs is reported as an
    // error. Showing help has nothing to cancel, so it only travels along.
    bool CancelError = false;
    // What the help viewer is told to do with the file (HelpViewer::kForceFile).
    int HelpCommand = 0;
    // The help file, usually named without a folder: the viewer looks it up.
    std::string HelpFile;

    // Hands the help file and the command to the viewer and returns at once;
    // the viewer's window stays open on its own.
    void ShowHelp();

  private:
    HelpViewer& m_viewer;
};

} // namespace zelvo
