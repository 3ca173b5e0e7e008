#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/TextLanguage.h"
#include "platform/ui/cairo/CairoContext.h"
#include "platform/ui/cairo/CairoRenderer.h"

namespace platform::ui {

// Everything that runs under Pango's and cairo's frames while text is measured or drawn. cairo takes a
// font's lock and its glyph cache's lock in both orders once many fonts are drawn, and the thread
// sanitizer, which cannot see that only one thread draws, reports it from stacks that pass through this
// namespace (tests/tsan.supp drops those reports by its name). So nothing here takes a lock of ours or
// calls code outside the text layer: its caches are read without a lock, the interface's language is
// read before entering, and the drawn-text observer is told after leaving.
//
// Its functions keep external linkage, unlike the rest of the file's helpers: the sanitizer prints the
// frames of a function in an anonymous namespace by its bare name, which no suppression can tell from
// another of that name. And it prints the frames of ours under a library built without frame pointers
// from the caller of the function that called into the library, so every function here that calls Pango
// or cairo is itself called from here.
namespace pangolayout {
// A cache filled by whichever thread first needs an entry and read without a lock: entries go onto a list
// that only grows, and never change once there. Two threads that miss the same key at once both work it
// out and both add it; the lookups find the newer, which is the same. The entries stay for the life of the
// process (a few languages, families and font descriptions). Not thread_local: the module that holds this
// code is loaded at run time, and the leak checker that runs at the end of sanitized runs can crash
// walking such a module's thread-local blocks.
template <class Value>
class GrowingCache {
public:
    const Value* find(const std::string& key) const {
        for (const Node* node = head_.load(std::memory_order_acquire); node; node = node->next)
            if (node->key == key) return &node->value;
        return nullptr;
    }
    const Value& add(std::string key, Value value) {
        auto* node = new Node{std::move(key), std::move(value), head_.load(std::memory_order_relaxed)};
        while (!head_.compare_exchange_weak(node->next, node, std::memory_order_release,
                                            std::memory_order_relaxed)) {
        }
        return node->value;
    }

private:
    struct Node {
        std::string key;
        Value value;
        Node* next;
    };
    std::atomic<Node*> head_{nullptr};
};

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

// Whether letters of the script are written right to left.
bool isRightToLeft(GUnicodeScript script) {
    switch (script) {
        case G_UNICODE_SCRIPT_ARABIC:
        case G_UNICODE_SCRIPT_HEBREW:
        case G_UNICODE_SCRIPT_SYRIAC:
        case G_UNICODE_SCRIPT_THAANA:
        case G_UNICODE_SCRIPT_NKO:
        case G_UNICODE_SCRIPT_SAMARITAN:
        case G_UNICODE_SCRIPT_MANDAIC:
        case G_UNICODE_SCRIPT_ADLAM:
            return true;
        default:
            return false;
    }
}

// The font configuration Pango's font map reads. The font map loads it on a thread of its own when it is
// made; asking fontconfig for its current configuration before that load is done would load it a second
// time, on the caller's thread (the main thread, during the first window's layout). None: fontconfig's
// current one, which that load has set by then.
FcConfig* fontConfig() {
    return pango_fc_font_map_get_config(PANGO_FC_FONT_MAP(pango_cairo_font_map_get_default()));
}

// A pattern for the family in the language, with nothing else, ready to match. Fontconfig adds the
// process locale's languages after the one asked for, and under a Korean locale that puts the Korean
// face first for Latin letters, Han characters and full-width signs alike: those languages are struck
// from the pattern again.
FcPattern* patternFor(const std::string& family, const std::string& language) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    FcConfigSubstitute(fontConfig(), pattern, FcMatchPattern);
    FcPatternDel(pattern, FC_LANG);
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language.c_str()));
    FcDefaultSubstitute(pattern);
    return pattern;
}

std::string familyOf(FcPattern* font) {
    FcChar8* family = nullptr;
    return FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch ? reinterpret_cast<char*>(family)
                                                                            : std::string();
}

// The installed family a family asked for by name stands for: itself when installed, else the one
// fontconfig puts in its place for Latin text, whatever the locale.
std::string installedFamily(const std::string& family) {
    constinit static GrowingCache<std::string> known;
    if (const std::string* found = known.find(family)) return *found;
    FcPattern* pattern = patternFor(family, "en");
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(fontConfig(), pattern, &result);
    std::string installed = font ? familyOf(font) : std::string();
    if (font) FcPatternDestroy(font);
    FcPatternDestroy(pattern);
    return known.add(family, installed.empty() ? family : installed);
}

// The face fontconfig gives `letters` in `language` alone. Empty when no face has all the letters.
std::string faceOf(const std::string& language, const std::u32string& letters) {
    FcPattern* pattern = patternFor("sans-serif", language);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(fontConfig(), pattern, FcFalse, nullptr, &result);
    std::string face;
    for (int i = 0; sorted && i < sorted->nfont && face.empty(); ++i) {
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch) continue;
        const bool hasAll = std::all_of(letters.begin(), letters.end(),
                                        [charset](char32_t c) { return FcCharSetHasChar(charset, c); });
        if (hasAll) face = familyOf(sorted->fonts[i]);
    }
    if (sorted) FcFontSetDestroy(sorted);
    FcPatternDestroy(pattern);
    return face;
}

// What the interface's language asks of every layout, worked out once for each language.
struct LanguageTraits {
    PangoLanguage* language = nullptr;
    // Written right to left: a paragraph holding a right-to-left letter is laid out right to left from
    // its start, even when its first word is a Latin name.
    bool rightToLeft = false;
    // Letters of the language's own script, other than Latin (from Pango's sample sentence for it), and
    // the face they take in this language.
    std::u32string letters;
    std::string face;
};

const LanguageTraits& traitsOf(const std::string& tag) {
    constinit static GrowingCache<LanguageTraits> known;
    if (const LanguageTraits* found = known.find(tag)) return *found;
    LanguageTraits traits;
    traits.language = pangoLanguageFor(tag);
    if (traits.language) {
        const char* sample = pango_language_get_sample_string(traits.language);
        int count = 0;
        const PangoScript* scripts = pango_language_get_scripts(traits.language, &count);
        for (const char* at = sample; *at; at = g_utf8_next_char(at)) {
            const gunichar c = g_utf8_get_char(at);
            const GUnicodeScript script = g_unichar_get_script(c);
            const bool ofLanguage = std::any_of(scripts, scripts + count, [script](PangoScript s) {
                return static_cast<int>(s) == static_cast<int>(script);
            });
            if (script == G_UNICODE_SCRIPT_LATIN || !ofLanguage) continue;
            traits.rightToLeft = traits.rightToLeft || isRightToLeft(script);
            if (traits.letters.find(c) == std::u32string::npos) traits.letters.push_back(c);
        }
        if (!traits.letters.empty())
            traits.face = faceOf(pango_language_to_string(traits.language), traits.letters);
    }
    return known.add(tag, std::move(traits));
}

// Whether a light face (lighter than regular) is drawn for every letter of the language: DejaVu's light
// face has no Chinese, Japanese, Korean or Arabic, and the letters would fall to a regular face while
// the Latin words around them stay thin.
bool lightFaceHasLetters(PangoContext* context, const PangoFontDescription* description,
                         const LanguageTraits& traits) {
    constinit static GrowingCache<bool> known;
    PangoFontDescription* unsized = pango_font_description_copy(description);
    pango_font_description_unset_fields(unsized, PANGO_FONT_MASK_SIZE);
    char* named = pango_font_description_to_string(unsized);
    const std::string key = std::string(named) + "|" + pango_language_to_string(traits.language);
    g_free(named);
    pango_font_description_free(unsized);
    if (const bool* found = known.find(key)) return *found;
    bool light = true;
    PangoFontset* fontset = pango_font_map_load_fontset(pango_context_get_font_map(context), context,
                                                        description, traits.language);
    for (size_t i = 0; fontset && light && i < traits.letters.size(); ++i) {
        PangoFont* font = pango_fontset_get_font(fontset, traits.letters[i]);
        if (!font) continue;
        PangoFontDescription* face = pango_font_describe(font);
        light = pango_font_description_get_weight(face) < PANGO_WEIGHT_NORMAL;
        pango_font_description_free(face);
        g_object_unref(font);
    }
    if (fontset) g_object_unref(fontset);
    return known.add(key, light);
}

// Where a paragraph's lines stand in their frame. Pango reads left and right from the paragraph's
// direction only when it finds that direction itself: a layout given its direction takes them as
// they are. Right is the frame's right edge, whatever the direction. Left is where the interface's
// layouts, drawn for left-to-right reading, start their labels: for a right-to-left paragraph it is, as
// natural is, the right edge, where its reading starts, whichever word the paragraph starts with.
PangoAlignment alignmentOf(TextAlignment alignment, bool rightToLeft) {
    switch (alignment) {
        case TextAlignment::Center:
            return PANGO_ALIGN_CENTER;
        case TextAlignment::Right:
            return PANGO_ALIGN_RIGHT;
        default:
            return rightToLeft ? PANGO_ALIGN_RIGHT : PANGO_ALIGN_LEFT;
    }
}

bool isHangul(gunichar c) {
    return g_unichar_get_script(c) == G_UNICODE_SCRIPT_HANGUL;
}

// Korean is written with spaces and broken at them, but line breaking by the Unicode rules breaks
// between any two Hangul syllables. Each word holding Hangul is kept whole, unless it alone is wider
// than the line: there the rules' breaks stay. `layout` holds the text unwrapped with `list`.
void keepKoreanWordsWhole(PangoLayout* layout, PangoAttrList* list, const std::string& text, double width) {
    const int limit = static_cast<int>(width * PANGO_SCALE);
    for (size_t start = 0; start < text.size();) {
        const char* at = text.c_str() + start;
        if (g_unichar_isspace(g_utf8_get_char(at))) {
            start = static_cast<size_t>(g_utf8_next_char(at) - text.c_str());
            continue;
        }
        size_t end = start;
        bool korean = false;
        while (end < text.size() && !g_unichar_isspace(g_utf8_get_char(text.c_str() + end))) {
            korean = korean || isHangul(g_utf8_get_char(text.c_str() + end));
            end = static_cast<size_t>(g_utf8_next_char(text.c_str() + end) - text.c_str());
        }
        if (korean && end - start > 1) {
            // The word's own first and last characters bound it: the layout's size is its widest
            // paragraph's, which may be another than the word's.
            const int lastCharacter = static_cast<int>(
                g_utf8_find_prev_char(text.c_str() + start, text.c_str() + end) - text.c_str());
            PangoRectangle first, last;
            pango_layout_index_to_pos(layout, static_cast<int>(start), &first);
            pango_layout_index_to_pos(layout, lastCharacter, &last);
            if (std::abs(last.x + last.width - first.x) <= limit) {
                PangoAttribute* keep = pango_attr_allow_breaks_new(FALSE);
                keep->start_index = static_cast<guint>(start);
                keep->end_index = static_cast<guint>(end);
                pango_attr_list_insert(list, keep);
            }
        }
        start = end;
    }
}

// Whether the text is laid out right to left: the interface's language is written so, and the text
// holds a letter written so. A text without one has no order to lose; laid out right to left it would
// only move its closing signs to the front ("(2" of "iPhone (2)").
bool readsRightToLeft(const std::string& string, const LanguageTraits& traits) {
    if (!traits.rightToLeft) return false;
    for (const char* at = string.c_str(); *at; at = g_utf8_next_char(at))
        if (isRightToLeft(g_unichar_get_script(g_utf8_get_char(at)))) return true;
    return false;
}

// A layout of the text: per-run font and colour, wrapping at `width` (0: none), the first run's
// paragraph alignment and truncation. Runs the filter leaves out keep their place but leave no ink.
// The interface's language (`language`) chooses the faces of characters several languages share, the
// direction of right-to-left paragraphs and one weight for the light style.
PangoLayout* makeLayout(PangoContext* context, const AttributedString& text, double width, double alpha,
                        const std::string& language, const RunFilter& inked = {}) {
    const LanguageTraits& traits = traitsOf(language);
    const std::string& string = text.string();
    const bool rightToLeft = readsRightToLeft(string, traits);
    if (rightToLeft) pango_context_set_base_dir(context, PANGO_DIRECTION_RTL);
    PangoLayout* layout = pango_layout_new(context);
    if (rightToLeft) pango_layout_set_auto_dir(layout, FALSE);
    pango_layout_set_text(layout, string.c_str(), static_cast<int>(string.size()));
    PangoAttrList* list = pango_attr_list_new();
    guint offset = 0;
    const auto runs = text.runs();
    for (const auto& run : runs) {
        const guint end = offset + static_cast<guint>(run.text.size());
        const Font font = run.attributes.effectiveFont();
        PangoFontDescription* description = pango_font_description_from_string(font.fontName().c_str());
        pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
        // The face of the interface's language comes right after the run's own, ahead of whatever
        // fontconfig would add for the process's locale: Han characters and full-width signs take it
        // whatever the locale, even after a Latin word ("iPhone："), where Pango asks for Latin faces.
        // Naming the faces is what holds under every locale; the process's environment (FC_LANG) is
        // read once, by whoever first starts fontconfig, and setting it races every thread that reads
        // the environment.
        // The run's family is named as the installed one it stands for, so that the face added after it
        // comes after that one and not ahead of a family fontconfig would put in its place.
        const char* asked = pango_font_description_get_family(description);
        std::string families = installedFamily(asked && *asked ? asked : Font::kSystemFontName);
        if (!traits.face.empty()) families += "," + traits.face;
        pango_font_description_set_family(description, families.c_str());
        // A light style whose face lacks the language's letters is drawn regular throughout, Latin
        // words included, rather than thin words among regular ones.
        if (pango_font_description_get_weight(description) < PANGO_WEIGHT_NORMAL && !traits.letters.empty() &&
            !lightFaceHasLetters(context, description, traits))
            pango_font_description_set_weight(description, PANGO_WEIGHT_NORMAL);
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
    if (traits.language) pango_attr_list_insert(list, pango_attr_language_new(traits.language));
    pango_layout_set_attributes(layout, list);
    if (width > 0) {
        bool hangul = false;
        for (const char* at = string.c_str(); *at && !hangul; at = g_utf8_next_char(at))
            hangul = isHangul(g_utf8_get_char(at));
        if (hangul) {
            PangoAttrList* kept = pango_attr_list_copy(list);
            keepKoreanWordsWhole(layout, kept, string, width);
            pango_layout_set_attributes(layout, kept);
            pango_attr_list_unref(kept);
        }
        pango_layout_set_width(layout, static_cast<int>(width * PANGO_SCALE));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
    }
    pango_attr_list_unref(list);
    if (!runs.empty()) {
        const ParagraphStyle style = runs.front().attributes.effectiveParagraphStyle();
        // A truncating text keeps each paragraph to one line, with "…" where the rest is left out.
        if (width > 0) pango_layout_set_ellipsize(layout, ellipsisFor(style.lineBreakMode));
        if (style.alignment == TextAlignment::Justified) pango_layout_set_justify(layout, TRUE);
        pango_layout_set_alignment(layout, alignmentOf(style.alignment, rightToLeft));
        if (style.lineSpacing > 0)
            pango_layout_set_spacing(layout, static_cast<int>(style.lineSpacing * PANGO_SCALE));
    }
    return layout;
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

// What the layout, about to be shown at the current point of user space, inks and where the clip lets it
// show.
DrawnText describeDrawn(cairo_t* cr, PangoLayout* layout, const AttributedString& text) {
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
        const PangoLayoutLine* laid = pango_layout_iter_get_line_readonly(line);
        drawn.lineTexts.push_back(laid ? std::string(pango_layout_get_text(layout) + laid->start_index,
                                                     static_cast<size_t>(laid->length))
                                       : std::string());
    } while (pango_layout_iter_next_line(line));
    pango_layout_iter_free(line);
    PangoLayoutIter* run = pango_layout_get_iter(layout);
    do {
        const PangoLayoutRun* glyphs = pango_layout_iter_get_run_readonly(run);
        if (!glyphs || !glyphs->item->analysis.font) continue;  // a line's end
        PangoFontDescription* face = pango_font_describe(glyphs->item->analysis.font);
        const char* family = pango_font_description_get_family(face);
        drawn.families.emplace_back(family ? family : "");
        PangoRectangle runInk;
        pango_layout_iter_get_run_extents(run, &runInk, nullptr);
        drawn.runs.push_back({std::string(pango_layout_get_text(layout) + glyphs->item->offset,
                                          static_cast<size_t>(glyphs->item->length)),
                              family ? family : "", static_cast<int>(pango_font_description_get_weight(face)),
                              deviceBox(cr, runInk)});
        pango_font_description_free(face);
    } while (pango_layout_iter_next_run(run));
    pango_layout_iter_free(run);
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    cairo_clip_extents(cr, &x0, &y0, &x1, &y1);
    drawn.clip = deviceBox(cr, x0, y0, x1, y1);
    drawn.ellipsized = pango_layout_is_ellipsized(layout);
    return drawn;
}

// Unhinted metrics, so that sizes do not depend on the device.
void setFontOptions(PangoContext* context) {
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
}

// The layout's ink and logical boxes, in points, the text wrapped at `maxWidth` as measured.
void extentsOf(const AttributedString& text, double maxWidth, const std::string& language,
               PangoRectangle* ink, PangoRectangle* logical) {
    PangoFontMap* map = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(map);
    setFontOptions(context);
    PangoLayout* layout = makeLayout(context, text, maxWidth, 1, language);
    pango_layout_get_extents(layout, ink, logical);
    g_object_unref(layout);
    g_object_unref(context);
}

Size measure(const AttributedString& text, double maxWidth, const std::string& language) {
    PangoRectangle logical;
    extentsOf(text, maxWidth, language, nullptr, &logical);
    return {std::ceil(static_cast<double>(logical.width) / PANGO_SCALE),
            std::ceil(static_cast<double>(logical.height) / PANGO_SCALE)};
}

// Draws the text as drawPangoText says; with `told`, also says there what was drawn.
void draw(cairo_t* cr, const AttributedString& text, Rect rect, double alpha,
          const std::optional<Shadow>& contextShadow, const std::string& language, DrawnText* told) {
    // Wrap only when the text does not fit on one line.
    const Size natural = measure(text, 0, language);
    const bool wraps = natural.width > rect.width() + 0.5;
    // Text runs top-down from the rectangle's top edge, upright whatever the orientation of user space.
    auto show = [&](cairo_t* target, const RunFilter& inked, DrawnText* describe) {
        cairo_save(target);
        const bool yUp = CairoContext::userSpaceIsYUp(target);
        cairo_translate(target, rect.minX(), yUp ? rect.maxY() : rect.minY());
        if (yUp) cairo_scale(target, 1, -1);
        PangoContext* context = pango_cairo_create_context(target);
        setFontOptions(context);
        PangoLayout* layout = makeLayout(context, text, wraps ? rect.width() : 0, alpha, language, inked);
        if (!wraps && rect.width() > 0)
            pango_layout_set_width(layout, static_cast<int>(rect.width() * PANGO_SCALE));
        pango_cairo_update_layout(target, layout);
        if (describe) *describe = describeDrawn(target, layout, text);
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
            show(target, castsThisShadow, nullptr);
        });
    }
    show(cr, {}, told);
}

bool readsFromTheRight(const AttributedString& text, const std::string& language) {
    return readsRightToLeft(text.string(), traitsOf(language));
}

Rect inkRect(const AttributedString& text, double maxWidth, const std::string& language) {
    PangoRectangle ink, logical;
    extentsOf(text, maxWidth, language, &ink, &logical);
    const double s = PANGO_SCALE;
    return {(ink.x - logical.x) / s, (ink.y - logical.y) / s, ink.width / s, ink.height / s};
}
}  // namespace pangolayout

namespace {
std::function<void(const DrawnText&)>& drawnTextObserver() {
    static std::function<void(const DrawnText&)> observer;
    return observer;
}
}  // namespace

void observeDrawnText(std::function<void(const DrawnText&)> observer) {
    drawnTextObserver() = std::move(observer);
}

Size PangoTextMeasurer::measure(const AttributedString& text, double maxWidth) const {
    if (text.length() == 0) return {0, 0};
    return pangolayout::measure(text, maxWidth, TextLanguage::current());
}

Rect PangoTextMeasurer::inkRect(const AttributedString& text, double maxWidth) const {
    if (text.length() == 0) return {};
    return pangolayout::inkRect(text, maxWidth, TextLanguage::current());
}

bool PangoTextMeasurer::readsFromTheRight(const AttributedString& text) const {
    if (text.length() == 0) return false;
    return pangolayout::readsFromTheRight(text, TextLanguage::current());
}

void drawPangoText(cairo_t* cr, const AttributedString& text, Rect rect, double alpha,
                   const std::optional<Shadow>& contextShadow) {
    if (text.length() == 0) return;
    // The observer runs here, out of Pango's and cairo's frames, where the locks it takes are seen.
    const auto& observer = drawnTextObserver();
    std::optional<DrawnText> drawn;
    if (observer) drawn.emplace();
    pangolayout::draw(cr, text, rect, alpha, contextShadow, TextLanguage::current(),
                      drawn ? &*drawn : nullptr);
    if (drawn) observer(*drawn);
}

}  // namespace platform::ui
