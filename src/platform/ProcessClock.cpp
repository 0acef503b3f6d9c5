#include "platform/ProcessClock.h"

#include <QElapsedTimer>
#include <QFile>

#include <ctime>
#include <optional>
#include <unistd.h>

namespace tavik {

namespace {

// Loaded with the program, so close to its start when the kernel cannot tell.
const QElapsedTimer& loadTime()
{
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}
[[maybe_unused]] const bool kLoadTimeTaken = (loadTime(), true);

// The start time from /proc/self/stat (field 22, in clock ticks since boot) against the boot
// clock now. The command name (field 2) may hold spaces and parentheses: count from the last ')'.
std::optional<double> kernelProcessAge()
{
#ifdef __linux__
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray text = stat.read(4096);
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0)
        return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 2).split(' ');
    // After the name the fields start at number 3, so field 22 is at index 19.
    if (fields.size() <= 19)
        return std::nullopt;
    bool ok = false;
    const double startTicks = fields[19].toDouble(&ok);
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    timespec now{};
    if (!ok || ticksPerSecond <= 0 || clock_gettime(CLOCK_BOOTTIME, &now) != 0)
        return std::nullopt;
    const double age = (double(now.tv_sec) + now.tv_nsec / 1e9 - startTicks / double(ticksPerSecond)) * 1000.0;
    if (age < 0 || age > 1e12)
        return std::nullopt;
    return age;
#else
    return std::nullopt;
#endif
}

} // namespace

double processAgeMilliseconds()
{
    if (const auto age = kernelProcessAge())
        return *age;
    return double(loadTime().elapsed());
}

} // namespace tavik
