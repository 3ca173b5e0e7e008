#include "platform/ui/Layer.h"

#include <algorithm>

#include "platform/base/Clock.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Transaction.h"

namespace platform::ui {

std::shared_ptr<Layer> Layer::layer() {
    return std::make_shared<Layer>();
}

Layer::Layer() = default;
Layer::~Layer() = default;

void Layer::didChange(const std::string& key, AnimatableValue from, AnimatableValue to) {
    if (from == to || Transaction::disableActions()) return;
    std::shared_ptr<Animation> action;
    bool decided = false;
    if (auto d = delegate()) {
        LayerAction answer = d->actionForLayer_forKey(*this, key);
        if (answer.kind == LayerAction::Kind::None) return;
        if (answer.kind == LayerAction::Kind::Animation) action = answer.animation, decided = true;
    }
    if (!decided) {
        if (auto it = actions.find(key); it != actions.end()) {
            if (!it->second) return;  // an entry of none turns the key's animation off
            action = it->second;
            decided = true;
        }
    }
    if (!decided) {
        auto basic = BasicAnimation::animationWithKeyPath(key);
        if (viewBacking_) {
            // A view's own layer follows its view: it animates only inside an animation group.
            auto* group = AnimationContext::currentContext();
            if (!group) return;
            basic->duration = group->duration();
            basic->timingFunction = group->timingFunction();
        } else {
            basic->duration = Transaction::animationDuration();
            basic->timingFunction = Transaction::animationTimingFunction();
        }
        action = basic;
    }
    if (!action) return;
    std::shared_ptr<Animation> added;
    if (auto basic = std::dynamic_pointer_cast<BasicAnimation>(action)) {
        auto copy = std::make_shared<BasicAnimation>(*basic);
        if (std::holds_alternative<std::monostate>(copy->fromValue)) copy->fromValue = from;
        if (std::holds_alternative<std::monostate>(copy->toValue)) copy->toValue = to;
        added = copy;
    } else {
        added = std::make_shared<Animation>(*action);
    }
    if (added->keyPath.empty()) added->keyPath = key;
    addAnimation_forKey(added, key);
}

void Layer::setBounds(Rect bounds) {
    const Rect old = bounds_;
    bounds_ = bounds;
    if (old.size != bounds.size) {
        resizeSublayers(old.size);
        if (needsDisplayOnBoundsChange_) setNeedsDisplay();
    }
    didChange("bounds", old, bounds);
}

void Layer::setPosition(Point position) {
    const Point old = position_;
    position_ = position;
    didChange("position", old, position);
}

void Layer::setAnchorPoint(Point anchor) {
    const Point old = anchor_;
    anchor_ = anchor;
    didChange("anchorPoint", old, anchor);
}

Rect Layer::frame() const {
    return {position_.x - anchor_.x * bounds_.width(), position_.y - anchor_.y * bounds_.height(),
            bounds_.width(), bounds_.height()};
}

void Layer::setFrame(Rect frame) {
    setPosition({frame.minX() + anchor_.x * frame.width(), frame.minY() + anchor_.y * frame.height()});
    setBounds({bounds_.origin, frame.size});
}

void Layer::setAffineTransform(const AffineTransform& t) {
    const AffineTransform old = transform_;
    transform_ = t;
    didChange("transform", old, t);
}

void Layer::setOpacity(double opacity) {
    const double old = opacity_;
    opacity_ = std::clamp(opacity, 0.0, 1.0);
    didChange("opacity", old, opacity_);
}

void Layer::setHidden(bool hidden) {
    const bool old = hidden_;
    hidden_ = hidden;
    didChange("hidden", old ? 1.0 : 0.0, hidden ? 1.0 : 0.0);
}

namespace {
AnimatableValue colorValue(const std::optional<Color>& c) {
    return c ? AnimatableValue(*c) : AnimatableValue(std::monostate{});
}
}  // namespace

void Layer::setBackgroundColor(std::optional<Color> color) {
    auto old = colorValue(backgroundColor_);
    backgroundColor_ = std::move(color);
    didChange("backgroundColor", old, colorValue(backgroundColor_));
}

void Layer::setBorderColor(std::optional<Color> color) {
    auto old = colorValue(borderColor_);
    borderColor_ = std::move(color);
    didChange("borderColor", old, colorValue(borderColor_));
}

void Layer::setBorderWidth(double width) {
    const double old = borderWidth_;
    borderWidth_ = width;
    didChange("borderWidth", old, width);
}

void Layer::setCornerRadius(double radius) {
    const double old = cornerRadius_;
    cornerRadius_ = radius;
    didChange("cornerRadius", old, radius);
}

void Layer::setShadowColor(std::optional<Color> color) {
    auto old = colorValue(shadowColor_);
    shadowColor_ = std::move(color);
    didChange("shadowColor", old, colorValue(shadowColor_));
}

void Layer::setShadowOffset(Size offset) {
    const Size old = shadowOffset_;
    shadowOffset_ = offset;
    didChange("shadowOffset", old, offset);
}

void Layer::setShadowRadius(double radius) {
    const double old = shadowRadius_;
    shadowRadius_ = radius;
    didChange("shadowRadius", old, radius);
}

void Layer::setShadowOpacity(double opacity) {
    const double old = shadowOpacity_;
    shadowOpacity_ = std::clamp(opacity, 0.0, 1.0);
    didChange("shadowOpacity", old, shadowOpacity_);
}

void Layer::setContents(std::shared_ptr<Image> image) {
    contents_ = std::move(image);
}

void Layer::resizeSublayers(Size old) {
    const double dw = bounds_.width() - old.width, dh = bounds_.height() - old.height;
    for (const auto& sub : sublayers_) {
        const unsigned m = sub->autoresizingMask_;
        if (m == 0) continue;
        Rect f = sub->frame();
        auto share = [](double delta, bool a, bool b, bool c) {
            const int parts = int(a) + int(b) + int(c);
            return parts == 0 ? 0.0 : delta / parts;
        };
        const double xs = share(dw, m & kLayerMinXMargin, m & kLayerWidthSizable, m & kLayerMaxXMargin);
        const double ys = share(dh, m & kLayerMinYMargin, m & kLayerHeightSizable, m & kLayerMaxYMargin);
        if (m & kLayerMinXMargin) f.origin.x += xs;
        if (m & kLayerWidthSizable) f.size.width += xs;
        if (m & kLayerMinYMargin) f.origin.y += ys;
        if (m & kLayerHeightSizable) f.size.height += ys;
        sub->setFrame(f);
    }
}

void Layer::addSublayer(const std::shared_ptr<Layer>& layer) {
    insertSublayer_atIndex(layer, sublayers_.size());
}

void Layer::insertSublayer_atIndex(const std::shared_ptr<Layer>& layer, size_t index) {
    if (!layer || layer.get() == this) return;
    auto keep = layer;
    keep->removeFromSuperlayer();
    index = std::min(index, sublayers_.size());
    sublayers_.insert(sublayers_.begin() + index, keep);
    keep->superlayer_ = std::static_pointer_cast<Layer>(shared_from_this());
}

void Layer::removeFromSuperlayer() {
    auto parent = superlayer_.lock();
    superlayer_.reset();
    if (!parent) return;
    auto& list = parent->sublayers_;
    list.erase(std::remove_if(list.begin(), list.end(), [this](const auto& l) { return l.get() == this; }),
               list.end());
}

void Layer::addAnimation_forKey(std::shared_ptr<Animation> animation, const std::string& key) {
    if (!animation) return;
    auto copy = std::dynamic_pointer_cast<BasicAnimation>(animation)
                    ? std::shared_ptr<Animation>(std::make_shared<BasicAnimation>(
                          *std::static_pointer_cast<BasicAnimation>(animation)))
                    : std::make_shared<Animation>(*animation);
    copy->beginTime = platform::Clock::now();
    removeAnimationForKey(key);
    animations_.emplace_back(key, copy);
    Transaction::noteAnimation(*copy);
}

std::shared_ptr<Animation> Layer::animationForKey(const std::string& key) const {
    const double now = platform::Clock::now();
    for (const auto& [k, a] : animations_)
        if (k == key && (!a->removedOnCompletion || a->endTime() > now)) return a;
    return nullptr;
}

std::vector<std::string> Layer::animationKeys() const {
    const double now = platform::Clock::now();
    std::vector<std::string> keys;
    for (const auto& [k, a] : animations_)
        if (!a->removedOnCompletion || a->endTime() > now) keys.push_back(k);
    return keys;
}

void Layer::removeAnimationForKey(const std::string& key) {
    std::erase_if(animations_, [&](const auto& e) { return e.first == key; });
}

void Layer::removeAllAnimations() {
    animations_.clear();
}

void Layer::displayIfNeeded() {
    if (needsDisplay_) display();
}

void Layer::display() {
    needsDisplay_ = false;
    RecordingContext context(false);
    GraphicsContext::Scope scope(&context);
    drawInContext(context);
    displayList_ = context.takeDisplayList();
}

void Layer::drawInContext(GraphicsContext& context) {
    if (auto d = delegate()) d->drawLayer_inContext(*this, context);
}

Point Layer::toRoot(Point p) const {
    for (const Layer* l = this; l; l = l->superlayer_.lock().get()) {
        const Rect f = l->frame();
        p = {p.x - l->bounds_.minX() + f.minX(), p.y - l->bounds_.minY() + f.minY()};
        if (!l->superlayer_.lock()) break;
    }
    return p;
}

Point Layer::fromRoot(Point p) const {
    std::vector<const Layer*> chain;
    for (auto l = std::static_pointer_cast<const Layer>(shared_from_this()); l; l = l->superlayer_.lock())
        chain.push_back(l.get());
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Rect f = (*it)->frame();
        p = {p.x - f.minX() + (*it)->bounds_.minX(), p.y - f.minY() + (*it)->bounds_.minY()};
    }
    return p;
}

Point Layer::convertPoint_toLayer(Point p, const Layer* layer) const {
    const Point root = toRoot(p);
    return layer ? layer->fromRoot(root) : root;
}

Point Layer::convertPoint_fromLayer(Point p, const Layer* layer) const {
    return fromRoot(layer ? layer->toRoot(p) : p);
}

std::shared_ptr<Layer> Layer::hitTest(Point p) {
    if (hidden_ || opacity_ <= 0) return nullptr;
    const Rect f = frame();
    const Point local{p.x - f.minX() + bounds_.minX(), p.y - f.minY() + bounds_.minY()};
    if (!bounds_.contains(local)) return nullptr;
    for (auto it = sublayers_.rbegin(); it != sublayers_.rend(); ++it)
        if (auto hit = (*it)->hitTest(local)) return hit;
    return std::static_pointer_cast<Layer>(shared_from_this());
}

std::shared_ptr<TextLayer> TextLayer::layer() {
    return std::make_shared<TextLayer>();
}

void TextLayer::setString(std::string text) {
    string_ = std::move(text);
    setNeedsDisplay();
}

void TextLayer::setFontSize(double size) {
    const double old = fontSize_;
    fontSize_ = size;
    setNeedsDisplay();
    didChange("fontSize", old, size);
}

void TextLayer::setForegroundColor(std::optional<Color> color) {
    foregroundColor_ = std::move(color);
    setNeedsDisplay();
}

void TextLayer::drawInContext(GraphicsContext& context) {
    if (string_.empty()) return;
    ParagraphStyle style;
    if (alignmentMode_ == "center")
        style.alignment = TextAlignment::Center;
    else if (alignmentMode_ == "right")
        style.alignment = TextAlignment::Right;
    else if (alignmentMode_ == "left")
        style.alignment = TextAlignment::Left;
    TextAttributes a;
    a.font = Font::fontWithName_size(fontName_, fontSize_);
    a.foregroundColor = foregroundColor_.value_or(Color::whiteColor());
    a.paragraphStyle = style;
    context.drawText(AttributedString(string_, a), bounds());
}

}  // namespace platform::ui
