#include "core/Clock.h"

#include <ctime>

namespace tavik::Clock {

double now()
{
    timespec time{};
#ifdef CLOCK_BOOTTIME
    clock_gettime(CLOCK_BOOTTIME, &time);
#else
    clock_gettime(CLOCK_MONOTONIC, &time);
#endif
    return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_nsec) * 1e-9;
}

} // namespace tavik::Clock
