#include "sound/Uptime.h"

#include <chrono>
#include <ctime>

namespace tavik {

namespace {

std::optional<double>& uptimeOverride()
{
    static std::optional<double> value;
    return value;
}

} // namespace

double uptimeSeconds()
{
    if (const auto& fixed = uptimeOverride())
        return *fixed;
#ifdef CLOCK_BOOTTIME
    timespec now{};
    if (clock_gettime(CLOCK_BOOTTIME, &now) == 0)
        return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void setUptimeOverride(std::optional<double> seconds)
{
    uptimeOverride() = seconds;
}

} // namespace tavik
