#include "platform/ui/cairo/CairoRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/ui/Screen.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowFrame.h"
#include "platform/ui/cairo/CairoContext.h"

namespace platform::ui {

// Fontconfig keeps its caches until the process ends; the leak checker is told they are not leaks.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace {
struct ReadState {
    const std::vector<uint8_t>* bytes;
    size_t offset;
};

cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
    auto* s = static_cast<ReadState*>(closure);
    if (s->offset + length > s->bytes->size()) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, s->bytes->data() + s->offset, length);
    s->offset += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t writeBytes(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::vector<uint8_t>*>(closure)->insert(static_cast<std::vector<uint8_t>*>(closure)->end(),
                                                        data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

Bitmap bitmapOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    Bitmap b;
    b.width = cairo_image_surface_get_width(surface);
    b.height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (stride == b.width * 4) {
        // Rows without padding: one copy, without first clearing a picture's worth of pixels.
        const auto* first = reinterpret_cast<const uint32_t*>(data);
        b.pixels.assign(first, first + static_cast<size_t>(b.width) * b.height);
        return b;
    }
    b.pixels.resize(static_cast<size_t>(b.width) * b.height);
    for (int y = 0; y < b.height; ++y)
        std::memcpy(b.pixels.data() + static_cast<size_t>(y) * b.width,
                    data + static_cast<size_t>(y) * stride, static_cast<size_t>(b.width) * 4);
    return b;
}

// Maps a child's own space into its parent's: the coordinate rules of views, as a Cairo transform.
void enterSubview(cairo_t* cr, const View& parent, const View& child) {
    const Rect f = child.frame(), b = child.bounds();
    if (child.frameRotation() != 0) {
        // The frame turns about its origin, counterclockwise in an unflipped parent.
        cairo_translate(cr, f.minX(), f.minY());
        cairo_rotate(cr, (parent.isFlipped() ? -1 : 1) * child.frameRotation() * M_PI / 180);
        cairo_translate(cr, -f.minX(), -f.minY());
    }
    if (parent.isFlipped() != child.isFlipped()) {
        cairo_translate(cr, f.minX() - b.minX(), f.maxY() + b.minY());
        cairo_scale(cr, 1, -1);
    } else {
        cairo_translate(cr, f.minX() - b.minX(), f.minY() - b.minY());
    }
}

BezierPath outline(Rect r, double radius) {
    return radius > 0 ? BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(r, radius, radius)
                      : BezierPath::bezierPathWithRect(r);
}

void drawLayerTree(cairo_t* cr, Layer& layer);

// A layer's look in its own space over `rect`: shadow, background, contents, its drawing, sublayers
// (clipped when it masks to bounds), border.
void drawLayerLook(cairo_t* cr, Layer& layer, Rect rect, const std::function<void()>& inside,
                   bool clipToRect) {
    const BezierPath shape = outline(rect, layer.cornerRadius());
    if (layer.shadowOpacity() > 0 && layer.shadowColor()) {
        Shadow s;
        s.shadowColor = layer.shadowColor()->colorWithAlphaComponent(layer.shadowColor()->alphaComponent() *
                                                                     layer.shadowOpacity());
        s.shadowOffset = layer.shadowOffset();
        // A layer's shadow radius is the deviation of its blur, half what a drawing shadow's blur
        // radius measures.
        s.shadowBlurRadius = 2 * layer.shadowRadius();
        CairoContext::drawShadowOf(cr, shape, s, true, 0);
    }
    if (layer.backgroundColor()) {
        CairoContext::setSource(cr, *layer.backgroundColor(), 1);
        CairoContext::appendPath(cr, shape);
        cairo_fill(cr);
    }
    cairo_save(cr);
    if (layer.masksToBounds()) {
        CairoContext::appendPath(cr, shape);
        cairo_clip(cr);
    } else if (clipToRect) {
        cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
        cairo_clip(cr);
    }
    if (layer.contents()) CairoContext::paintImage(cr, *layer.contents(), rect, {}, CAIRO_OPERATOR_OVER, 1);
    {
        CairoContext context(cr, false);
        GraphicsContext::Scope scope(&context);
        layer.drawInContext(context);
    }
    if (inside) inside();
    for (const auto& sub : layer.sublayers()) drawLayerTree(cr, *sub);
    cairo_restore(cr);
    if (layer.borderWidth() > 0 && layer.borderColor()) {
        const double w = layer.borderWidth();
        CairoContext::appendPath(
            cr, outline(rect.insetBy(w / 2, w / 2), std::max(0.0, layer.cornerRadius() - w / 2)));
        CairoContext::setSource(cr, *layer.borderColor(), 1);
        cairo_set_line_width(cr, w);
        cairo_stroke(cr);
    }
}

void drawLayerTree(cairo_t* cr, Layer& layer) {
    if (layer.isHidden() || layer.opacity() <= 0) return;
    cairo_save(cr);
    const Point position = layer.position();
    const Rect b = layer.bounds();
    cairo_translate(cr, position.x, position.y);
    const AffineTransform t = layer.affineTransform();
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(cr, &m);
    cairo_translate(cr, -layer.anchorPoint().x * b.width() - b.minX(),
                    -layer.anchorPoint().y * b.height() - b.minY());
    const bool group = layer.opacity() < 1;
    if (group) cairo_push_group(cr);
    drawLayerLook(cr, layer, b, {}, false);
    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, layer.opacity());
    }
    cairo_restore(cr);
}

void drawView(cairo_t* cr, View& view) {
    const auto layer = view.layer();
    const double opacity = layer ? layer->opacity() : view.alphaValue();
    if (view.isHidden() || (layer && layer->isHidden()) || opacity <= 0) return;
    cairo_save(cr);
    const Rect b = view.bounds();
    const bool group = opacity < 1;
    if (group) cairo_push_group(cr);
    auto contents = [&] {
        {
            CairoContext context(cr, view.isFlipped());
            GraphicsContext::Scope scope(&context);
            cairo_save(cr);
            view.drawRect(b);
            cairo_restore(cr);
        }
        for (const auto& sub : std::vector<std::shared_ptr<View>>(view.subviews())) {
            cairo_save(cr);
            enterSubview(cr, view, *sub);
            drawView(cr, *sub);
            cairo_restore(cr);
        }
    };
    // Views draw inside their bounds; a layer's shadow falls outside them.
    if (layer) {
        drawLayerLook(cr, *layer, b, contents, view.wantsDefaultClipping());
    } else {
        if (view.wantsDefaultClipping()) {
            cairo_rectangle(cr, b.minX(), b.minY(), b.width(), b.height());
            cairo_clip(cr);
        }
        contents();
    }
    if (group) {
        cairo_pop_group_to_source(cr);
        cairo_paint_with_alpha(cr, opacity);
    }
    cairo_restore(cr);
    // The focus ring lies just outside the view, where its own clipping does not reach.
    CairoContext context(cr, view.isFlipped());
    GraphicsContext::Scope scope(&context);
    view.drawFocusRingIfShown();
}
}  // namespace

std::optional<Bitmap> CairoRenderer::decodePNG(const std::vector<uint8_t>& bytes) {
    ReadState state{&bytes, 0};
    cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(readBytes, &state);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return std::nullopt;
    }
    // Whatever format the file had, pixels are kept as premultiplied ARGB.
    cairo_surface_t* argb = cairo_image_surface_create(
        CAIRO_FORMAT_ARGB32, cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface));
    cairo_t* cr = cairo_create(argb);
    cairo_set_source_surface(cr, surface, 0, 0);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    Bitmap b = bitmapOf(argb);
    cairo_surface_destroy(argb);
    return b;
}

std::optional<std::vector<uint8_t>> CairoRenderer::encodePNG(const Bitmap& bitmap) {
    if (bitmap.width <= 0 || bitmap.height <= 0) return std::nullopt;
    cairo_surface_t* surface = CairoContext::surfaceFor(bitmap);
    std::vector<uint8_t> out;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, writeBytes, &out);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) return std::nullopt;
    return out;
}

Bitmap CairoRenderer::renderView(View& view, Rect rect, double scale) {
    const int width = std::max(1, static_cast<int>(std::ceil(rect.width() * scale)));
    const int height = std::max(1, static_cast<int>(std::ceil(rect.height() * scale)));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    // The view's space, placed so that `rect` covers the picture.
    if (view.isFlipped()) {
        cairo_translate(cr, -rect.minX(), -rect.minY());
    } else {
        cairo_translate(cr, -rect.minX(), rect.maxY());
        cairo_scale(cr, 1, -1);
    }
    // A window's content view stands on the window's background.
    if (auto w = view.window(); w && w->contentView().get() == &view && w->isOpaque()) {
        CairoContext::setSource(cr, w->backgroundColor(), 1);
        cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
        cairo_fill(cr);
    }
    drawView(cr, view);
    // A title bar over the content (full-size content) is part of the window's picture.
    if (auto w = view.window(); w && w->contentView().get() == &view) {
        CairoContext context(cr, view.isFlipped());
        GraphicsContext::Scope scope(&context);
        drawWindowFrameOverContent(*w, context);
    }
    cairo_destroy(cr);
    Bitmap b = bitmapOf(surface);
    cairo_surface_destroy(surface);
    return b;
}

void CairoRenderer::installAsBackend() {
    Renderer::install(std::make_shared<CairoRenderer>());
    TextMeasurer::install(std::make_shared<PangoTextMeasurer>());
}

bool CairoRenderer::writePNG(View& view, const std::string& path) {
    auto w = view.window();
    const double scale = w ? w->backingScaleFactor() : Screen::mainScreen()->backingScaleFactor();
    CairoRenderer renderer;
    auto png = renderer.encodePNG(renderer.renderView(view, view.bounds(), scale));
    if (!png) {
        platform::logf("Snapshot: could not encode %s", path.c_str());
        return false;
    }
    return platform::Files::writeAtomically(path, platform::Data(std::move(*png)));
}

}  // namespace platform::ui
