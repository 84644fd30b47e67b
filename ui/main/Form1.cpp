#include "Form1.h"

// Placeholder bodies until the window is built.
namespace zelvo {

Form1::Form1(PlatformServices services, QWidget* parent)
    : QMainWindow(parent), m_services(services)
{
    setWindowTitle(QStringLiteral("Zelvo"));
}
Form1::~Form1() = default;
void Form1::setCaption(Control, const std::string&) {}
void Form1::repaintNow(Control) {}
void Form1::setVisible(Control, bool) {}
void Form1::setEnabled(Control, bool) {}
void Form1::setBusyPointer(bool) {}
void Form1::showFileList(const std::vector<std::string>&) {}
int Form1::refreshFileList() { return 0; }
void Form1::clearDuplicateRows() {}
void Form1::addDuplicateRow(const DuplicateRow&) {}
int Form1::duplicateRowCount() const { return 0; }
DuplicateRow Form1::duplicateRow(int) const { return {}; }
bool Form1::isDuplicateRowSelected(int) const { return false; }
void Form1::removeDuplicateRow(int) {}

} // namespace zelvo
