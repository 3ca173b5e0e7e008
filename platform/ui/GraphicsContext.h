#pragma once

#include <functional>
#include <optional>

#include "platform/ui/AttributedString.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/Color.h"
#include "platform/ui/Geometry.h"
#include "platform/ui/Image.h"
#include "platform/ui/TextAttributes.h"

namespace platform::ui {

// Where views draw. A view's drawRect draws into the current context, whose user space is the view's
// bounds (flipped when the view is). Backends: the recording context (display lists) and the
// renderer's pixel context.
class GraphicsContext {
public:
    virtual ~GraphicsContext() = default;

    static GraphicsContext* current();
    // Makes a context current for a scope, restoring the previous one after.
    class Scope {
    public:
        explicit Scope(GraphicsContext* context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        GraphicsContext* previous_;
    };

    virtual bool isFlipped() const = 0;
    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;
    virtual void concatCTM(const AffineTransform& transform) = 0;
    virtual void clipToPath(const BezierPath& path) = 0;
    void clipToRect(Rect rect) { clipToPath(BezierPath::bezierPathWithRect(rect)); }

    virtual void setFillColor(const Color& color) = 0;
    virtual void setStrokeColor(const Color& color) = 0;
    void setColor(const Color& color) { setFillColor(color), setStrokeColor(color); }
    virtual void setShadow(const std::optional<Shadow>& shadow) = 0;
    virtual void setCompositingOperation(CompositingOperation op) = 0;
    // The opacity of everything drawn after (0..1).
    virtual void setAlpha(double alpha) = 0;
    // Drawing between begin and end goes onto a clear layer of its own (alpha 1, source-over inside),
    // which is then composited as one with the alpha and operation in force at the begin.
    virtual void beginTransparencyLayer() = 0;
    virtual void endTransparencyLayer() = 0;

    virtual void fillPath(const BezierPath& path) = 0;
    virtual void strokePath(const BezierPath& path) = 0;
    void fillRect(Rect rect) { fillPath(BezierPath::bezierPathWithRect(rect)); }
    // A linear gradient clipped to the path, at `angle` degrees (0: left to right, 90: bottom to top).
    virtual void drawLinearGradient(const Gradient& gradient, const BezierPath& path, double angle) = 0;
    // The image's `from` part (empty: all of it) into `rect`.
    virtual void drawImage(const Image& image, Rect rect, Rect from, CompositingOperation op,
                           double fraction) = 0;
    virtual void drawText(const AttributedString& text, Rect rect) = 0;
    // The keyboard focus ring around a shape: what `drawMask` fills is the shape (its colours do not
    // count; drawing outside `maskBounds` may be cut), and the ring is drawn just outside it in the colour.
    virtual void drawFocusRing(Rect maskBounds, const std::function<void()>& drawMask,
                               const Color& color) = 0;
    // How far the platform's focus ring reaches outside its shape, in points.
    static constexpr double kFocusRingWidth = 3;
};

}  // namespace platform::ui
