#pragma once

#include "overlay/FrameRatePolicy.h"

#include <QObject>

#include <limits>
#include <vector>

class QTimer;

namespace tavik {

// Something the frame clock draws: one overlay window.
class FrameTarget {
public:
    virtual ~FrameTarget() = default;
    // False while the target is hidden or paused; the clock then neither draws it nor, when
    // no target wants frames, wakes up at all.
    [[nodiscard]] virtual bool wantsFrames() const = 0;
    virtual void renderFrame(double now) = 0;
    // Frames per second its picture needs to look smooth: 0 when it shows nothing, infinity
    // (the default) for as many as the clock may draw.
    [[nodiscard]] virtual double wantedRate() const { return std::numeric_limits<double>::infinity(); }
};

// One clock for every overlay: each tick advances and draws every target once, so two
// displays run at the full rate side by side instead of waiting on each other's vertical
// blank. Ticks follow a fixed schedule (no drift from timer rounding) and skip ahead after a
// stall rather than catching up in a burst. The clock ticks at the rate the most demanding
// target needs, up to the set maximum, and slows down while frames overrun their interval.
class FrameClock final : public QObject {
    Q_OBJECT
public:
    explicit FrameClock(QObject* parent = nullptr);
    ~FrameClock() override;

    // The most frames per second the clock may tick at.
    void setFramesPerSecond(int fps);
    [[nodiscard]] int framesPerSecond() const { return m_policy.maxRate(); }
    // The rate it ticks at now.
    [[nodiscard]] int currentRate() const { return m_fps; }
    // The most it may tick at while frames have been overrunning; the maximum otherwise.
    [[nodiscard]] int overrunCap() const { return m_policy.overrunCap(); }
    // The rate the picture needs, before overruns lower it.
    [[nodiscard]] int neededRate() const { return m_policy.rateNeeded(wantedRate()); }

    void add(FrameTarget* target);
    void remove(FrameTarget* target);
    // Call after a target's wantsFrames() may have changed: starts or stops the timer.
    void update();

    [[nodiscard]] bool isTicking() const;
    [[nodiscard]] quint64 ticks() const { return m_ticks; }

    // Whole milliseconds until the next tick, given the schedule and the time now.
    [[nodiscard]] static int delayUntil(double nextTick, double now);

private:
    void tick();
    void scheduleNext(double now);
    [[nodiscard]] bool anyWantsFrames() const;
    [[nodiscard]] double wantedRate() const;

    QTimer* m_timer;
    std::vector<FrameTarget*> m_targets;
    FrameRatePolicy m_policy;
    int m_fps = 60;
    double m_nextTick = 0;
    quint64 m_ticks = 0;
};

} // namespace tavik
