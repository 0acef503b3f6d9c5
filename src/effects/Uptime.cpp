#include "effects/Uptime.h"

#include <ctime>
#include <utility>

namespace tavik {

namespace {

std::function<double()>& overrideSource()
{
    static std::function<double()> source;
    return source;
}

double systemUptime()
{
    timespec now{};
#ifdef CLOCK_BOOTTIME
    clock_gettime(CLOCK_BOOTTIME, &now);
#else
    clock_gettime(CLOCK_MONOTONIC, &now);
#endif
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

} // namespace

double Uptime::now()
{
    const auto& source = overrideSource();
    return source ? source() : systemUptime();
}

void Uptime::setSource(std::function<double()> source)
{
    overrideSource() = std::move(source);
}

void Uptime::pin(std::optional<double> seconds)
{
    if (seconds)
        setSource([value = *seconds] { return value; });
    else
        setSource({});
}

} // namespace tavik
