#include "engine/CheckGroup.h"

namespace orvane {

void CheckGroup::add(QCoro::Task<Outcome> check, std::function<void(const Outcome &)> done)
{
    ++m_state->pending;
    await(std::move(check), std::move(done), m_state);
}

QCoro::Task<> CheckGroup::await(QCoro::Task<Outcome> check, std::function<void(const Outcome &)> done,
                                std::shared_ptr<State> state)
{
    const Outcome outcome = co_await std::move(check);
    if (done)
        done(outcome);
    if (--state->pending == 0 && state->idle) {
        auto idle = *state->idle;
        state->idle.reset();
        idle.complete(true);
    }
}

QCoro::Task<> CheckGroup::finished()
{
    if (m_state->pending == 0)
        co_return;
    if (!m_state->idle)
        m_state->idle.emplace();
    const auto idle = *m_state->idle;
    co_await idle.wait();
}

} // namespace orvane
