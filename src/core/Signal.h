#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace tavik {

// A connection handle. Destroying it (or calling cancel) ends the subscription, so a
// subscriber keeps its handles as members and is never called after it is gone.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Subscription(Subscription&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Subscription& operator=(Subscription&& other) noexcept
    {
        if (this != &other) {
            cancel();
            m_cancel = std::exchange(other.m_cancel, {});
        }
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel()
    {
        if (auto cancel = std::exchange(m_cancel, {}))
            cancel();
    }

private:
    std::function<void()> m_cancel;
};

// A minimal synchronous signal. Slots may connect, cancel or emit again while an emission is
// running; a slot cancelled during an emission is not called afterwards. Handles only hold the
// signal weakly, so either side may be destroyed first.
template <typename... Args>
class Signal {
public:
    Signal() = default;
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    [[nodiscard]] Subscription connect(std::function<void(Args...)> slot)
    {
        auto entry = std::make_shared<Entry>(Entry{std::move(slot), true});
        m_state->entries.push_back(entry);
        std::weak_ptr<State> weakState = m_state;
        std::weak_ptr<Entry> weakEntry = entry;
        return Subscription([weakState, weakEntry] {
            auto state = weakState.lock();
            auto live = weakEntry.lock();
            if (!state || !live)
                return;
            live->alive = false;
            std::erase(state->entries, live);
        });
    }

    void notify(const Args&... args) const
    {
        // Iterate over a copy: entries may change the list while they run.
        const auto current = m_state->entries;
        for (const auto& slot : current) {
            if (slot->alive)
                slot->fn(args...);
        }
    }

    [[nodiscard]] std::size_t connectionCount() const { return m_state->entries.size(); }

private:
    struct Entry {
        std::function<void(Args...)> fn;
        bool alive;
    };
    struct State {
        std::vector<std::shared_ptr<Entry>> entries;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace tavik
