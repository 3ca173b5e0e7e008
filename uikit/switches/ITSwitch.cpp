#include "uikit/switches/ITSwitch.h"

#include <algorithm>

#include "platform/ui/Application.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/Window.h"
#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

namespace {
constexpr double kAnimationDuration = 0.4;
constexpr double kRestingKnobRatio = 1.6180340051651;
constexpr double kPressedKnobRatio = 1.38;
constexpr uint16_t kSpaceKeyCode = 49;

const char* const kRoleAttribute = "AXRole";
const char* const kValueAttribute = "AXValue";
const char* const kEnabledAttribute = "AXEnabled";
const char* const kDescriptionAttribute = "AXDescription";
const char* const kChildrenAttribute = "AXChildren";
const char* const kCheckBoxRole = "AXCheckBox";
const char* const kPressAction = "AXPress";

ui::Color black(double alpha = 1) {
    return ui::Color::colorWithCalibratedWhite_alpha(0, alpha);
}
}  // namespace

void ITSwitch::initWithFrame(ui::Rect frame) {
    Control::initWithFrame(frame);
    setUp();
}

void ITSwitch::initFromNib(ui::NibArgs& args) {
    Control::initFromNib(args);
    setUp();
}

void ITSwitch::setUp() {
    Control::setEnabled(true);
    setUpLayers();
}

void ITSwitch::setUpLayers() {
    // Setting up is no change to show: nothing animates until the switch exists.
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);

    // The view hosts its layers: its own layer is installed before layer backing is turned on.
    rootLayer_ = ui::Layer::layer();
    setLayer(rootLayer_);
    setWantsLayer(true);

    backgroundLayer_ = ui::Layer::layer();
    backgroundLayer_->setBounds(rootLayer_->bounds());
    backgroundLayer_->setAnchorPoint({0, 0});
    backgroundLayer_->setBorderWidth(1);
    backgroundLayer_->setAutoresizingMask(ui::kLayerWidthSizable | ui::kLayerHeightSizable);
    rootLayer_->addSublayer(backgroundLayer_);

    knobLayer_ = ui::Layer::layer();
    knobLayer_->setFrame(rectForKnob());
    knobLayer_->setAutoresizingMask(ui::kLayerHeightSizable);
    knobLayer_->setBackgroundColor(ui::Color::colorWithCalibratedWhite_alpha(1.0, 1.0));
    knobLayer_->setShadowColor(black());
    knobLayer_->setShadowOffset({0, -2});
    knobLayer_->setShadowRadius(1);
    knobLayer_->setShadowOpacity(0.3);
    rootLayer_->addSublayer(knobLayer_);

    knobInsideLayer_ = ui::Layer::layer();
    knobInsideLayer_->setFrame(knobLayer_->bounds());
    knobInsideLayer_->setAutoresizingMask(ui::kLayerWidthSizable | ui::kLayerHeightSizable);
    knobInsideLayer_->setBackgroundColor(ui::Color::whiteColor());
    knobInsideLayer_->setShadowColor(black());
    knobInsideLayer_->setShadowOffset({0, 0});
    knobInsideLayer_->setShadowRadius(1);
    knobInsideLayer_->setShadowOpacity(0.35);
    knobLayer_->addSublayer(knobInsideLayer_);

    knobLayerLabel_ = ui::TextLayer::layer();
    knobLayerLabel_->setFontName("Helvetica Neue Thin");
    knobLayerLabel_->setFontSize(10);
    knobLayerLabel_->setContentsScale(ui::Screen::mainScreen()->backingScaleFactor());
    knobLayerLabel_->setAlignmentMode("center");
    knobLayerLabel_->setForegroundColor(ui::Color::darkGrayColor());
    const ui::Rect knob = knobLayer_->bounds();
    knobLayerLabel_->setFrame(rectCenteredAtPoint(rectWithHeight(knob, 14), rectCenter(knob)));
    knobInsideLayer_->addSublayer(knobLayerLabel_);

    reloadLayerSize();
    reloadLayer();
    ui::Transaction::commit();
}

ui::Rect ITSwitch::rectForKnob() const {
    const ui::Rect track = backgroundLayer_ ? backgroundLayer_->bounds() : ui::Rect{{0, 0}, frame().size};
    const double width = (track.width() - 2) / (active_ ? kPressedKnobRatio : kRestingKnobRatio);
    const double x = showsOn() ? track.width() - width - 1 : 1;
    return {x, 1, width, knobHeightForSize(track.size)};
}

void ITSwitch::reloadLayer() {
    if (!rootLayer_) return;
    ui::Transaction::begin();
    ui::Transaction::setAnimationDuration(kAnimationDuration);
    // Undragged, the knob overshoots a little and settles.
    if (!dragged_)
        ui::Transaction::setAnimationTimingFunction(
            ui::TimingFunction::functionWithControlPoints(0.25, 1.5, 0.5, 1.0));
    if (showsOn()) {
        backgroundLayer_->setBorderColor(ui::Color::colorWithCalibratedWhite_alpha(1, 0));
        backgroundLayer_->setBackgroundColor(tintColor());
    } else {
        backgroundLayer_->setBorderColor(ui::Color::colorWithCalibratedWhite_alpha(1, 0.6));
        backgroundLayer_->setBackgroundColor(ui::Color::clearColor());
    }
    rootLayer_->setOpacity(isEnabled() ? 1.0 : 0.5);
    knobLayer_->setFrame(rectForKnob());
    knobInsideLayer_->setFrame(knobLayer_->bounds());
    ui::Transaction::commit();
}

void ITSwitch::reloadLayerSize() {
    if (!rootLayer_) return;
    ui::Transaction::begin();
    ui::Transaction::setDisableActions(true);
    knobLayer_->setFrame(rectForKnob());
    knobInsideLayer_->setFrame(knobLayer_->bounds());
    backgroundLayer_->setCornerRadius(backgroundLayer_->bounds().height() / 2);
    knobLayer_->setCornerRadius(knobLayer_->bounds().height() / 2);
    knobInsideLayer_->setCornerRadius(knobLayer_->bounds().height() / 2);
    ui::Transaction::commit();
}

void ITSwitch::setFrame(ui::Rect frame) {
    Control::setFrame(frame);
    reloadLayerSize();
}

void ITSwitch::setOn(bool on) {
    // Each change in a transaction of its own: a transaction has one completion, and two switches
    // changed in the same turn (the panel's refresh sets both) would otherwise share the implicit one,
    // the second taking the first one's place, so that the first switch kept its caption for good.
    ui::Transaction::begin();
    if (on_ != on) {
        on_ = on;
        showChangedState();
    }
    reloadLayer();
    ui::Transaction::commit();
}

ui::Color ITSwitch::tintColor() const {
    return tintColor_.value_or(ui::Color::colorWithDeviceWhite_alpha(1.0, 0.75));
}

void ITSwitch::setTintColor(std::optional<ui::Color> color) {
    tintColor_ = std::move(color);
    reloadLayer();
}

void ITSwitch::setEnabled(bool enabled) {
    Control::setEnabled(enabled);
    reloadLayer();
}

void ITSwitch::updateKnobLabelText() {
    if (knobLayerLabel_) knobLayerLabel_->setString(on_ ? "ON" : "OFF");
}

void ITSwitch::showChangedState() {
    updateKnobLabelText();
    if (!knobLayerLabel_) return;
    // On the transaction that holds this change, so that the caption goes once the knob has arrived.
    std::weak_ptr<ITSwitch> weakSelf = sharedAs<ITSwitch>();
    ui::Transaction::setCompletionBlock([weakSelf] {
        if (auto self = weakSelf.lock()) self->hideChangedStateAnimation();
    });
    ui::Transaction::begin();
    ui::Transaction::setAnimationDuration(kAnimationDuration);
    knobLayerLabel_->setOpacity(1);
    ui::Transaction::commit();
}

void ITSwitch::hideChangedStateAnimation() {
    if (!knobLayerLabel_) return;
    ui::Transaction::begin();
    ui::Transaction::setAnimationDuration(kAnimationDuration);
    knobLayerLabel_->setOpacity(0);
    ui::Transaction::commit();
}

void ITSwitch::_invokeTargetAction() {
    sendAction();
}

bool ITSwitch::acceptsFirstResponder() {
    return ui::Application::shared().isFullKeyboardAccessEnabled();
}

void ITSwitch::mouseDown(const ui::Event&) {
    if (!isEnabled()) return;
    active_ = true;
    reloadLayer();
}

void ITSwitch::mouseDragged(const ui::Event& e) {
    if (!isEnabled()) return;
    dragged_ = true;
    const ui::Point p = convertPoint_fromView(e.locationInWindow, nullptr);
    draggingTowardsOn_ = p.x >= bounds().width() / 2;
    reloadLayer();
}

void ITSwitch::mouseUp(const ui::Event&) {
    if (!isEnabled()) return;
    active_ = false;
    const bool before = on_;
    const bool after = dragged_ ? draggingTowardsOn_ : !on_;
    setOn(after);
    if (after != before) _invokeTargetAction();
    dragged_ = false;
    draggingTowardsOn_ = false;
    reloadLayer();
}

void ITSwitch::keyDown(const ui::Event& e) {
    interpretKeyEvents({e});
}

void ITSwitch::moveLeft(ui::Responder*) {
    if (!on_) return;
    setOn(false);
    _invokeTargetAction();
}

void ITSwitch::moveRight(ui::Responder*) {
    if (on_) return;
    setOn(true);
    _invokeTargetAction();
}

bool ITSwitch::performKeyEquivalent(const ui::Event& e) {
    auto w = window();
    if (!w || w->firstResponder().get() != this || e.keyCode != kSpaceKeyCode) return false;
    setOn(!on_);
    _invokeTargetAction();
    return true;
}

void ITSwitch::drawFocusRingMask() {
    auto* context = ui::GraphicsContext::current();
    if (!context) return;
    const ui::Rect b = bounds();
    context->setFillColor(ui::Color::blackColor());
    context->fillPath(
        ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b, b.height() / 2, b.height() / 2));
}

// Accessibility -----------------------------------------------------------------------------------------

std::vector<std::string> ITSwitch::accessibilityAttributeNames() {
    // Worked out once and shared by every switch.
    static const std::vector<std::string> names = [this] {
        std::vector<std::string> list = Control::accessibilityAttributeNames();
        for (const char* added : {kValueAttribute, kEnabledAttribute, kDescriptionAttribute})
            if (std::find(list.begin(), list.end(), added) == list.end()) list.push_back(added);
        std::erase(list, std::string(kChildrenAttribute));
        return list;
    }();
    return names;
}

platform::Value ITSwitch::accessibilityAttributeValue(const std::string& attribute) {
    if (attribute == kRoleAttribute) return platform::Value(kCheckBoxRole);
    if (attribute == kValueAttribute) return platform::Value(on_ ? 1 : 0);
    if (attribute == kEnabledAttribute) return platform::Value(isEnabled());
    return Control::accessibilityAttributeValue(attribute);
}

bool ITSwitch::accessibilityIsAttributeSettable(const std::string& attribute) {
    if (attribute == kValueAttribute) return true;
    if (attribute == kEnabledAttribute || attribute == kDescriptionAttribute) return false;
    return Control::accessibilityIsAttributeSettable(attribute);
}

void ITSwitch::accessibilitySetValue_forAttribute(const platform::Value& value,
                                                  const std::string& attribute) {
    if (attribute != kValueAttribute) return Control::accessibilitySetValue_forAttribute(value, attribute);
    const bool before = on_;
    const auto* number = value.number();
    const bool after = number && number->boolValue();
    setOn(after);
    if (after != before) _invokeTargetAction();
}

std::vector<std::string> ITSwitch::accessibilityActionNames() {
    static const std::vector<std::string> names = [this] {
        std::vector<std::string> list = Control::accessibilityActionNames();
        if (std::find(list.begin(), list.end(), kPressAction) == list.end()) list.push_back(kPressAction);
        return list;
    }();
    return names;
}

void ITSwitch::accessibilityPerformAction(const std::string& action) {
    if (action != kPressAction) return Control::accessibilityPerformAction(action);
    setOn(!on_);
    _invokeTargetAction();
}

}  // namespace kestrune
