#pragma once

#include "FileSystem.h"

#include <string>

namespace zelvo {

// Dates as the user's locale writes them. All texts are UTF-8.
class DateText {
public:
    virtual ~DateText() = default;
    // Short date, a blank, the time with seconds; the short date alone at
    // exactly midnight.
    virtual std::string generalDate(Timestamp) = 0;
    virtual std::string shortDate(Timestamp) = 0;
    virtual std::string timeWithSeconds(Timestamp) = 0;
    virtual Timestamp now() = 0;
};

} // namespace zelvo
