#include "Form1.h"

namespace zelvo {

void Form1::Ayuda_Click() {}
void Form1::about_Click() {}

} // namespace zelvo
