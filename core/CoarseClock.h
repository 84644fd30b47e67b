#pragma once

#include <chrono>
#include <time.h>

namespace zelvo {

// A monotonic clock with a grain of a few milliseconds, for code that asks
// the time on every file, hundreds of thousands of times in a large folder,
// only to know whether some tens of milliseconds have passed. It answers
// several times faster than steady_clock, and its grain does not matter
// against such intervals.
struct CoarseClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<CoarseClock>;
    static constexpr bool is_steady = true;

    static time_point now() noexcept
    {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        return time_point(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
};

} // namespace zelvo
