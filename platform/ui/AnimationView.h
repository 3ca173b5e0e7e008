#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/ui/Color.h"
#include "platform/ui/View.h"

namespace platform::ui {

// A vector animation played from a named file of the bundle ("<name>.json" in its animations folder).
// The file is our own small format: a canvas ("w", "h"), in and out frames ("ip", "op") and a frame
// rate ("fr") that give the duration, and shapes whose numeric properties are either a number or a pair
// [from, to] that runs over the animation's progress (optionally inside a window "t": [start, end] of
// it). Shapes: "circle" (cx, cy, r), "rect" (x, y, w, h, radius), "line" (points, trim), each with
// "fill" or "stroke" (hex colours), "width", "alpha", "scale" and "rotate" (degrees) about (ox, oy).
//
// Playing is measured on the platform clock: a finished play reports true once, at the end of its
// duration; a looping one reports only when stopped (false). A file that is missing or unreadable makes
// an empty view whose play reports false at once.
class AnimationView : public View {
public:
    using Completion = std::function<void(bool finished)>;
    // How the canvas fits the view (the content modes the screens use).
    enum ContentMode { ScaleToFill = 0, ScaleAspectFit = 1, ScaleAspectFill = 2 };

    static std::shared_ptr<AnimationView> animationNamed(const std::string& name);
    // The same from the text of a file (tests, fuzzing); a text that is not an animation gives an empty
    // view.
    static std::shared_ptr<AnimationView> animationFromText(const std::string& name, const std::string& text);

    bool loopAnimation() const { return loop_; }
    void setLoopAnimation(bool loop) { loop_ = loop; }
    int contentMode() const { return contentMode_; }
    void setContentMode(int mode) { contentMode_ = mode, setNeedsDisplay(true); }

    // Starts from the beginning; an earlier play still waiting for its end reports false first.
    void playWithCompletion(Completion completion);
    void play() { playWithCompletion(nullptr); }
    // Ends the play where it is (reporting false to a waiting completion) and goes back to the start.
    void stop();

    // Ends any play and holds the frame at the progress (0 to 1) for display.
    void setAnimationProgress(double progress);

    const std::string& animationName() const { return name_; }
    bool isLoaded() const { return loaded_; }
    bool isAnimationPlaying() const { return playing_; }
    // Seconds from the in frame to the out frame; 0 for an empty view.
    double animationDuration() const;
    // 0 to 1 through the current cycle (the end stays at 1 once a play has finished).
    double animationProgress() const;
    int playCount() const { return playCount_; }
    Size canvasSize() const { return canvas_; }

    void drawRect(Rect dirty) override;

    struct Shape;

private:
    void finishPlay(uint64_t generation);
    void reportEnd(bool finished);

    std::string name_;
    bool loaded_ = false;
    Size canvas_;
    double inFrame_ = 0;
    double outFrame_ = 0;
    double frameRate_ = 30;
    std::vector<std::shared_ptr<Shape>> shapes_;

    bool loop_ = false;
    int contentMode_ = ScaleToFill;
    bool playing_ = false;
    bool finished_ = false;
    double playStart_ = 0;
    std::optional<double> heldProgress_;
    int playCount_ = 0;
    uint64_t generation_ = 0;
    Completion completion_;
};

}  // namespace platform::ui
