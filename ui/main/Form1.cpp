#include "Form1.h"

namespace zelvo {

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setWindowTitle(QStringLiteral("Zelvo"));
    setFixedSize(698, 384);
}

} // namespace zelvo
