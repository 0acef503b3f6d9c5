#include "sound/SoundFades.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

// A raised-cosine fade: no corner at either end, so neither the start nor the end is heard.
float smoothFade(double from, double to, double progress)
{
    const double u = std::clamp(progress, 0.0, 1.0);
    const double eased = 0.5 - 0.5 * std::cos(std::numbers::pi * u);
    return static_cast<float>(from + (to - from) * eased);
}

} // namespace

void SleepTimer::start(double seconds, double now)
{
    m_runsOutAt = now + (std::isnan(seconds) ? 0.0 : std::max(seconds, 0.0));
}

double SleepTimer::remaining(double now) const
{
    if (!m_runsOutAt)
        return 0;
    return std::max(*m_runsOutAt - now, 0.0);
}

float SleepTimer::gain(double now) const
{
    if (!m_runsOutAt || now <= *m_runsOutAt)
        return 1;
    return smoothFade(1, 0, (now - *m_runsOutAt) / kSleepFadeSeconds);
}

bool SleepTimer::finished(double now) const
{
    return m_runsOutAt && now >= *m_runsOutAt + kSleepFadeSeconds;
}

void GainRamp::moveTo(float target, double now, double seconds)
{
    m_from = value(now);
    m_to = target;
    m_start = now;
    m_seconds = std::max(seconds, 0.0);
}

float GainRamp::value(double now) const
{
    if (m_seconds <= 0 || now >= m_start + m_seconds)
        return m_to;
    return smoothFade(m_from, m_to, (now - m_start) / m_seconds);
}

} // namespace tavik
