#pragma once

#include "core/PairRecorder.h"
#include "platform/DateText.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

namespace zelvo::bench {

// Dates only feed captions nobody sees here, so they cost next to nothing:
// the seconds since the epoch.
class SecondsDateText : public DateText {
public:
    std::string generalDate(Timestamp t) override { return std::to_string(t.seconds); }
    std::string shortDate(Timestamp t) override { return std::to_string(t.seconds / 86400); }
    std::string timeWithSeconds(Timestamp t) override { return std::to_string(t.seconds % 86400); }
    Timestamp now() override { return {}; }
};

// A message box that nobody has to click: it prints the message on standard
// error and answers the first button.
class StderrMessageBox : public MessageBox {
public:
    MessageAnswer show(const std::string& text, const std::string& title, MessageButtons buttons,
                       MessageIcon) override
    {
        std::fprintf(stderr, "message: %s: %s\n", title.c_str(), text.c_str());
        return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
    }
};

// The activity log switched off: pairs are found but not written anywhere.
class NoPairRecorder : public PairRecorder {
public:
    FileError RegistroPar(const std::string&, ByteCount, const std::string&) override { return FileError::None; }
};

} // namespace zelvo::bench
