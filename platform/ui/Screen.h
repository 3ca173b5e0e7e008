#pragma once

#include <memory>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

// A display. Screen space has y up from the bottom of the main screen; the main screen is 1440 × 900
// points at scale 2 unless a test says otherwise.
class Screen : public UIObject {
public:
    static constexpr double kMenuBarHeight = 22;

    static std::shared_ptr<Screen> mainScreen();
    static std::vector<std::shared_ptr<Screen>> screens();
    // Tests: replaces the screens (the first is the main one); an empty list restores the default.
    struct Description {
        Rect frame;
        double scale = 2;
    };
    static void setScreensForTesting(const std::vector<Description>& screens);
    static void resetForTesting() { setScreensForTesting({}); }

    Rect frame() const { return frame_; }
    // The frame without the menu bar strip at its top.
    Rect visibleFrame() const {
        return {frame_.minX(), frame_.minY(), frame_.width(), frame_.height() - kMenuBarHeight};
    }
    double backingScaleFactor() const { return scale_; }

    Screen(Rect frame, double scale) : frame_(frame), scale_(scale) {}

private:
    Rect frame_;
    double scale_;
};

}  // namespace platform::ui
