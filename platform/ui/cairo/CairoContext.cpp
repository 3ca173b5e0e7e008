#include "platform/ui/cairo/CairoContext.h"

#include <algorithm>
#include <cmath>

namespace platform::ui {

void CairoContext::saveGState() {
    stack_.push_back(state_);
    cairo_save(cr_);
}

void CairoContext::restoreGState() {
    if (stack_.empty()) return;
    state_ = stack_.back();
    stack_.pop_back();
    cairo_restore(cr_);
}

void CairoContext::beginTransparencyLayer() {
    layers_.push_back(state_);
    state_.alpha = 1;
    state_.op = CompositingOperation::SourceOver;
    state_.shadow.reset();
    cairo_push_group(cr_);
}

void CairoContext::endTransparencyLayer() {
    if (layers_.empty()) return;
    state_ = layers_.back();
    layers_.pop_back();
    cairo_pop_group_to_source(cr_);
    cairo_save(cr_);
    cairo_set_operator(cr_, cairoOperator(state_.op));
    cairo_paint_with_alpha(cr_, state_.alpha);
    cairo_restore(cr_);
}

void CairoContext::concatCTM(const AffineTransform& t) {
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr_, &m);
}

void CairoContext::appendPath(cairo_t* cr, const BezierPath& path) {
    cairo_new_path(cr);
    for (const auto& e : path.elements()) {
        switch (e.kind) {
            case BezierPath::Kind::MoveTo:
                cairo_move_to(cr, e.points[0].x, e.points[0].y);
                break;
            case BezierPath::Kind::LineTo:
                cairo_line_to(cr, e.points[0].x, e.points[0].y);
                break;
            case BezierPath::Kind::CurveTo:
                cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                               e.points[2].y);
                break;
            case BezierPath::Kind::Close:
                cairo_close_path(cr);
                break;
        }
    }
}

void CairoContext::setSource(cairo_t* cr, const Color& color, double alpha) {
    if (color.space() == Color::Space::Pattern && color.patternImage() && color.patternImage()->bitmap()) {
        cairo_surface_t* surface = surfaceFor(*color.patternImage()->bitmap());
        cairo_pattern_t* pattern = cairo_pattern_create_for_surface(surface);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
        cairo_set_source(cr, pattern);
        cairo_pattern_destroy(pattern);
        cairo_surface_destroy(surface);
        return;
    }
    cairo_set_source_rgba(cr, color.redComponent(), color.greenComponent(), color.blueComponent(),
                          color.alphaComponent() * alpha);
}

cairo_operator_t CairoContext::cairoOperator(CompositingOperation op) {
    switch (op) {
        case CompositingOperation::Clear:
            return CAIRO_OPERATOR_CLEAR;
        case CompositingOperation::Copy:
            return CAIRO_OPERATOR_SOURCE;
        case CompositingOperation::SourceOver:
            return CAIRO_OPERATOR_OVER;
        case CompositingOperation::SourceIn:
            return CAIRO_OPERATOR_IN;
        case CompositingOperation::SourceOut:
            return CAIRO_OPERATOR_OUT;
        case CompositingOperation::SourceAtop:
            return CAIRO_OPERATOR_ATOP;
        case CompositingOperation::DestinationOver:
            return CAIRO_OPERATOR_DEST_OVER;
        case CompositingOperation::DestinationIn:
            return CAIRO_OPERATOR_DEST_IN;
        case CompositingOperation::DestinationOut:
            return CAIRO_OPERATOR_DEST_OUT;
        case CompositingOperation::DestinationAtop:
            return CAIRO_OPERATOR_DEST_ATOP;
        case CompositingOperation::Xor:
            return CAIRO_OPERATOR_XOR;
        case CompositingOperation::PlusLighter:
            return CAIRO_OPERATOR_ADD;
        case CompositingOperation::PlusDarker:
            // Cairo has no darkening sum; the darker of the two is the nearest it offers.
            return CAIRO_OPERATOR_DARKEN;
    }
    return CAIRO_OPERATOR_OVER;
}

bool CairoContext::userSpaceIsYUp(cairo_t* cr) {
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    return m.xx * m.yy - m.xy * m.yx < 0;
}

cairo_surface_t* CairoContext::surfaceFor(const Bitmap& bitmap) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < bitmap.height; ++y)
        std::copy_n(bitmap.pixels.data() + static_cast<size_t>(y) * bitmap.width, bitmap.width,
                    reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride));
    cairo_surface_mark_dirty(surface);
    return surface;
}

void CairoContext::drawShadowOf(cairo_t* cr, const BezierPath& path, const Shadow& shadow, bool fill,
                                double lineWidth) {
    // No blur filter here: the shadow is the shape, offset, with a soft edge made of wider, fainter strokes.
    const Color color = shadow.effectiveColor();
    cairo_save(cr);
    const double dy = userSpaceIsYUp(cr) ? shadow.shadowOffset.height : -shadow.shadowOffset.height;
    cairo_translate(cr, shadow.shadowOffset.width, dy);
    appendPath(cr, path);
    const double r = shadow.shadowBlurRadius;
    if (r > 0) {
        for (int i = 3; i >= 1; --i) {
            setSource(cr, color, 0.25);
            cairo_set_line_width(cr, (fill ? 0 : lineWidth) + r * i / 1.5);
            cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
            cairo_stroke_preserve(cr);
        }
    }
    setSource(cr, color, r > 0 ? 0.6 : 1);
    if (fill)
        cairo_fill(cr);
    else {
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void CairoContext::clipToPath(const BezierPath& path) {
    appendPath(cr_, path);
    cairo_clip(cr_);
}

void CairoContext::fillPath(const BezierPath& path) {
    if (state_.shadow) drawShadowOf(cr_, path, *state_.shadow, true, 0);
    cairo_save(cr_);
    cairo_set_operator(cr_, cairoOperator(state_.op));
    setSource(cr_, state_.fill, state_.alpha);
    appendPath(cr_, path);
    cairo_fill(cr_);
    cairo_restore(cr_);
}

void CairoContext::strokePath(const BezierPath& path) {
    if (state_.shadow) drawShadowOf(cr_, path, *state_.shadow, false, path.lineWidth());
    cairo_save(cr_);
    cairo_set_operator(cr_, cairoOperator(state_.op));
    setSource(cr_, state_.stroke, state_.alpha);
    appendPath(cr_, path);
    cairo_set_line_width(cr_, path.lineWidth());
    cairo_stroke(cr_);
    cairo_restore(cr_);
}

void CairoContext::drawLinearGradient(const Gradient& gradient, const BezierPath& path, double angle) {
    if (gradient.stops.empty()) return;
    const Rect b = path.bounds();
    const double radians = angle * M_PI / 180;
    double dx = std::cos(radians), dy = std::sin(radians);
    const double half = (std::abs(b.width() * dx) + std::abs(b.height() * dy)) / 2;
    cairo_pattern_t* pattern = cairo_pattern_create_linear(b.midX() - dx * half, b.midY() - dy * half,
                                                           b.midX() + dx * half, b.midY() + dy * half);
    for (const auto& [location, color] : gradient.stops)
        cairo_pattern_add_color_stop_rgba(pattern, location, color.redComponent(), color.greenComponent(),
                                          color.blueComponent(), color.alphaComponent() * state_.alpha);
    cairo_save(cr_);
    appendPath(cr_, path);
    cairo_set_source(cr_, pattern);
    cairo_fill(cr_);
    cairo_restore(cr_);
    cairo_pattern_destroy(pattern);
}

void CairoContext::paintImage(cairo_t* cr, const Image& image, Rect rect, Rect from, cairo_operator_t op,
                              double alpha) {
    if (!image.bitmap() || rect.isEmpty()) return;
    const Bitmap& bitmap = *image.bitmap();
    if (bitmap.width == 0 || bitmap.height == 0) return;
    // The source part in pixels (points × the bitmap's pixels per point); empty means all of it.
    const double px = bitmap.width / std::max(1e-9, image.size().width);
    const double py = bitmap.height / std::max(1e-9, image.size().height);
    Rect source = from.isEmpty()
                      ? Rect{0, 0, static_cast<double>(bitmap.width), static_cast<double>(bitmap.height)}
                      : Rect{from.minX() * px, (image.size().height - from.maxY()) * py, from.width() * px,
                             from.height() * py};
    cairo_surface_t* surface = surfaceFor(bitmap);
    cairo_save(cr);
    // Images are drawn upright whatever the orientation of user space.
    const bool yUp = userSpaceIsYUp(cr);
    cairo_translate(cr, rect.minX(), yUp ? rect.maxY() : rect.minY());
    if (yUp) cairo_scale(cr, 1, -1);
    cairo_rectangle(cr, 0, 0, rect.width(), rect.height());
    cairo_clip(cr);
    cairo_scale(cr, rect.width() / source.width(), rect.height() / source.height());
    cairo_set_source_surface(cr, surface, -source.minX(), -source.minY());
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_set_operator(cr, op);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
    cairo_surface_destroy(surface);
}

void CairoContext::drawImage(const Image& image, Rect rect, Rect from, CompositingOperation op,
                             double fraction) {
    paintImage(cr_, image, rect, from, cairoOperator(op), fraction * state_.alpha);
}

void CairoContext::drawText(const AttributedString& text, Rect rect) {
    drawPangoText(cr_, text, rect, state_.alpha);
}

}  // namespace platform::ui
