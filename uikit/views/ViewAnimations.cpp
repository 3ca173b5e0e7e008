#include "uikit/views/ViewAnimations.h"

#include <cmath>

#include "app/shell/PerformBlockAfterDelay.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Layer.h"
#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

namespace {
// A change made at once still reports its end a moment later, as an animation would, so that callers
// never see their completion run inside their own call.
constexpr double kImmediateCompletionDelay = 0.01;

void completeLater(ui::View& view, Block completion) {
    if (!completion) return;
    performAfterDelay_block(view.sharedView(), kImmediateCompletionDelay, std::move(completion));
}
}  // namespace

void setAlpha_withDuration_completion(ui::View& view, double alpha, double duration, Block completion) {
    if (duration == 0) {
        view.setAlphaValue(alpha);
        return completeLater(view, std::move(completion));
    }
    auto keep = view.sharedView();
    ui::AnimationContext::runGroup(
        [&](ui::AnimationContext& context) {
            context.setDuration(duration);
            keep->animator().setAlphaValue(alpha);
        },
        std::move(completion));
}

void setAlpha_withDuration(ui::View& view, double alpha, double duration) {
    setAlpha_withDuration_completion(view, alpha, duration, nullptr);
}

void setFrame_withDuration_completion(ui::View& view, ui::Rect frame, double duration, Block completion) {
    if (duration <= 0) {
        view.setFrame(frame);
        return completeLater(view, std::move(completion));
    }
    auto keep = view.sharedView();
    ui::AnimationContext::runGroup(
        [&](ui::AnimationContext& context) {
            context.setDuration(duration);
            keep->animator().setFrame(frame);
        },
        std::move(completion));
}

void setFrame_completion(ui::View& view, ui::Rect frame, Block completion) {
    setFrame_withDuration_completion(view, frame, 0, std::move(completion));
}

void setFrame_withDuration(ui::View& view, ui::Rect frame, double duration) {
    setFrame_withDuration_completion(view, frame, duration, nullptr);
}

void runSpinAnimationWithduration_rotations_repeat_withKey(ui::View& view, double duration, double rotations,
                                                           float repeat, const std::string& key) {
    auto spin = ui::BasicAnimation::animationWithKeyPath("transform.rotation.z");
    // The angle is a single-precision number, as the animation system stores it.
    spin->toValue = static_cast<double>(static_cast<float>(2 * M_PI * rotations * duration));
    spin->duration = duration;
    spin->cumulative = true;
    spin->repeatCount = repeat;
    view.setWantsLayer(true);
    auto layer = view.layer();
    if (!layer) return;
    // Turning about the centre: the layer is pinned there.
    layer->setPosition(rectCenter(view.frame()));
    layer->setAnchorPoint({0.5, 0.5});
    layer->addAnimation_forKey(spin, key);
}

void runSpinAnimationWithduration_rotations_repeat(ui::View& view, double duration, double rotations,
                                                   float repeat) {
    runSpinAnimationWithduration_rotations_repeat_withKey(view, duration, rotations, repeat, "spin");
}

void removeAllAnimations(ui::View& view) {
    if (auto layer = view.layer()) layer->removeAllAnimations();
}

void drawImage_inFrame_cornerRadius(ui::View&, const std::shared_ptr<ui::Image>& image, ui::Rect frame,
                                    double radius) {
    auto* context = ui::GraphicsContext::current();
    if (!context || !image) return;
    context->saveGState();
    context->clipToPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(frame, radius, radius));
    image->drawInRect_fromRect_operation_fraction(frame, {}, ui::CompositingOperation::SourceOver, 1.0);
    context->restoreGState();
}

}  // namespace kestrune
