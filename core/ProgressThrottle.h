#pragma once

#include "CoarseClock.h"

#include <chrono>

namespace zelvo {

// Lets frequently changing captions through at most once per interval, so a
// long run spends its time comparing rather than repainting. The first
// question is always answered yes; the caller makes the final state exact
// itself.
class ProgressThrottle {
public:
    using Clock = CoarseClock;

    explicit ProgressThrottle(Clock::duration interval) : m_interval(interval) {}

    bool due()
    {
        const Clock::time_point now = Clock::now();
        if (m_started && now - m_last < m_interval)
            return false;
        m_started = true;
        m_last = now;
        return true;
    }

private:
    Clock::duration m_interval;
    Clock::time_point m_last{};
    bool m_started = false;
};

} // namespace zelvo
