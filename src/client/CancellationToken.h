#pragma once

#include <functional>
#include <map>
#include <memory>

// Lets the main thread abandon an asynchronous call at once (Escape during a model call).
// Copies share one state; cancel() is idempotent and runs each subscriber once.
// Main thread only.
class CancellationToken {
public:
    CancellationToken()
        : m_state(std::make_shared<State>()) {}

    void cancel() const {
        if (m_state->cancelled) {
            return;
        }
        m_state->cancelled = true;
        auto callbacks = std::move(m_state->callbacks);
        m_state->callbacks.clear();
        for (auto& [id, callback] : callbacks) {
            callback();
        }
    }

    bool isCancelled() const { return m_state->cancelled; }

    // Runs callback on cancel(), or at once when already cancelled. Returns an id for unsubscribe.
    int subscribe(std::function<void()> callback) const {
        if (m_state->cancelled) {
            callback();
            return 0;
        }
        const int id = ++m_state->nextId;
        m_state->callbacks.emplace(id, std::move(callback));
        return id;
    }

    void unsubscribe(int id) const { m_state->callbacks.erase(id); }

private:
    struct State {
        bool cancelled = false;
        int nextId = 0;
        std::map<int, std::function<void()>> callbacks;
    };
    std::shared_ptr<State> m_state;
};
