#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/ui/Color.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// Fills itself with a gradient from the starting to the ending colour at an angle, or with the starting
// colour alone when there is no different ending colour.
class ColorGradientView : public ui::View {
public:
    static std::shared_ptr<ColorGradientView> create(ui::Rect frame = {}) {
        return ui::make<ColorGradientView>(frame);
    }
    // Starts with the "wizzard_iphone5" picture as a pattern, fading to clear downwards (270 degrees).
    void initWithFrame(ui::Rect frame) override;

    const std::optional<ui::Color>& startingColor() const { return startingColor_; }
    void setStartingColor(std::optional<ui::Color> color);
    const std::optional<ui::Color>& endingColor() const { return endingColor_; }
    void setEndingColor(std::optional<ui::Color> color);
    int32_t angle() const { return angle_; }
    // Stored only: the next drawing uses it.
    void setAngle(int32_t degrees) { angle_ = degrees; }

    void drawRect(ui::Rect dirty) override;

private:
    std::optional<ui::Color> startingColor_;
    std::optional<ui::Color> endingColor_;
    int32_t angle_ = 0;
};

}  // namespace kestrune
