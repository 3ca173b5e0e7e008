#include "uikit/text/TextFieldAdditions.h"

#include "platform/base/Strings.h"
#include "platform/ui/AnimationContext.h"
#include "uikit/views/GeometryFunctions.h"

namespace kestrune {

namespace {
// What the text looks like as attributed text: the attributed value, or the plain text in the field's
// font, colour and alignment.
ui::AttributedString attributedCopy(const ui::TextField& field) {
    if (auto attributed = field.attributedStringValue()) return *attributed;
    ui::TextAttributes a = ui::TextAttributes::withFont(field.font(), field.textColor());
    ui::ParagraphStyle style;
    style.alignment = field.alignment();
    a.paragraphStyle = style;
    return ui::AttributedString(field.stringValue(), a);
}

constexpr double kUnbounded = 99999;
}  // namespace

void setStringValueOrEmptyString(ui::TextField& field, const std::optional<std::string>& text) {
    field.setStringValue(text.value_or(""));
}

void setAnimatedStringValue(ui::TextField& field, const std::string& text) {
    if (field.stringValue() == text) return;
    auto keep = field.sharedAs<ui::TextField>();
    ui::AnimationContext::runGroup(
        [&](ui::AnimationContext& context) {
            context.setDuration(0.2);
            context.setTimingFunction(ui::TimingFunction::named("easeOut"));
            keep->animator().setAlphaValue(0);
        },
        [keep, text] {
            keep->setStringValue(text);
            ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
                context.setDuration(0.2);
                context.setTimingFunction(ui::TimingFunction::named("easeIn"));
                keep->animator().setAlphaValue(1);
            });
        });
}

double textHeightForCurrentWidth(ui::TextField& field) {
    field.setStringValue(field.stringValue());
    return field.cellSizeForBounds({0, 0, field.frame().width(), kUnbounded}).height;
}

double textWidthForCurrentHeight(ui::TextField& field) {
    field.setStringValue(field.stringValue());
    return field.cellSizeForBounds({0, 0, kUnbounded, field.frame().height()}).width;
}

void setWidth_centerPoint(ui::TextField& field, double width, ui::Point center) {
    field.setFrame(rectWithWidth(field.frame(), width));
    field.setFrame(rectWithHeight(field.frame(), textHeightForCurrentWidth(field)));
    field.setFrame(rectWithSizeCenteredAtPoint(field.frame().size, center));
}

std::optional<ui::Range> rangeOfString(const std::string& text, const std::string& part) {
    if (part.empty()) return std::nullopt;
    const std::u16string units = platform::toUTF16(text);
    const std::u16string wanted = platform::toUTF16(part);
    const size_t at = units.find(wanted);
    if (at == std::u16string::npos) return std::nullopt;
    return ui::Range{at, wanted.size()};
}

void boldRange(ui::TextField& field, ui::Range range) {
    ui::AttributedString text = attributedCopy(field);
    // Outside the text the platform would stop the program; here nothing changes.
    if (range.location > text.length() || range.length > text.length() - range.location) return;
    ui::TextAttributes bold;
    bold.font = ui::Font::fontWithName_size("Lucida Grande", 13);
    text.addAttributes_range(bold, range);
    field.setAttributedStringValue(text);
}

void boldSubstring(ui::TextField& field, const std::optional<std::string>& part) {
    if (!part) return;
    if (auto range = rangeOfString(field.stringValue(), *part)) boldRange(field, *range);
}

}  // namespace kestrune
