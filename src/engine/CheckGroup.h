#pragma once

#include "engine/DomainAvailability.h"
#include "engine/LookupError.h"
#include "net/Completion.h"

#include <qcoro/qcorotask.h>

#include <expected>
#include <functional>
#include <memory>

namespace orvane {

// Checks that run side by side and are awaited together: a search's one check per TLD, or
// orvane-check's names as they are read. Each outcome is handed over on this thread the moment
// its check ends, in the order they end.
class CheckGroup
{
public:
    using Outcome = std::expected<CheckResult, LookupError>;

    // Starts awaiting `check`; `done` hears its outcome.
    void add(QCoro::Task<Outcome> check, std::function<void(const Outcome &)> done);
    // Checks added and not yet ended.
    int pending() const { return m_state->pending; }
    // Ends once no check is pending (at once when none is), checks added meanwhile included.
    QCoro::Task<> finished();

private:
    struct State {
        int pending = 0;
        std::optional<Completion<bool>> idle;
    };
    static QCoro::Task<> await(QCoro::Task<Outcome> check, std::function<void(const Outcome &)> done,
                               std::shared_ptr<State> state);

    std::shared_ptr<State> m_state = std::make_shared<State>();
};

} // namespace orvane
