#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

namespace tavik {

// The soundscape's timers and deferred work, all run on the main thread. The program uses Qt's
// event loop; offline renders and tests use a virtual clock they advance themselves. Tasks die
// with the scheduler: none runs after it is destroyed.
class Scheduler {
public:
    virtual ~Scheduler() = default;

    // Soon, after the caller has returned.
    virtual void post(std::function<void()> task) = 0;
    // The same, callable from any thread.
    virtual void postFromAnyThread(std::function<void()> task) = 0;
    virtual void after(double seconds, std::function<void()> task) = 0;
    // One repeating timer; starting it again replaces its tick.
    virtual void startRepeating(double seconds, std::function<void()> tick) = 0;
    virtual void stopRepeating() = 0;
    [[nodiscard]] virtual bool isRepeating() const = 0;
    // The clock the timers run on, in seconds.
    [[nodiscard]] virtual double now() const = 0;
};

class QtScheduler final : public Scheduler {
public:
    QtScheduler();

    void post(std::function<void()> task) override;
    void postFromAnyThread(std::function<void()> task) override;
    void after(double seconds, std::function<void()> task) override;
    void startRepeating(double seconds, std::function<void()> tick) override;
    void stopRepeating() override;
    [[nodiscard]] bool isRepeating() const override { return m_repeat.isActive(); }
    // Time since boot, counting suspend: a countdown that spans a suspend still ends on time.
    [[nodiscard]] double now() const override;

private:
    // Context of every queued task: destroying it drops them.
    QObject m_context;
    QTimer m_repeat;
    QMetaObject::Connection m_tick;
};

// Time stands still until advanceTo() moves it; tasks then run in time order, each seeing its
// own due time as now().
class VirtualScheduler final : public Scheduler {
public:
    // The clock starts at `start`.
    explicit VirtualScheduler(double start = 0) : m_now(start) {}

    void post(std::function<void()> task) override { after(0, std::move(task)); }
    void postFromAnyThread(std::function<void()> task) override;
    void after(double seconds, std::function<void()> task) override;
    void startRepeating(double seconds, std::function<void()> tick) override;
    void stopRepeating() override;
    [[nodiscard]] bool isRepeating() const override { return static_cast<bool>(m_tick); }

    [[nodiscard]] double now() const override { return m_now; }
    // Runs every task due up to and including time (tasks they add included), then sets now().
    void advanceTo(double time);
    [[nodiscard]] std::size_t pendingTasks() const { return m_tasks.size(); }

private:
    void takeInbox();

    double m_now = 0;
    std::uint64_t m_sequence = 0;
    std::map<std::pair<double, std::uint64_t>, std::function<void()>> m_tasks;
    std::function<void()> m_tick;
    double m_tickInterval = 0;
    double m_nextTick = 0;
    std::mutex m_inboxMutex;
    std::vector<std::function<void()>> m_inbox;
};

} // namespace tavik
