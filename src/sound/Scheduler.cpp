#include "sound/Scheduler.h"

#include "core/Clock.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

int milliseconds(double seconds)
{
    if (!(seconds > 0))
        return 0;
    return static_cast<int>(std::lround(std::min(seconds, 86400.0) * 1000));
}

} // namespace

QtScheduler::QtScheduler()
{
    m_repeat.setTimerType(Qt::PreciseTimer);
}

void QtScheduler::post(std::function<void()> task)
{
    QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
}

void QtScheduler::postFromAnyThread(std::function<void()> task)
{
    QMetaObject::invokeMethod(&m_context, std::move(task), Qt::QueuedConnection);
}

void QtScheduler::after(double seconds, std::function<void()> task)
{
    QTimer::singleShot(milliseconds(seconds), Qt::PreciseTimer, &m_context, std::move(task));
}

void QtScheduler::startRepeating(double seconds, std::function<void()> tick)
{
    QObject::disconnect(m_tick);
    m_tick = QObject::connect(&m_repeat, &QTimer::timeout, &m_context, std::move(tick));
    m_repeat.start(std::max(1, milliseconds(seconds)));
}

double QtScheduler::now() const
{
    return Clock::now();
}

void QtScheduler::stopRepeating()
{
    m_repeat.stop();
    QObject::disconnect(m_tick);
}

void VirtualScheduler::postFromAnyThread(std::function<void()> task)
{
    const std::lock_guard lock(m_inboxMutex);
    m_inbox.push_back(std::move(task));
}

void VirtualScheduler::after(double seconds, std::function<void()> task)
{
    const double delay = std::isfinite(seconds) ? std::max(seconds, 0.0) : 0.0;
    m_tasks.emplace(std::pair{m_now + delay, m_sequence++}, std::move(task));
}

void VirtualScheduler::startRepeating(double seconds, std::function<void()> tick)
{
    m_tick = std::move(tick);
    m_tickInterval = std::max(seconds, 1e-3);
    m_nextTick = m_now + m_tickInterval;
}

void VirtualScheduler::stopRepeating()
{
    m_tick = nullptr;
}

void VirtualScheduler::takeInbox()
{
    std::vector<std::function<void()>> arrived;
    {
        const std::lock_guard lock(m_inboxMutex);
        arrived.swap(m_inbox);
    }
    for (auto& task : arrived)
        post(std::move(task));
}

void VirtualScheduler::advanceTo(double time)
{
    for (;;) {
        takeInbox();
        const bool haveTask = !m_tasks.empty() && m_tasks.begin()->first.first <= time;
        const bool haveTick = m_tick && m_nextTick <= time;
        if (!haveTask && !haveTick)
            break;
        if (haveTask && (!haveTick || m_tasks.begin()->first.first <= m_nextTick)) {
            auto node = m_tasks.extract(m_tasks.begin());
            m_now = std::max(m_now, node.key().first);
            node.mapped()();
        } else {
            m_now = std::max(m_now, m_nextTick);
            m_nextTick += m_tickInterval;
            auto tick = m_tick; // the tick may stop or replace the timer
            tick();
        }
    }
    m_now = std::max(m_now, time);
}

} // namespace tavik
