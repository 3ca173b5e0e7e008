#pragma once

#include <memory>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Image.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// Fades the view to `alpha` over `duration` seconds through an animation group and runs the completion
// when the group ends. A duration of exactly 0 sets the alpha at once and runs the completion 0.01 s
// later on this thread's run loop (never inside the call).
void setAlpha_withDuration_completion(ui::View& view, double alpha, double duration, Block completion);
void setAlpha_withDuration(ui::View& view, double alpha, double duration);

// Moves the view to `frame` in the same way; here a duration of 0 or less sets the frame at once (and
// the completion follows 0.01 s later).
void setFrame_withDuration_completion(ui::View& view, ui::Rect frame, double duration, Block completion);
void setFrame_completion(ui::View& view, ui::Rect frame, Block completion);
void setFrame_withDuration(ui::View& view, ui::Rect frame, double duration);

// Turns the view about its centre: `rotations` turns per second (negative: the other way), each cycle
// of `duration` seconds continuing from where the last ended, `repeat` cycles, the animation kept on
// the view's layer under `key` ("spin" without one).
void runSpinAnimationWithduration_rotations_repeat_withKey(ui::View& view, double duration, double rotations,
                                                           float repeat, const std::string& key);
void runSpinAnimationWithduration_rotations_repeat(ui::View& view, double duration, double rotations,
                                                   float repeat);
void removeAllAnimations(ui::View& view);

// Draws the whole image into the frame of the current graphics context, cut to rounded corners.
void drawImage_inFrame_cornerRadius(ui::View& view, const std::shared_ptr<ui::Image>& image, ui::Rect frame,
                                    double radius);

}  // namespace kestrune
