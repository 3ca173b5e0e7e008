#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/TextLanguage.h"
#include "platform/ui/cairo/CairoContext.h"
#include "platform/ui/cairo/CairoRenderer.h"

namespace platform::ui {

namespace {
uint16_t channel(double v) {
    return static_cast<uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 65535));
}

// Which runs a layout inks: all of them, or only those casting one shadow (for that shadow's mask).
using RunFilter = std::function<bool(const TextAttributes&)>;

PangoEllipsizeMode ellipsisFor(LineBreakMode mode) {
    switch (mode) {
        case LineBreakMode::TruncatingHead:
            return PANGO_ELLIPSIZE_START;
        case LineBreakMode::TruncatingMiddle:
            return PANGO_ELLIPSIZE_MIDDLE;
        case LineBreakMode::TruncatingTail:
            return PANGO_ELLIPSIZE_END;
        default:
            return PANGO_ELLIPSIZE_NONE;
    }
}

// The language Pango and fontconfig know for an interface language tag: they name Chinese by region
// ("zh-cn", "zh-tw"), the interface by script ("zh-Hans", "zh-Hant"). None for no tag.
PangoLanguage* pangoLanguageFor(const std::string& tag) {
    if (tag.empty()) return nullptr;
    std::string lower;
    for (char c : tag)
        lower += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "zh" || lower.rfind("zh-", 0) == 0) {
        std::string script, region;
        for (size_t at = 2; at < lower.size();) {
            const size_t end = std::min(lower.find('-', at + 1), lower.size());
            const std::string piece = lower.substr(at + 1, end - at - 1);
            if (piece.size() == 4) script = piece;
            if (piece.size() == 2) region = piece;
            at = end;
        }
        lower = !region.empty() ? "zh-" + region : script == "hant" ? "zh-tw" : "zh-cn";
    }
    return pango_language_from_string(lower.c_str());
}

// A layout of the text: per-run font and colour, wrapping at `width` (0: none), the first run's
// paragraph alignment and truncation. Runs the filter leaves out keep their place but leave no ink.
PangoLayout* makeLayout(PangoContext* context, const AttributedString& text, double width, double alpha,
                        const RunFilter& inked = {}) {
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
        // Pango reads an alpha of 0 as "not set": 1 in 65535 is as good as none.
        const bool inks = !inked || inked(run.attributes);
        PangoAttribute* alphaAttribute = pango_attr_foreground_alpha_new(
            std::max<uint16_t>(1, inks ? channel(color.alphaComponent() * alpha) : 0));
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
    // Characters several languages share take the faces of the interface's language, whatever the
    // process's locale says.
    if (PangoLanguage* language = pangoLanguageFor(TextLanguage::current()))
        pango_attr_list_insert(list, pango_attr_language_new(language));
    pango_layout_set_attributes(layout, list);
    pango_attr_list_unref(list);
    if (width > 0) {
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    if (!runs.empty()) {
        const ParagraphStyle style = runs.front().attributes.effectiveParagraphStyle();
        // A truncating text keeps each paragraph to one line, with "…" where the rest is left out.
        if (width > 0) pango_layout_set_ellipsize(layout, ellipsisFor(style.lineBreakMode));
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

std::function<void(const DrawnText&)>& drawnTextObserver() {
    static std::function<void(const DrawnText&)> observer;
    return observer;
}

// The box in device pixels around a rectangle of user space.
Rect deviceBox(cairo_t* cr, double x0, double y0, double x1, double y1) {
    double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
    for (auto [x, y] : {std::pair{x0, y0}, {x1, y0}, {x0, y1}, {x1, y1}}) {
        cairo_user_to_device(cr, &x, &y);
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    return {minX, minY, maxX - minX, maxY - minY};
}

Rect deviceBox(cairo_t* cr, const PangoRectangle& r) {
    const double s = PANGO_SCALE;
    return deviceBox(cr, r.x / s, r.y / s, (r.x + r.width) / s, (r.y + r.height) / s);
}

// Tells the observer what the layout, about to be shown at the current point of user space, inks and
// where the clip lets it show.
void tellDrawn(cairo_t* cr, PangoLayout* layout, const AttributedString& text) {
    DrawnText drawn;
    drawn.text = text.string();
    PangoRectangle ink;
    pango_layout_get_extents(layout, &ink, nullptr);
    drawn.ink = deviceBox(cr, ink);
    PangoLayoutIter* line = pango_layout_get_iter(layout);
    do {
        PangoRectangle lineInk;
        pango_layout_iter_get_line_extents(line, &lineInk, nullptr);
        drawn.lines.push_back(deviceBox(cr, lineInk));
    } while (pango_layout_iter_next_line(line));
    pango_layout_iter_free(line);
    PangoLayoutIter* run = pango_layout_get_iter(layout);
    do {
        const PangoLayoutRun* glyphs = pango_layout_iter_get_run_readonly(run);
        if (!glyphs || !glyphs->item->analysis.font) continue;  // a line's end
        PangoFontDescription* face = pango_font_describe(glyphs->item->analysis.font);
        const char* family = pango_font_description_get_family(face);
        drawn.families.emplace_back(family ? family : "");
        pango_font_description_free(face);
    } while (pango_layout_iter_next_run(run));
    pango_layout_iter_free(run);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    drawn.clip = deviceBox(cr, x0, y0, x1, y1);
    drawn.ellipsized = pango_layout_is_ellipsized(layout);
    drawnTextObserver()(drawn);
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

void observeDrawnText(std::function<void(const DrawnText&)> observer) {
    drawnTextObserver() = std::move(observer);
}

namespace {
// The layout's ink and logical boxes, in points, the text wrapped at `maxWidth` as measured.
void extentsOf(const AttributedString& text, double maxWidth, PangoRectangle* ink, PangoRectangle* logical) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    setFontOptions(context);
    PangoLayout* layout = makeLayout(context, text, maxWidth, 1);
    pango_layout_get_extents(layout, ink, logical);
    g_object_unref(layout);
    g_object_unref(context);
}
}  // namespace

Size PangoTextMeasurer::measure(const AttributedString& text, double maxWidth) const {
    if (text.length() == 0) return {0, 0};
    PangoRectangle logical;
    extentsOf(text, maxWidth, nullptr, &logical);
    return {std::ceil(static_cast<double>(logical.width) / PANGO_SCALE),
            std::ceil(static_cast<double>(logical.height) / PANGO_SCALE)};
}

Rect PangoTextMeasurer::inkRect(const AttributedString& text, double maxWidth) const {
    if (text.length() == 0) return {};
    PangoRectangle ink, logical;
    extentsOf(text, maxWidth, &ink, &logical);
    const double s = PANGO_SCALE;
    return {(ink.x - logical.x) / s, (ink.y - logical.y) / s, ink.width / s, ink.height / s};
}

void drawPangoText(cairo_t* cr, const AttributedString& text, Rect rect, double alpha,
                   const std::optional<Shadow>& contextShadow) {
    if (text.length() == 0) return;
    // Wrap only when the text does not fit on one line.
    const Size natural = PangoTextMeasurer().measure(text, 0);
    const bool wraps = natural.width > rect.width() + 0.5;
    // Text runs top-down from the rectangle's top edge, upright whatever the orientation of user space.
    auto show = [&](cairo_t* target, const RunFilter& inked, bool tell) {
        cairo_save(target);
        const bool yUp = CairoContext::userSpaceIsYUp(target);
        cairo_translate(target, rect.minX(), yUp ? rect.maxY() : rect.minY());
        if (yUp) cairo_scale(target, 1, -1);
        PangoContext* context = pango_cairo_create_context(target);
        setFontOptions(context);
        PangoLayout* layout = makeLayout(context, text, wraps ? rect.width() : 0, alpha, inked);
        if (!wraps && rect.width() > 0)
            pango_layout_set_width(layout, static_cast<int>(rect.width() * PANGO_SCALE));
        pango_cairo_update_layout(target, layout);
        if (tell && drawnTextObserver()) tellDrawn(target, layout, text);
        pango_cairo_show_layout(target, layout);
        g_object_unref(layout);
        g_object_unref(context);
        cairo_restore(target);
    };
    // Shadows first, under all of the text: one pass for each shadow the runs cast.
    auto shadowOf = [&contextShadow](const TextAttributes& a) { return a.shadow ? a.shadow : contextShadow; };
    std::vector<Shadow> shadows;
    for (const auto& run : text.runs())
        if (auto s = shadowOf(run.attributes);
            s && std::find(shadows.begin(), shadows.end(), *s) == shadows.end())
            shadows.push_back(*s);
    for (const Shadow& shadow : shadows) {
        // The ink can reach past the rectangle (descenders, a tall line): the shadow's extent allows a line.
        const double slack = natural.height;
        CairoContext::paintShadow(cr, shadow, rect.insetBy(-slack, -slack), [&](cairo_t* target) {
            const RunFilter castsThisShadow = [&](const TextAttributes& a) { return shadowOf(a) == shadow; };
            show(target, castsThisShadow, false);
        });
    }
    show(cr, {}, true);
}

}  // namespace platform::ui
