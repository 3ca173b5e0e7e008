#pragma once

// Pieces the settings cells' layouts are made of: the cells are laid out 400 points wide and follow
// the list's width through their autoresizing masks.

#include <memory>
#include <string>

#include "menubar/cells/CellTextButton.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/TextField.h"
#include "uikit/lists/KestruneListViewCell.h"

namespace kestrune::cells {

namespace ui = platform::ui;

constexpr double kCellWidth = 400;

// The cell itself, top-level object of its layout.
template <typename Cell>
std::shared_ptr<Cell> makeCell(ui::NibLoader& nib, double height) {
    auto cell = nib.make<Cell>({0, 0, kCellWidth, height});
    cell->setAutoresizingMask(ui::kViewWidthSizable);
    nib.addTopLevel(cell);
    return cell;
}

// A borderless, transparent, read-only label.
std::shared_ptr<ui::TextField> label(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                     const std::string& font, double size, const ui::Color& color,
                                     unsigned autoresizing = ui::kViewWidthSizable);
std::shared_ptr<ui::ImageView> imageView(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         unsigned autoresizing = ui::kViewNotSizable);
// A borderless button showing only its title, in its colour whatever title it is given later.
std::shared_ptr<CellTextButton> textButton(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                           const std::string& title, const ui::Color& color,
                                           unsigned autoresizing = ui::kViewMinXMargin);
// The base cell's shadow picture, stretched over the whole cell behind everything else.
void shadowBackground(ui::NibLoader& nib, KestruneListViewCell& cell);

// Connects a control to one of the cell's action operations.
template <typename Cell>
void connect(ui::Control& control, const std::shared_ptr<Cell>& cell, void (Cell::*action)(ui::Control&)) {
    control.setTarget(cell);
    control.setAction([action](const std::shared_ptr<ui::UIObject>& target, ui::Control& sender) {
        if (auto typed = std::dynamic_pointer_cast<Cell>(target)) ((*typed).*action)(sender);
    });
}

}  // namespace kestrune::cells
