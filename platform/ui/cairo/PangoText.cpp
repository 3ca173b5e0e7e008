#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>

#include "platform/ui/cairo/CairoContext.h"
#include "platform/ui/cairo/CairoRenderer.h"

namespace platform::ui {

namespace {
uint16_t channel(double v) {
    return static_cast<uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 65535));
}

// A layout of the text: per-run font and colour, wrapping at `width` (0: none), the first run's
// paragraph alignment.
PangoLayout* makeLayout(PangoContext* context, const AttributedString& text, double width, double alpha) {
    PangoLayout* layout = pango_layout_new(context);
    pango_layout_set_text(layout, text.string().c_str(), static_cast<int>(text.string().size()));
    PangoAttrList* list = pango_attr_list_new();
    guint offset = 0;
    const auto runs = text.runs();
    for (const auto& run : runs) {
        const guint end = offset + static_cast<guint>(run.text.size());
        const Font font = run.attributes.effectiveFont();
        PangoFontDescription* description = pango_font_description_from_string(font.fontName().c_str());
        pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
        PangoAttribute* fontAttribute = pango_attr_font_desc_new(description);
        pango_font_description_free(description);
        const Color color = run.attributes.effectiveColor();
        PangoAttribute* colorAttribute = pango_attr_foreground_new(
            channel(color.redComponent()), channel(color.greenComponent()), channel(color.blueComponent()));
        PangoAttribute* alphaAttribute =
            pango_attr_foreground_alpha_new(channel(color.alphaComponent() * alpha));
        for (PangoAttribute* a : {fontAttribute, colorAttribute, alphaAttribute}) {
            a->start_index = offset;
            a->end_index = end;
            pango_attr_list_insert(list, a);
        }
        if (run.attributes.underlineStyle.value_or(0) != 0) {
            PangoAttribute* u = pango_attr_underline_new(PANGO_UNDERLINE_SINGLE);
            u->start_index = offset;
            u->end_index = end;
            pango_attr_list_insert(list, u);
        }
        offset = end;
    }
    pango_layout_set_attributes(layout, list);
    pango_attr_list_unref(list);
    if (width > 0) {
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    if (!runs.empty()) {
        const ParagraphStyle style = runs.front().attributes.effectiveParagraphStyle();
        switch (style.alignment) {
            case TextAlignment::Center:
                pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
                break;
            case TextAlignment::Right:
                pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
                break;
            case TextAlignment::Justified:
                pango_layout_set_justify(layout, TRUE);
                break;
            default:
                break;
        }
        if (style.lineSpacing > 0)
            pango_layout_set_spacing(layout, static_cast<int>(style.lineSpacing * PANGO_SCALE));
    }
    return layout;
}

// Unhinted metrics, so that sizes do not depend on the device.
void setFontOptions(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}
}  // namespace

Size PangoTextMeasurer::measure(const AttributedString& text, double maxWidth) const {
    if (text.length() == 0) return {0, 0};
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    setFontOptions(context);
    PangoLayout* layout = makeLayout(context, text, maxWidth, 1);
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    g_object_unref(layout);
    g_object_unref(context);
    return {std::ceil(static_cast<double>(logical.width) / PANGO_SCALE),
            std::ceil(static_cast<double>(logical.height) / PANGO_SCALE)};
}

void drawPangoText(cairo_t* cr, const AttributedString& text, Rect rect, double alpha) {
    if (text.length() == 0) return;
    cairo_save(cr);
    // Text runs top-down from the rectangle's top edge, upright whatever the orientation of user space.
    const bool yUp = CairoContext::userSpaceIsYUp(cr);
    cairo_translate(cr, rect.minX(), yUp ? rect.maxY() : rect.minY());
    if (yUp) cairo_scale(cr, 1, -1);
    PangoContext* context = pango_cairo_create_context(cr);
    setFontOptions(context);
    // Wrap only when the text does not fit on one line.
    const Size natural = PangoTextMeasurer().measure(text, 0);
    PangoLayout* layout =
        makeLayout(context, text, natural.width > rect.width() + 0.5 ? rect.width() : 0, alpha);
    if (natural.width <= rect.width() + 0.5 && rect.width() > 0)
        pango_layout_set_width(layout, static_cast<int>(rect.width() * PANGO_SCALE));
    pango_cairo_update_layout(cr, layout);
    pango_cairo_show_layout(cr, layout);
    g_object_unref(layout);
    g_object_unref(context);
    cairo_restore(cr);
}

}  // namespace platform::ui
