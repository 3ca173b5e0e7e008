#include "platform/ui/cairo/CairoContext.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

namespace {
// One box-blur pass of the given radius along rows (or columns) of an 8-bit mask, outside counted as 0.
void boxBlurA8(unsigned char* data, int width, int height, int stride, int radius, bool alongRows) {
    const int lines = alongRows ? height : width, length = alongRows ? width : height;
    const int step = alongRows ? 1 : stride, lineStep = alongRows ? stride : 1;
    const int window = 2 * radius + 1;
    std::vector<unsigned char> line(static_cast<size_t>(length));
    for (int l = 0; l < lines; ++l) {
        unsigned char* first = data + static_cast<ptrdiff_t>(l) * lineStep;
        for (int i = 0; i < length; ++i)
            line[static_cast<size_t>(i)] = first[static_cast<ptrdiff_t>(i) * step];
        int sum = 0;
        for (int i = 0; i < std::min(radius, length); ++i) sum += line[static_cast<size_t>(i)];
        for (int i = 0; i < length; ++i) {
            if (i + radius < length) sum += line[static_cast<size_t>(i + radius)];
            if (i - radius - 1 >= 0) sum -= line[static_cast<size_t>(i - radius - 1)];
            first[static_cast<ptrdiff_t>(i) * step] = static_cast<unsigned char>((sum + window / 2) / window);
        }
    }
}

// A drawing into a mask whose pixel (0, 0) is the device's pixel (ox, oy), under the device's matrix m.
cairo_t* maskDrawing(cairo_surface_t* mask, cairo_matrix_t m, int ox, int oy) {
    cairo_t* mc = cairo_create(mask);
    m.x0 -= ox;
    m.y0 -= oy;
    cairo_set_matrix(mc, &m);
    return mc;
}

// Three box blurs in each direction come close to a Gaussian of deviation sigma (in pixels).
void gaussianBlurA8(cairo_surface_t* mask, double sigma) {
    const int radius = static_cast<int>(std::lround((std::sqrt(4 * sigma * sigma + 1) - 1) / 2));
    if (radius < 1) return;
    cairo_surface_flush(mask);
    unsigned char* data = cairo_image_surface_get_data(mask);
    const int width = cairo_image_surface_get_width(mask), height = cairo_image_surface_get_height(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    for (int pass = 0; pass < 3; ++pass) {
        boxBlurA8(data, width, height, stride, radius, true);
        boxBlurA8(data, width, height, stride, radius, false);
    }
    cairo_surface_mark_dirty(mask);
}
// A rectangle's extent on the device: the bounds of its four corners under the current transform.
struct DeviceBox {
    double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
};
DeviceBox deviceBox(cairo_t* cr, Rect rect) {
    DeviceBox box;
    for (auto [x, y] : {std::pair{rect.minX(), rect.minY()},
                        {rect.maxX(), rect.minY()},
                        {rect.minX(), rect.maxY()},
                        {rect.maxX(), rect.maxY()}}) {
        cairo_user_to_device(cr, &x, &y);
        box.left = std::min(box.left, x), box.right = std::max(box.right, x);
        box.top = std::min(box.top, y), box.bottom = std::max(box.bottom, y);
    }
    return box;
}

}  // namespace

void CairoContext::drawShadowOf(cairo_t* cr, const BezierPath& path, const Shadow& shadow, bool fill,
                                double lineWidth) {
    // The shape's extent in user space, stroke included.
    cairo_save(cr);
    appendPath(cr, path);
    double x1, y1, x2, y2;
    if (fill) {
        cairo_fill_extents(cr, &x1, &y1, &x2, &y2);
    } else {
        cairo_set_line_width(cr, lineWidth);
        cairo_stroke_extents(cr, &x1, &y1, &x2, &y2);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
    paintShadow(cr, shadow, {x1, y1, x2 - x1, y2 - y1}, [&](cairo_t* target) {
        appendPath(target, path);
        if (fill) {
            cairo_fill(target);
        } else {
            cairo_set_line_width(target, lineWidth);
            cairo_stroke(target);
        }
    });
}

void CairoContext::paintShadow(cairo_t* cr, const Shadow& shadow, Rect extent,
                               const std::function<void(cairo_t*)>& paintShape) {
    const Color color = shadow.effectiveColor();
    if (color.alphaComponent() <= 0) return;
    cairo_save(cr);
    const double dy = userSpaceIsYUp(cr) ? shadow.shadowOffset.height : -shadow.shadowOffset.height;
    cairo_translate(cr, shadow.shadowOffset.width, dy);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    // The blur radius is in points; the shadow is blurred in device pixels. As with the platform's
    // shadows, the Gaussian's deviation is half the blur radius.
    const double sigma = shadow.shadowBlurRadius / 2 * std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
    // The shape in the shadow's colour (its own colours count only by their coverage).
    auto paintMask = [&](cairo_t* target, cairo_surface_t* mask, int ox, int oy) {
        setSource(target, color, 1);
        cairo_mask_surface(target, mask, ox, oy);
    };
    // The shape's extent on the device, grown by the blur's reach and kept to what can be seen.
    const auto [left, top, right, bottom] = deviceBox(cr, extent);
    const double reach = sigma < 0.5 ? 1 : std::ceil(3 * sigma) + 1;
    cairo_identity_matrix(cr);
    double cx1, cy1, cx2, cy2;
    cairo_clip_extents(cr, &cx1, &cy1, &cx2, &cy2);
    const int ox = static_cast<int>(std::floor(std::max(left - reach, cx1 - reach)));
    const int oy = static_cast<int>(std::floor(std::max(top - reach, cy1 - reach)));
    const int width = static_cast<int>(std::ceil(std::min(right + reach, cx2 + reach))) - ox;
    const int height = static_cast<int>(std::ceil(std::min(bottom + reach, cy2 + reach))) - oy;
    if (width > 0 && height > 0) {
        cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
        cairo_t* mc = maskDrawing(mask, m, ox, oy);
        paintShape(mc);
        cairo_destroy(mc);
        if (sigma >= 0.5) gaussianBlurA8(mask, sigma);
        paintMask(cr, mask, ox, oy);
        cairo_surface_destroy(mask);
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

void CairoContext::drawFocusRing(Rect maskBounds, const std::function<void()>& drawMask, const Color& color) {
    if (!drawMask || maskBounds.isEmpty()) return;
    // The mask's coverage in device pixels, over its bounds on the device grown by the ring.
    cairo_matrix_t m;
    cairo_get_matrix(cr_, &m);
    const double scale = std::sqrt(std::abs(m.xx * m.yy - m.xy * m.yx));
    const double ringPixels = kFocusRingWidth * scale;
    const int reach = static_cast<int>(std::ceil(ringPixels)) + 1;
    const auto [left, top, right, bottom] = deviceBox(cr_, maskBounds);
    const int ox = static_cast<int>(std::floor(left)) - reach, oy = static_cast<int>(std::floor(top)) - reach;
    const int width = static_cast<int>(std::ceil(right)) + reach - ox;
    const int height = static_cast<int>(std::ceil(bottom)) + reach - oy;
    if (width <= 0 || height <= 0 || static_cast<long>(width) * height > 16L * 1024 * 1024) return;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    {
        cairo_t* mc = maskDrawing(mask, m, ox, oy);
        // The mask's drawing goes through a context of its own, so that its fills land in the mask.
        CairoContext maskContext(mc, flipped_);
        GraphicsContext::Scope scope(&maskContext);
        drawMask();
        cairo_destroy(mc);
    }
    cairo_surface_flush(mask);
    const unsigned char* shape = cairo_image_surface_get_data(mask);
    const int stride = cairo_image_surface_get_stride(mask);
    // The ring: the shape grown by the ring's width (a disc's reach, its edge smoothed by the fraction of
    // a pixel it covers), less the shape itself.
    cairo_surface_t* ring = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    cairo_surface_flush(ring);
    unsigned char* out = cairo_image_surface_get_data(ring);
    std::vector<std::pair<std::pair<int, int>, double>> disc;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx) {
            const double weight = std::clamp(ringPixels + 0.5 - std::hypot(dx, dy), 0.0, 1.0);
            if (weight > 0) disc.push_back({{dx, dy}, weight});
        }
    bool any = false;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int own = shape[static_cast<ptrdiff_t>(y) * stride + x];
            if (own == 255) continue;
            double grown = own;
            for (const auto& [offset, weight] : disc) {
                const int sx = x + offset.first, sy = y + offset.second;
                if (sx < 0 || sy < 0 || sx >= width || sy >= height) continue;
                grown = std::max(grown, shape[static_cast<ptrdiff_t>(sy) * stride + sx] * weight);
                if (grown >= 255) break;
            }
            const double value = grown - own;
            if (value > 0) any = true;
            out[static_cast<ptrdiff_t>(y) * stride + x] = static_cast<unsigned char>(std::lround(value));
        }
    cairo_surface_mark_dirty(ring);
    if (any) {
        cairo_save(cr_);
        cairo_identity_matrix(cr_);
        setSource(cr_, color, state_.alpha);
        cairo_mask_surface(cr_, ring, ox, oy);
        cairo_restore(cr_);
    }
    cairo_surface_destroy(ring);
    cairo_surface_destroy(mask);
}

void CairoContext::drawText(const AttributedString& text, Rect rect) {
    drawPangoText(cr_, text, rect, state_.alpha, state_.shadow);
}

}  // namespace platform::ui
