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
    fps = std::clamp(fps, 1, 240);
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
    if (anyWantsFrames())
        scheduleNext(Clock::now());
}

} // namespace tavik
