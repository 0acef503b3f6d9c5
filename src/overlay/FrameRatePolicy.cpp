#include "overlay/FrameRatePolicy.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

// A frame that overran is given this share of the interval it is slowed to, so the next ones fit.
constexpr double kWorkShare = 0.8;
// Frames count as calm when they would fill at most this share of a raised rate's interval:
// the same share an overrun is slowed to, so a rate that was lowered comes back once it fits.
constexpr double kCalmShare = kWorkShare;
// How far one recovery step raises the capped rate.
constexpr double kRecoveryStep = 1.25;

} // namespace

void FrameRatePolicy::setMaxRate(int fps)
{
    m_maxRate = std::clamp(fps, 1, 240);
    if (m_cap >= m_maxRate)
        m_cap = 0;
}

int FrameRatePolicy::overrunCap() const
{
    return m_cap > 0 ? std::min(m_cap, m_maxRate) : m_maxRate;
}

int FrameRatePolicy::rateNeeded(double wanted) const
{
    if (std::isnan(wanted) || wanted < kMinRate)
        wanted = kMinRate;
    if (wanted >= m_maxRate)
        return m_maxRate;
    return std::clamp(int(std::ceil(wanted)), 1, m_maxRate);
}

void FrameRatePolicy::recordFrame(double work, int rate, double now)
{
    if (!(work >= 0) || rate < 1 || !std::isfinite(now))
        return;
    if (work > 1.0 / rate) {
        m_calmSince = -1;
        if (++m_overruns < kOverrunsToLower)
            return;
        m_overruns = 0;
        // Slow frames lower the rate a step at a time, not at once to what they allowed: a flash over
        // the whole screen is short, and a lasting load still brings the rate down within a second.
        const double fits = std::max(std::floor(kWorkShare / work), std::floor(rate / kRecoveryStep));
        m_cap = std::min(int(std::clamp(fits, 1.0, double(std::max(rate - 1, 1)))), overrunCap());
        return;
    }
    m_overruns = 0;
    if (m_cap == 0)
        return;
    const int raised = std::min(m_maxRate, int(std::ceil(m_cap * kRecoveryStep)));
    if (work * raised > kCalmShare) {
        m_calmSince = -1;
        return;
    }
    if (m_calmSince < 0) {
        m_calmSince = now;
        return;
    }
    if (now - m_calmSince < kCalmToRecover)
        return;
    m_calmSince = now;
    m_cap = raised >= m_maxRate ? 0 : raised;
}

} // namespace tavik
