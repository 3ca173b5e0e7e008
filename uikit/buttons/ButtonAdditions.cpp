#include "uikit/buttons/ButtonAdditions.h"

#include "platform/base/Strings.h"
#include "platform/system/SystemVersion.h"

namespace kestrune {

namespace {
// The title as attributed text: the attributed title, or the title in the button's font, centred.
ui::AttributedString attributedTitle(const ui::Button& button) {
    if (auto attributed = button.attributedTitle()) return *attributed;
    ui::TextAttributes a = ui::TextAttributes::withFont(button.font());
    ui::ParagraphStyle centred;
    centred.alignment = ui::TextAlignment::Center;
    a.paragraphStyle = centred;
    return ui::AttributedString(button.title(), a);
}
}  // namespace

void setToDefaultProperties(ui::Button& button) {
    button.setBordered(false);
    button.setButtonType(ui::ButtonType::MomentaryChange);
    button.setBezelStyle(ui::BezelStyle::Rounded);
}

void setKestruneEnabledButtonWithText(ui::Button& button, const std::string& text) {
    button.setAlphaValue(1.0);
    button.setEnabled(true);
    button.setTitle(text);
}

void setKestruneDisabledButtonWithText(ui::Button& button, const std::string& text) {
    button.setAlphaValue(0.5);
    button.setEnabled(false);
    button.setTitle(text);
}

void setCustomEnabled(ui::Button& button, bool enabled) {
    button.setEnabled(enabled);
    button.setAlphaValue(enabled ? 1.0 : 0.0);
}

std::optional<ui::Color> textColor(const ui::Button& button) {
    const ui::AttributedString title = attributedTitle(button);
    if (title.length() == 0) return ui::Color::controlTextColor();
    return title.attributesAtIndex_effectiveRange(0).foregroundColor;
}

void setTextColor(ui::Button& button, const ui::Color& color) {
    ui::AttributedString title = attributedTitle(button);
    ui::TextAttributes coloured;
    coloured.foregroundColor = color;
    title.addAttributes_range(coloured, {0, title.length()});
    button.setAttributedTitle(title);
}

void setImageWithPreservedCorners(ui::Button& button, const std::shared_ptr<ui::Image>& image) {
    if (image) setPreservedImageCorners(*image);
    button.setImage(image);
}

void setPreservedImageCorners(ui::Image& image) {
    if (platform::contains(platform::SystemVersion::current(), "10.9")) return;
    image.setCapInsets({10, 10, 10, 10});
}

}  // namespace kestrune
