#pragma once

#include <cairo.h>

#include <functional>
#include <optional>
#include <vector>

#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

// The graphics context over a Cairo surface (this folder only).
class CairoContext : public GraphicsContext {
public:
    CairoContext(cairo_t* cr, bool flipped) : cr_(cr), flipped_(flipped) {}

    cairo_t* cairo() const { return cr_; }
    bool isFlipped() const override { return flipped_; }
    void saveGState() override;
    void restoreGState() override;
    void concatCTM(const AffineTransform& t) override;
    void clipToPath(const BezierPath& path) override;
    void setFillColor(const Color& color) override { state_.fill = color; }
    void setStrokeColor(const Color& color) override { state_.stroke = color; }
    void setShadow(const std::optional<Shadow>& shadow) override { state_.shadow = shadow; }
    void setCompositingOperation(CompositingOperation op) override { state_.op = op; }
    void setAlpha(double alpha) override { state_.alpha = alpha; }
    void beginTransparencyLayer() override;
    void endTransparencyLayer() override;
    void fillPath(const BezierPath& path) override;
    void strokePath(const BezierPath& path) override;
    void drawLinearGradient(const Gradient& gradient, const BezierPath& path, double angle) override;
    void drawImage(const Image& image, Rect rect, Rect from, CompositingOperation op,
                   double fraction) override;
    void drawText(const AttributedString& text, Rect rect) override;
    void drawFocusRing(Rect maskBounds, const std::function<void()>& drawMask, const Color& color) override;

    // Shared helpers of this folder.
    static void appendPath(cairo_t* cr, const BezierPath& path);
    static void setSource(cairo_t* cr, const Color& color, double alpha);
    static cairo_operator_t cairoOperator(CompositingOperation op);
    // Whether user space has y growing upward on the device.
    static bool userSpaceIsYUp(cairo_t* cr);
    static cairo_surface_t* surfaceFor(const Bitmap& bitmap);
    static void paintImage(cairo_t* cr, const Image& image, Rect rect, Rect from, cairo_operator_t op,
                           double alpha);
    static void drawShadowOf(cairo_t* cr, const BezierPath& path, const Shadow& shadow, bool fill,
                             double lineWidth);
    // The shadow of whatever `paintShape` draws (within `extent`, in user space): its coverage, offset,
    // blurred and painted in the shadow's colour. `paintShape` gets a context with the same user space.
    static void paintShadow(cairo_t* cr, const Shadow& shadow, Rect extent,
                            const std::function<void(cairo_t*)>& paintShape);

private:
    struct State {
        Color fill = Color::blackColor();
        Color stroke = Color::blackColor();
        std::optional<Shadow> shadow;
        CompositingOperation op = CompositingOperation::SourceOver;
        double alpha = 1;
    };
    cairo_t* cr_;
    bool flipped_;
    State state_;
    std::vector<State> stack_;
    std::vector<State> layers_;
};

// Text through Pango onto a Cairo context, top-down from the rectangle's top edge. Each run casts its own
// shadow, or the context's when it has none.
void drawPangoText(cairo_t* cr, const AttributedString& text, Rect rect, double alpha,
                   const std::optional<Shadow>& contextShadow = std::nullopt);

}  // namespace platform::ui
