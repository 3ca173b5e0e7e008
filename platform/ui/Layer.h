#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"
#include "platform/ui/LayerAnimation.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

class Layer;
class GraphicsContext;

// What a delegate answers for a property change: go on looking (default), no animation (none), or its
// own animation.
struct LayerAction {
    enum class Kind { Default, None, Animation };
    Kind kind = Kind::Default;
    std::shared_ptr<Animation> animation;

    static LayerAction defaultAction() { return {}; }
    static LayerAction none() { return {Kind::None, nullptr}; }
    static LayerAction with(std::shared_ptr<Animation> a) { return {Kind::Animation, std::move(a)}; }
};

class LayerDelegate {
public:
    virtual ~LayerDelegate() = default;
    virtual LayerAction actionForLayer_forKey(Layer&, const std::string&) {
        return LayerAction::defaultAction();
    }
    virtual void drawLayer_inContext(Layer&, GraphicsContext&) {}
};

// Autoresizing of sublayers when the superlayer's bounds change size.
enum : unsigned {
    kLayerNotSizable = 0,
    kLayerMinXMargin = 1,
    kLayerWidthSizable = 2,
    kLayerMaxXMargin = 4,
    kLayerMinYMargin = 8,
    kLayerHeightSizable = 16,
    kLayerMaxYMargin = 32,
};

// A layer: model values only, set at once. A change outside disabled actions looks up an action (the
// delegate, then the `actions` map; then a view's own layer animates only inside an animation group,
// and any other layer takes a default animation from the current transaction) and adds it under the
// property's name, where tests can inspect it.
class Layer : public UIObject {
public:
    static std::shared_ptr<Layer> layer();
    Layer();
    ~Layer() override;

    Rect bounds() const { return bounds_; }
    void setBounds(Rect bounds);
    Point position() const { return position_; }
    void setPosition(Point position);
    Point anchorPoint() const { return anchor_; }
    void setAnchorPoint(Point anchor);
    Rect frame() const;
    void setFrame(Rect frame);
    double zPosition() const { return zPosition_; }
    void setZPosition(double z) { zPosition_ = z; }
    AffineTransform affineTransform() const { return transform_; }
    void setAffineTransform(const AffineTransform& t);

    double opacity() const { return opacity_; }
    void setOpacity(double opacity);
    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden);
    const std::optional<Color>& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(std::optional<Color> color);
    const std::optional<Color>& borderColor() const { return borderColor_; }
    void setBorderColor(std::optional<Color> color);
    double borderWidth() const { return borderWidth_; }
    void setBorderWidth(double width);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    bool masksToBounds() const { return masksToBounds_; }
    void setMasksToBounds(bool flag) { masksToBounds_ = flag; }
    const std::optional<Color>& shadowColor() const { return shadowColor_; }
    void setShadowColor(std::optional<Color> color);
    Size shadowOffset() const { return shadowOffset_; }
    void setShadowOffset(Size offset);
    double shadowRadius() const { return shadowRadius_; }
    void setShadowRadius(double radius);
    double shadowOpacity() const { return shadowOpacity_; }
    void setShadowOpacity(double opacity);
    const std::shared_ptr<Image>& contents() const { return contents_; }
    void setContents(std::shared_ptr<Image> image);
    double contentsScale() const { return contentsScale_; }
    void setContentsScale(double scale) { contentsScale_ = scale; }
    const std::string& contentsGravity() const { return contentsGravity_; }
    void setContentsGravity(std::string gravity) { contentsGravity_ = std::move(gravity); }
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }
    unsigned autoresizingMask() const { return autoresizingMask_; }
    void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }
    bool needsDisplayOnBoundsChange() const { return needsDisplayOnBoundsChange_; }
    void setNeedsDisplayOnBoundsChange(bool flag) { needsDisplayOnBoundsChange_ = flag; }
    const std::vector<Filter>& filters() const { return filters_; }
    void setFilters(std::vector<Filter> filters) { filters_ = std::move(filters); }
    const std::vector<Filter>& backgroundFilters() const { return backgroundFilters_; }
    void setBackgroundFilters(std::vector<Filter> filters) { backgroundFilters_ = std::move(filters); }

    // Tree.
    const std::vector<std::shared_ptr<Layer>>& sublayers() const { return sublayers_; }
    std::shared_ptr<Layer> superlayer() const { return superlayer_.lock(); }
    void addSublayer(const std::shared_ptr<Layer>& layer);
    void insertSublayer_atIndex(const std::shared_ptr<Layer>& layer, size_t index);
    void removeFromSuperlayer();

    std::shared_ptr<LayerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<LayerDelegate> delegate) { delegate_ = std::move(delegate); }
    // Per-key actions; a null entry means no animation for that key.
    std::map<std::string, std::shared_ptr<Animation>> actions;

    // Animations.
    void addAnimation_forKey(std::shared_ptr<Animation> animation, const std::string& key);
    std::shared_ptr<Animation> animationForKey(const std::string& key) const;
    // Keys of animations that have not ended (or are kept after their end).
    std::vector<std::string> animationKeys() const;
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();

    // Drawing: marks the layer; the display pass (or a renderer) calls drawInContext.
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    void displayIfNeeded();
    void display();
    virtual void drawInContext(GraphicsContext& context);
    // What the last display drew.
    const DisplayList& displayList() const { return displayList_; }

    // Geometry between layers; null means the root of this layer's tree.
    Point convertPoint_toLayer(Point p, const Layer* layer) const;
    Point convertPoint_fromLayer(Point p, const Layer* layer) const;
    // The deepest visible layer under a point of the superlayer's space.
    std::shared_ptr<Layer> hitTest(Point p);
    bool containsPoint(Point p) const { return bounds_.contains(p); }

    // Set on a view's own layer, whose changes animate only inside an animation group.
    bool isViewBacking() const { return viewBacking_; }
    void setViewBacking(bool flag) { viewBacking_ = flag; }

protected:
    // Every animatable change comes here after the value is stored.
    void didChange(const std::string& key, AnimatableValue from, AnimatableValue to);

private:
    Point toRoot(Point p) const;
    Point fromRoot(Point p) const;
    void resizeSublayers(Size oldSize);

    Rect bounds_;
    Point position_;
    Point anchor_{0.5, 0.5};
    double zPosition_ = 0;
    AffineTransform transform_;
    double opacity_ = 1;
    bool hidden_ = false;
    std::optional<Color> backgroundColor_;
    std::optional<Color> borderColor_ = Color::colorWithDeviceWhite_alpha(0, 1);
    double borderWidth_ = 0;
    double cornerRadius_ = 0;
    bool masksToBounds_ = false;
    std::optional<Color> shadowColor_ = Color::colorWithDeviceWhite_alpha(0, 1);
    Size shadowOffset_{0, -3};
    double shadowRadius_ = 3;
    double shadowOpacity_ = 0;
    std::shared_ptr<Image> contents_;
    double contentsScale_ = 1;
    std::string contentsGravity_ = "resize";
    std::string name_;
    unsigned autoresizingMask_ = 0;
    bool needsDisplayOnBoundsChange_ = false;
    std::vector<Filter> filters_;
    std::vector<Filter> backgroundFilters_;
    std::vector<std::shared_ptr<Layer>> sublayers_;
    std::weak_ptr<Layer> superlayer_;
    std::weak_ptr<LayerDelegate> delegate_;
    std::vector<std::pair<std::string, std::shared_ptr<Animation>>> animations_;
    bool needsDisplay_ = false;
    DisplayList displayList_;
    bool viewBacking_ = false;
};

// A layer that draws a string.
class TextLayer : public Layer {
public:
    static std::shared_ptr<TextLayer> layer();

    const std::string& string() const { return string_; }
    void setString(std::string text);
    const std::string& fontName() const { return fontName_; }
    void setFontName(std::string name) { fontName_ = std::move(name), setNeedsDisplay(); }
    double fontSize() const { return fontSize_; }
    void setFontSize(double size);
    const std::optional<Color>& foregroundColor() const { return foregroundColor_; }
    void setForegroundColor(std::optional<Color> color);
    // "natural", "left", "right", "center", "justified"
    const std::string& alignmentMode() const { return alignmentMode_; }
    void setAlignmentMode(std::string mode) { alignmentMode_ = std::move(mode), setNeedsDisplay(); }
    bool isWrapped() const { return wrapped_; }
    void setWrapped(bool flag) { wrapped_ = flag, setNeedsDisplay(); }

    void drawInContext(GraphicsContext& context) override;

private:
    std::string string_;
    std::string fontName_ = "Helvetica";
    double fontSize_ = 36;
    std::optional<Color> foregroundColor_ = Color::colorWithDeviceWhite_alpha(1, 1);
    std::string alignmentMode_ = "natural";
    bool wrapped_ = false;
};

}  // namespace platform::ui
