#include "uikit/switches/APSwitch.h"

#include <algorithm>

#include "platform/ui/Nib.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/Window.h"

namespace kestrune {

void APSwitch::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    setUp(frame);
}

void APSwitch::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    setUp(args.frame);
}

void APSwitch::setUp(ui::Rect frame) {
    // Building the layers is no change to show.
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    ap_initLayersWithFrame(frame);
    ui::Transaction::commit();
    setOnTintColor(ui::Color::colorWithDeviceWhite_alpha(1.0, 0.75));
    setEnabled(true);
    setOn_animated_notifyDelegate(false, false, false);
    backgroundLayer_->setOpacity(1.0);
}

void APSwitch::ap_initLayersWithFrame(ui::Rect frame) {
    const double w = frame.width(), h = frame.height();
    auto root = ui::Layer::layer();
    setWantsLayer(true);
    setLayer(root);
    root->setMasksToBounds(true);
    root->setCornerRadius(root->bounds().height() / 2);

    shadowLayer_ = ui::Layer::layer();
    shadowLayer_->setFrame({0, 1, w, h - 1});
    root->addSublayer(shadowLayer_);

    contentLayer_ = ui::Layer::layer();
    contentLayer_->setFrame({0, 2, w, h - 2});
    contentLayer_->setMasksToBounds(true);
    contentLayer_->setBorderWidth(1);
    contentLayer_->setBorderColor(ui::Color::clearColor());
    contentLayer_->setCornerRadius(contentLayer_->bounds().height() / 2);
    contentLayer_->setBackgroundColor(ui::Color::clearColor());
    root->addSublayer(contentLayer_);
    // Track and knob stay centred vertically in the content: there is no constraint layout here, and
    // the content never changes size, so they are placed on its middle once.
    const double middle = contentLayer_->bounds().midY();

    backgroundLayer_ = APSwitchBackgroundLayer::layer();
    backgroundLayer_->setName("backgroundLayer");
    backgroundLayer_->setEnabled(enabled_);
    // Bound to the switch: setting either on the switch sets it on the track.
    std::weak_ptr<APSwitch> weakSelf = sharedAs<APSwitch>();
    addObserver([weakSelf](const std::string& key) {
        auto self = weakSelf.lock();
        if (!self || !self->backgroundLayer_) return;
        if (key == "enabled") self->backgroundLayer_->setEnabled(self->enabled_);
        if (key == "onTintColor") self->backgroundLayer_->setOnTintColor(self->onTintColor_);
    });
    backgroundLayer_->setDelegate(std::static_pointer_cast<ui::LayerDelegate>(sharedAs<APSwitch>()));
    backgroundLayer_->setBounds({0, 0, 2 * w, h - 2});
    backgroundLayer_->setPosition({backgroundLayer_->position().x, middle});
    contentLayer_->addSublayer(backgroundLayer_);

    knobLayer_ = APSwitchKnobLayer::layer();
    knobLayer_->setName("knobLayer");
    knobLayer_->setBounds(ui::Rect{0, 0, h - 4, h - 4}.integral());
    for (const char* key : {"onOrderIn", "onOrderOut", "sublayers", "contents", "bounds"})
        knobLayer_->actions[key] = nullptr;
    knobLayer_->setCornerRadius(knobLayer_->bounds().height() / 2);
    knobLayer_->setShadowRadius(3);
    knobLayer_->setShadowOpacity(1.0);
    knobLayer_->setPosition({knobLayer_->position().x, middle});
    contentLayer_->addSublayer(knobLayer_);
}

void APSwitch::setOn(bool on) {
    setOn_animated_notifyDelegate(on, true, true);
}

void APSwitch::setSwitchOn_animated(bool on, bool animated) {
    setOn_animated_notifyDelegate(on, animated, false);
}

void APSwitch::becomeLayersDelegate() {
    auto self = std::static_pointer_cast<ui::LayerDelegate>(sharedAs<APSwitch>());
    knobLayer_->setDelegate(self);
    backgroundLayer_->setDelegate(self);
}

void APSwitch::resignLayersDelegate() {
    knobLayer_->setDelegate({});
    backgroundLayer_->setDelegate({});
}

void APSwitch::placeKnobAt(double x) {
    const ui::Rect knob = knobLayer_->frame();
    knobLayer_->setFrame({x, knob.minY(), knob.width(), knob.height()});
    // The track's centre follows the knob: the part left of the knob shows the "on" half.
    backgroundLayer_->setPosition(knobLayer_->position());
}

void APSwitch::setOn_animated_notifyDelegate(bool on, bool animated, bool notify) {
    if (!animated) becomeLayersDelegate();
    const double kw = knobLayer_->frame().width();
    placeKnobAt(on ? frame().width() - kw : 0);
    resignLayersDelegate();
    // The state is stored whether or not the delegate is told: a change made without telling it would
    // otherwise leave the next click toggling from a stale value.
    const bool changed = on_ != on;
    on_ = on;
    if (changed || notify) didChangeValueForKey("on");
    if (!notify) return;
    if (auto d = delegate()) d->didUpdateValueForView(*this);
}

void APSwitch::setEnabled(bool enabled) {
    enabled_ = enabled;
    didChangeValueForKey("enabled");
    knobLayer_->setEnabled(enabled);
    backgroundLayer_->setEnabled(enabled);
    knobLayer_->setShadowOpacity(0.5);
}

void APSwitch::setOnTintColor(const ui::Color& color) {
    onTintColor_ = color;
    didChangeValueForKey("onTintColor");
}

ui::LayerAction APSwitch::actionForLayer_forKey(ui::Layer&, const std::string&) {
    auto instant = ui::Animation::animation();
    instant->duration = 0;
    return ui::LayerAction::with(instant);
}

void APSwitch::mouseDown(const ui::Event& e) {
    if (!enabled_) return;
    auto keep = sharedAs<APSwitch>();
    const ui::Rect knob = knobLayer_->frame();
    const double kw = knob.width(), width = frame().width();
    const ui::Point p = convertPoint_fromView(e.locationInWindow, nullptr);
    auto root = layer();
    // The layer under the point, asked in the root's superlayer's space.
    const ui::Rect rootFrame = root->frame();
    const auto hit = root->hitTest(
        {p.x + rootFrame.minX() - root->bounds().minX(), p.y + rootFrame.minY() - root->bounds().minY()});
    if (hit == knobLayer_) knobLayer_->setPressed(true);
    const double grab = knobLayer_->convertPoint_fromLayer(p, root.get()).x;
    const uint64_t mask =
        ui::eventMaskFor(ui::EventType::LeftMouseUp) | ui::eventMaskFor(ui::EventType::LeftMouseDragged);
    bool dragged = false;
    auto w = window();
    while (w) {
        auto next = w->nextEventMatchingMask(mask);
        if (!next) break;  // nothing more queued: the press is over
        if (next->type == ui::EventType::LeftMouseDragged) {
            // A press that began off the knob is no drag: it ends here, changing nothing.
            if (!knobLayer_->isPressed()) break;
            const ui::Point q = convertPoint_fromView(next->locationInWindow, nullptr);
            const double x = std::min(std::max(0.0, q.x - grab), width - kw);
            becomeLayersDelegate();
            placeKnobAt(x);
            resignLayersDelegate();
            dragged = true;
            continue;
        }
        // Exactly half way counts as off.
        setOn(dragged ? knobLayer_->frame().midX() > width / 2 : !on_);
        knobLayer_->setPressed(false);
        break;
    }
}

}  // namespace kestrune
