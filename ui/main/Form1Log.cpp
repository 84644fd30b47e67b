#include "Form1.h"

namespace zelvo {

void Form1::log_Click() {}
void Form1::ver_Click() {}
void Form1::BorraLog_Click() {}
void Form1::Command3_Click() {}

PairRecorder& Form1::pairRecorder()
{
    struct NoLog final : PairRecorder {
        FileError RegistroPar(const std::string&, ByteCount, const std::string&) override
        {
            return FileError::None;
        }
    };
    static NoLog noLog;
    return noLog;
}

} // namespace zelvo
