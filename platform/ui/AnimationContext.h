#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/LayerAnimation.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

// One animated change of a view or window made through its animator: the model value is already set;
// this record is what a test reads back.
struct AnimationRecord {
    std::weak_ptr<UIObject> target;
    std::string key;  // "frame", "frameOrigin", "frameSize", "alphaValue", "boundsOrigin"
    AnimatableValue from;
    AnimatableValue to;
    double begin = 0;
    double duration = 0;
    std::optional<TimingFunction> timing;
    double end() const { return begin + duration; }
};

// Groups animated changes of views and windows. Inside runGroup, changes made through an animator take
// the group's duration (0.25 s unless the body sets another) and timing; the completion runs at the
// group's begin + duration, or on the next turn for a duration of 0.
class AnimationContext {
public:
    static void runGroup(const std::function<void(AnimationContext&)>& body,
                         std::function<void()> completion = {});
    // The innermost open group; none outside one.
    static AnimationContext* currentContext();

    double duration() const { return duration_; }
    void setDuration(double seconds) { duration_ = seconds; }
    const std::optional<TimingFunction>& timingFunction() const { return timing_; }
    void setTimingFunction(std::optional<TimingFunction> timing) { timing_ = std::move(timing); }
    bool allowsImplicitAnimation() const { return allowsImplicitAnimation_; }
    void setAllowsImplicitAnimation(bool flag) { allowsImplicitAnimation_ = flag; }

    // Called by animators after setting the model value.
    static void record(std::weak_ptr<UIObject> target, std::string key, AnimatableValue from,
                       AnimatableValue to);
    // Records whose animation has not ended yet.
    static std::vector<AnimationRecord> runningAnimations();
    // Every record since the last reset.
    static const std::vector<AnimationRecord>& recorded();
    static void resetForTesting();

private:
    double duration_ = 0.25;
    std::optional<TimingFunction> timing_;
    bool allowsImplicitAnimation_ = false;
    double begin_ = 0;
    double latestEnd_ = 0;
};

}  // namespace platform::ui
