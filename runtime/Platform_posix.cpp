// Native (Linux) implementation of the platform layer.
#include "runtime/Platform.h"

#include <sched.h>

#include <algorithm>

namespace platform {

std::string NativePath(const std::string& path) {
    std::string out(path);
    std::replace(out.begin(), out.end(), '\\', '/');
    return out;
}

void YieldTimeSlice() { sched_yield(); }

}  // namespace platform
