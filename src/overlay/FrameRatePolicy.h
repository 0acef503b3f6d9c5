#pragma once

#include <algorithm>

namespace tavik {

// How fast the frame clock ticks: as slowly as the picture allows, never above the allowed
// maximum, and slower for a while when frames take longer than their interval. Pure, so the
// choice can be checked without windows or timers.
class FrameRatePolicy {
public:
    // The rate while nothing shows: slow enough to cost little, fast enough that a meteor or a
    // flash that appears is caught within a tenth of a second.
    static constexpr int kMinRate = 10;
    // Frames in a row that overrun their interval before the rate is lowered.
    static constexpr int kOverrunsToLower = 3;
    // Seconds of frames that would fit the next higher rate before the rate is raised again.
    static constexpr double kCalmToRecover = 1;

    void setMaxRate(int fps);
    [[nodiscard]] int maxRate() const { return m_maxRate; }
    // What overruns allow at most; the maximum rate when frames keep up.
    [[nodiscard]] int overrunCap() const;

    // The rate a picture that wants `wanted` frames per second (0 when nothing shows, infinity for
    // the full rate) needs under the maximum, and the rate it gets once overruns have their say.
    [[nodiscard]] int rateNeeded(double wanted) const;
    [[nodiscard]] int rateFor(double wanted) const { return std::min(rateNeeded(wanted), overrunCap()); }

    // One tick at `rate` took `work` seconds to step and draw every display; `now` is when it ended.
    void recordFrame(double work, int rate, double now);

private:
    int m_maxRate = 60;
    int m_cap = 0; // 0: no overrun cap
    int m_overruns = 0;
    double m_calmSince = -1;
};

} // namespace tavik
