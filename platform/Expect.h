#pragma once

#include <cstdio>
#include <cstdlib>

namespace zelvo {

// A state the program can never be in (a value taken from a failed result, a
// row that is not there) is a logic fault: it stops the program at once, in
// every build, so that tests see it rather than a run that ends in silence.
[[noreturn]] inline void impossibleState(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "zelvo: impossible state at %s:%d: %s\n", file, line, what);
    std::abort();
}

} // namespace zelvo

#define ZELVO_EXPECT(condition) \
    ((condition) ? static_cast<void>(0) : ::zelvo::impossibleState(#condition, __FILE__, __LINE__))
