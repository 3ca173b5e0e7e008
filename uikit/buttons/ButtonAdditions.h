#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.h"
#include "platform/ui/Image.h"

namespace kestrune {

namespace ui = platform::ui;

// Borderless, changing its picture when pressed, rounded bezel.
void setToDefaultProperties(ui::Button& button);
// Opaque and enabled, or dimmed to half and disabled, with the title.
void setKestruneEnabledButtonWithText(ui::Button& button, const std::string& text);
void setKestruneDisabledButtonWithText(ui::Button& button, const std::string& text);
// Enabled and opaque, or disabled and fully transparent: a button turned off this way disappears.
void setCustomEnabled(ui::Button& button, bool enabled);

// The colour of the title's first character: the control text colour for an empty title, none when the
// title has no colour of its own.
std::optional<ui::Color> textColor(const ui::Button& button);
// Colours the whole title.
void setTextColor(ui::Button& button, const ui::Color& color);

// Keeps the picture's corners from stretching, then shows it.
void setImageWithPreservedCorners(ui::Button& button, const std::shared_ptr<ui::Image>& image);
// Ten points on every side stay unscaled when the picture is stretched; not on 10.9, whose drawing did
// not allow it.
void setPreservedImageCorners(ui::Image& image);

}  // namespace kestrune
