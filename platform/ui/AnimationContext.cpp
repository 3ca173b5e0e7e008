#include "platform/ui/AnimationContext.h"

#include <algorithm>

#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"

namespace platform::ui {

namespace {
std::vector<AnimationContext*>& groups() {
    static std::vector<AnimationContext*> open;
    return open;
}
std::vector<AnimationRecord>& records() {
    static std::vector<AnimationRecord> all;
    return all;
}
}  // namespace

void AnimationContext::runGroup(const std::function<void(AnimationContext&)>& body,
                                std::function<void()> completion) {
    AnimationContext context;
    context.begin_ = platform::Clock::now();
    groups().push_back(&context);
    if (body) body(context);
    groups().pop_back();
    if (!completion) return;
    const double end = std::max(context.begin_ + context.duration_, context.latestEnd_);
    const double delay = end - platform::Clock::now();
    if (delay > 0)
        platform::RunLoop::main().performAfterDelay(delay, std::move(completion));
    else
        platform::RunLoop::main().post(std::move(completion));
}

AnimationContext* AnimationContext::currentContext() {
    return groups().empty() ? nullptr : groups().back();
}

void AnimationContext::record(std::weak_ptr<UIObject> target, std::string key, AnimatableValue from,
                              AnimatableValue to) {
    AnimationRecord r;
    r.target = std::move(target);
    r.key = std::move(key);
    r.from = std::move(from);
    r.to = std::move(to);
    r.begin = platform::Clock::now();
    if (auto* group = currentContext()) {
        r.duration = group->duration_;
        r.timing = group->timing_;
        group->latestEnd_ = std::max(group->latestEnd_, r.end());
    } else {
        r.duration = 0.25;
    }
    auto& all = records();
    // The application animates for as long as it runs: only recent records are kept.
    if (all.size() >= 4096) all.erase(all.begin(), all.begin() + 2048);
    all.push_back(std::move(r));
}

std::vector<AnimationRecord> AnimationContext::runningAnimations() {
    const double now = platform::Clock::now();
    std::vector<AnimationRecord> out;
    for (const auto& r : records())
        if (r.end() > now && !r.target.expired()) out.push_back(r);
    return out;
}

const std::vector<AnimationRecord>& AnimationContext::recorded() {
    return records();
}

void AnimationContext::resetForTesting() {
    records().clear();
    groups().clear();
}

}  // namespace platform::ui
