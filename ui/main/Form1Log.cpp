#include "Form1.h"

namespace zelvo {

void Form1::log_Click() {}
void Form1::ver_Click() {}
void Form1::BorraLog_Click() {}
void Form1::Command3_Click() {}

} // namespace zelvo
