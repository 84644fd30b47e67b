#pragma once

#include "platform/DateText.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace zelvo {

// Dates written the same way on every machine: computed in UTC, short date
// "d/M/yyyy", time "H:mm:ss", the time left out at exactly 00:00:00.
class FakeDateText : public DateText {
public:
    explicit FakeDateText(Timestamp now = {}) : m_now(now) {}

    std::string generalDate(Timestamp t) override
    {
        if (secondsOfDay(t) == 0)
            return shortDate(t);
        return shortDate(t) + " " + timeWithSeconds(t);
    }

    std::string shortDate(Timestamp t) override
    {
        using namespace std::chrono;
        const year_month_day ymd{sys_days{days{daysSinceEpoch(t)}}};
        char text[32];
        std::snprintf(text, sizeof text, "%u/%u/%04d", unsigned(ymd.day()), unsigned(ymd.month()),
                      int(ymd.year()));
        return text;
    }

    std::string timeWithSeconds(Timestamp t) override
    {
        const std::int64_t s = secondsOfDay(t);
        char text[32];
        std::snprintf(text, sizeof text, "%d:%02d:%02d", int(s / 3600), int(s / 60 % 60),
                      int(s % 60));
        return text;
    }

    Timestamp now() override { return m_now; }
    void setNow(Timestamp now) { m_now = now; }

private:
    // Floor division, so that instants before 1970 land on the right day.
    static std::int64_t daysSinceEpoch(Timestamp t)
    {
        std::int64_t d = t.seconds / 86400;
        if (t.seconds % 86400 < 0)
            --d;
        return d;
    }
    static std::int64_t secondsOfDay(Timestamp t) { return t.seconds - daysSinceEpoch(t) * 86400; }

    Timestamp m_now;
};

} // namespace zelvo
