#include "CommonDialog.h"

namespace zelvo {

void CommonDialog::ShowHelp()
{
    m_viewer.show(HelpFile, HelpCommand);
}

} // namespace zelvo
