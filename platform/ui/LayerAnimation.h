#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"

namespace platform::ui {

// A value an animation moves between.
using AnimatableValue = std::variant<std::monostate, double, Point, Size, Rect, Color, AffineTransform>;

// A timing curve: a named one or a cubic Bézier through (0,0), c1, c2, (1,1).
struct TimingFunction {
    std::string name;  // "default", "linear", "easeIn", "easeOut", "easeInEaseOut", or "" for control points
    Point c1, c2;

    static TimingFunction named(const std::string& name);
    static TimingFunction functionWithControlPoints(double x1, double y1, double x2, double y2);
    bool operator==(const TimingFunction&) const = default;
};

// An animation of a layer property. The layer keeps what was added for inspection; there is no render
// server here, so the animation only stands for its key path, values and timing.
class Animation {
public:
    virtual ~Animation() = default;
    static std::shared_ptr<Animation> animation() { return std::make_shared<Animation>(); }

    std::string keyPath;
    double duration = 0.25;
    double beginTime = 0;  // set when added to a layer: the clock's time then
    double repeatCount = 0;
    bool cumulative = false;
    bool autoreverses = false;
    bool removedOnCompletion = true;
    std::string fillMode = "removed";
    std::optional<TimingFunction> timingFunction;

    // The time the animation ends; infinity when it repeats forever.
    double endTime() const;
};

class BasicAnimation : public Animation {
public:
    static std::shared_ptr<BasicAnimation> animationWithKeyPath(const std::string& keyPath);
    AnimatableValue fromValue;
    AnimatableValue toValue;
    AnimatableValue byValue;
};

// A filter stored by name and parameters; nothing is filtered here.
struct Filter {
    std::string name;
    std::map<std::string, double> parameters;

    // The filter with its defaults for the names this system knows ("CIGaussianBlur": inputRadius 10;
    // "CIColorControls": inputSaturation 1, inputBrightness 0, inputContrast 1).
    static Filter filterWithName(const std::string& name);
    void setValue_forKey(double value, const std::string& key) { parameters[key] = value; }
    bool operator==(const Filter&) const = default;
};

}  // namespace platform::ui
