#include "platform/ui/LayerAnimation.h"

#include <cmath>

namespace platform::ui {

TimingFunction TimingFunction::named(const std::string& name) {
    TimingFunction f;
    f.name = name;
    if (name == "linear")
        f.c1 = {0, 0}, f.c2 = {1, 1};
    else if (name == "easeIn")
        f.c1 = {0.42, 0}, f.c2 = {1, 1};
    else if (name == "easeOut")
        f.c1 = {0, 0}, f.c2 = {0.58, 1};
    else if (name == "easeInEaseOut")
        f.c1 = {0.42, 0}, f.c2 = {0.58, 1};
    else
        f.name = "default", f.c1 = {0.25, 0.1}, f.c2 = {0.25, 1};
    return f;
}

TimingFunction TimingFunction::functionWithControlPoints(double x1, double y1, double x2, double y2) {
    TimingFunction f;
    f.c1 = {x1, y1};
    f.c2 = {x2, y2};
    return f;
}

double Animation::endTime() const {
    if (std::isinf(repeatCount)) return INFINITY;
    const double cycles = repeatCount > 0 ? repeatCount : 1;
    return beginTime + duration * cycles * (autoreverses ? 2 : 1);
}

std::shared_ptr<BasicAnimation> BasicAnimation::animationWithKeyPath(const std::string& keyPath) {
    auto a = std::make_shared<BasicAnimation>();
    a->keyPath = keyPath;
    return a;
}

Filter Filter::filterWithName(const std::string& name) {
    Filter f;
    f.name = name;
    if (name == "CIGaussianBlur")
        f.parameters = {{"inputRadius", 10}};
    else if (name == "CIColorControls")
        f.parameters = {{"inputSaturation", 1}, {"inputBrightness", 0}, {"inputContrast", 1}};
    return f;
}

}  // namespace platform::ui
