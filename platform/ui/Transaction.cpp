#include "platform/ui/Transaction.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

namespace platform::ui {

namespace {
struct Frame {
    bool implicit = false;
    double duration = 0.25;
    std::optional<TimingFunction> timing;
    bool disableActions = false;
    std::vector<std::function<void()>> completions;
    double latestEnd = -INFINITY;
};

std::vector<Frame>& stack() {
    static std::vector<Frame> frames;
    return frames;
}

Frame& top() {
    auto& s = stack();
    if (s.empty()) {
        Frame implicit;
        implicit.implicit = true;
        s.push_back(implicit);
    }
    return s.back();
}

void finish(Frame frame) {
    auto& s = stack();
    // The enclosing transaction waits for what this one waited for.
    if (!s.empty()) s.back().latestEnd = std::max(s.back().latestEnd, frame.latestEnd);
    if (frame.completions.empty()) return;
    const double now = platform::Clock::now();
    auto run = [completions = std::move(frame.completions)] {
        for (const auto& c : completions) c();
    };
    if (std::isinf(frame.latestEnd) && frame.latestEnd > 0) return;  // an animation that never ends
    if (frame.latestEnd > now)
        platform::RunLoop::main().performAfterDelay(frame.latestEnd - now, run);
    else
        platform::RunLoop::main().post(run);
}
}  // namespace

void Transaction::begin() {
    auto& s = stack();
    Frame frame;
    if (!s.empty()) frame.disableActions = s.back().disableActions;
    s.push_back(frame);
}

void Transaction::commit() {
    auto& s = stack();
    // A commit without a matching begin closes nothing but the implicit transaction, like the platform.
    if (s.empty() || (s.back().implicit && s.size() == 1)) return;
    Frame frame = std::move(s.back());
    s.pop_back();
    finish(std::move(frame));
}

void Transaction::commitImplicit() {
    auto& s = stack();
    // Explicit transactions left open by mistake are closed too, so that nothing waits forever.
    while (!s.empty()) {
        Frame frame = std::move(s.back());
        s.pop_back();
        finish(std::move(frame));
    }
}

double Transaction::animationDuration() {
    return top().duration;
}
void Transaction::setAnimationDuration(double seconds) {
    top().duration = seconds;
}
std::optional<TimingFunction> Transaction::animationTimingFunction() {
    return top().timing;
}
void Transaction::setAnimationTimingFunction(std::optional<TimingFunction> function) {
    top().timing = std::move(function);
}
bool Transaction::disableActions() {
    return top().disableActions;
}
void Transaction::setDisableActions(bool flag) {
    top().disableActions = flag;
}
void Transaction::setCompletionBlock(std::function<void()> completion) {
    // One completion per transaction: a later one replaces the earlier, as on the platform.
    top().completions.clear();
    if (completion) top().completions.push_back(std::move(completion));
}

void Transaction::noteAnimation(const Animation& animation) {
    auto& f = top();
    f.latestEnd = std::max(f.latestEnd, animation.endTime());
}

int Transaction::depth() {
    return static_cast<int>(stack().size());
}

void Transaction::resetForTesting() {
    stack().clear();
}

}  // namespace platform::ui
