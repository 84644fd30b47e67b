#include "Form1.h"

#include "ui/about/frmAbout.h"

namespace zelvo {

void Form1::Ayuda_Click()
{
    // Every use sets the component up again: the help item keeps no state.
    CommonDialog1.CancelError = true;
    CommonDialog1.HelpCommand = HelpViewer::kForceFile;
    CommonDialog1.HelpFile = "Zelvo.hlp";
    CommonDialog1.ShowHelp();
}

void Form1::about_Click()
{
    // The box has no owner window, so the main window stays usable and the
    // box outlives it if the main window is closed first. A box that is
    // already open is only brought to the front, not loaded again.
    if (!m_about)
        m_about = new frmAbout;
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

} // namespace zelvo
