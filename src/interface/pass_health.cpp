#include "interface/pass_health.h"

#include <algorithm>

#include "shell/failure_text.h"

namespace tivka {

namespace {

void keep(std::vector<PassHealth::PairOutcome>& pairs, PassHealth::PairOutcome outcome)
{
    const auto held = std::find_if(pairs.begin(), pairs.end(),
                                   [&](const PassHealth::PairOutcome& p) { return p.pairText == outcome.pairText; });
    if (held == pairs.end())
        pairs.push_back(std::move(outcome));
    else
        *held = std::move(outcome);
}

}  // namespace

void PassHealth::take(const RefreshEvent& event)
{
    const std::int64_t now = clock_.now();
    std::lock_guard lock(mutex_);
    if (std::holds_alternative<PassStarted>(event)) {
        state_.startedAt = now;
        served_ = failed_ = 0;
    } else if (const auto* read = std::get_if<PairRead>(&event)) {
        ++served_;
        keep(state_.pairs, {read->pairText, now, true, ""});
    } else if (const auto* failed = std::get_if<PairFailed>(&event)) {
        ++failed_;
        keep(state_.pairs, {failed->pairText, now, false, FailuresLine(failed->failures)});
    } else if (const auto* ended = std::get_if<PassEnded>(&event)) {
        state_.endedAt = now;
        state_.cancelled = ended->cancelled;
        state_.served = served_;
        state_.failed = failed_;
    }
}

PassHealth::Snapshot PassHealth::snapshot() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

}  // namespace tivka
