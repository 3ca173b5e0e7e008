#pragma once

// Pieces of the share cards' layouts.

#include <memory>
#include <string>

#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"

namespace kestrune::cards {

namespace ui = platform::ui;

// The card's window: borderless and see-through, holding the card view as its content.
std::shared_ptr<ui::Window> cardWindow(ui::NibLoader& nib, ui::Size size);
std::shared_ptr<ui::TextField> cardLabel(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         const std::string& font, double size, const ui::Color& color);
std::shared_ptr<ui::ImageView> cardImage(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         const std::string& imageName = "");

}  // namespace kestrune::cards
