#include "overlay/FrameClock.h"

#include "core/Clock.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

namespace tavik {

FrameClock::FrameClock(QObject* parent) : QObject(parent), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    m_timer->setTimerType(Qt::PreciseTimer);
    connect(m_timer, &QTimer::timeout, this, &FrameClock::tick);
}

FrameClock::~FrameClock() = default;

void FrameClock::setFramesPerSecond(int fps)
{
    m_policy.setMaxRate(fps);
    fps = m_policy.rateFor(wantedRate());
    if (fps == m_fps)
        return;
    m_fps = fps;
    if (m_timer->isActive()) {
        const double now = Clock::now();
        m_nextTick = now;
        scheduleNext(now);
    }
}

void FrameClock::add(FrameTarget* target)
{
    if (std::find(m_targets.begin(), m_targets.end(), target) == m_targets.end())
        m_targets.push_back(target);
    update();
}

void FrameClock::remove(FrameTarget* target)
{
    std::erase(m_targets, target);
    update();
}

bool FrameClock::anyWantsFrames() const
{
    return std::any_of(m_targets.begin(), m_targets.end(), [](const FrameTarget* t) { return t->wantsFrames(); });
}

double FrameClock::wantedRate() const
{
    double rate = 0;
    for (const FrameTarget* target : m_targets) {
        if (target->wantsFrames())
            rate = std::max(rate, target->wantedRate());
    }
    return rate;
}

bool FrameClock::isTicking() const
{
    return m_timer->isActive();
}

void FrameClock::update()
{
    if (!anyWantsFrames()) {
        m_timer->stop();
        return;
    }
    if (!m_timer->isActive()) {
        // The first frame goes out at once: a window that was just shown should not wait.
        m_nextTick = Clock::now();
        m_timer->start(0);
    }
}

int FrameClock::delayUntil(double nextTick, double now)
{
    const double ms = (nextTick - now) * 1000.0;
    if (!(ms > 0))
        return 0;
    return int(std::min(std::ceil(ms), 1000.0));
}

void FrameClock::scheduleNext(double now)
{
    const double period = 1.0 / m_fps;
    m_nextTick += period;
    // After a stall (a suspended machine, a slow frame) start a fresh schedule instead of
    // firing the missed ticks back to back.
    if (m_nextTick < now - period)
        m_nextTick = now + period;
    m_timer->start(delayUntil(m_nextTick, now));
}

void FrameClock::tick()
{
    const double now = Clock::now();
    ++m_ticks;
    // A target may hide itself while drawing; iterate over a copy.
    const std::vector<FrameTarget*> targets = m_targets;
    for (FrameTarget* target : targets) {
        if (std::find(m_targets.begin(), m_targets.end(), target) != m_targets.end() && target->wantsFrames())
            target->renderFrame(now);
    }
    if (!anyWantsFrames())
        return;
    // A fast mover that appeared in this frame brings the full rate from the very next tick.
    const double done = Clock::now();
    m_policy.recordFrame(done - now, m_fps, done);
    m_fps = m_policy.rateFor(wantedRate());
    scheduleNext(done);
}

} // namespace tavik
