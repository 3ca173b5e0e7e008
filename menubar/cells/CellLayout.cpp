#include "menubar/cells/CellLayout.h"

#include "uikit/buttons/ButtonAdditions.h"

namespace kestrune::cells {

std::shared_ptr<ui::TextField> label(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                     const std::string& font, double size, const ui::Color& color,
                                     unsigned autoresizing) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size(font, size));
    field->setTextColor(color);
    field->setLineBreakMode(ui::LineBreakMode::TruncatingTail);
    field->setAutoresizingMask(autoresizing);
    parent.addSubview(field);
    return field;
}

std::shared_ptr<ui::ImageView> imageView(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         unsigned autoresizing) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    view->setAutoresizingMask(autoresizing);
    parent.addSubview(view);
    return view;
}

std::shared_ptr<CellTextButton> textButton(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                           const std::string& title, const ui::Color& color,
                                           unsigned autoresizing) {
    auto button = nib.make<CellTextButton>(frame);
    setToDefaultProperties(*button);
    button->setFont(ui::Font::fontWithName_size("Helvetica Neue", 11));
    button->setTitleColor(color);
    button->setTitle(title);
    button->setAutoresizingMask(autoresizing);
    parent.addSubview(button);
    return button;
}

void shadowBackground(ui::NibLoader& nib, KestruneListViewCell& cell) {
    auto picture = nib.make<ui::ImageView>(cell.bounds());
    picture->setImageScaling(ui::ImageScaling::AxesIndependently);
    picture->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
    cell.addSubview(picture);
    cell.backgroundImage = picture;
}

}  // namespace kestrune::cells
