#pragma once

#include <QCoreApplication>
#include <QMetaObject>

#include <coroutine>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orvane {

// A once-only completion that coroutines can co_await. The first complete() wins;
// later calls report false and change nothing. Waiters are resumed from the event
// loop, never inside the caller of complete(), so an event handler that completes
// an exchange can go on touching its own objects safely.
template<typename T>
class Completion
{
    struct State {
        std::optional<T> value;
        std::vector<std::coroutine_handle<>> waiters;
    };

public:
    bool isDone() const { return m_state->value.has_value(); }

    bool complete(T value)
    {
        if (m_state->value)
            return false;
        m_state->value = std::move(value);
        for (auto handle : std::exchange(m_state->waiters, {})) {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [handle] { handle.resume(); }, Qt::QueuedConnection);
        }
        return true;
    }

    struct Awaiter {
        std::shared_ptr<State> state;
        bool await_ready() const noexcept { return state->value.has_value(); }
        void await_suspend(std::coroutine_handle<> handle) { state->waiters.push_back(handle); }
        T await_resume() const { return *state->value; }
    };

    Awaiter wait() const { return Awaiter{m_state}; }

private:
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace orvane
