#include "windows/sharing/CardLayout.h"

namespace kestrune::cards {

std::shared_ptr<ui::Window> cardWindow(ui::NibLoader& nib, ui::Size size) {
    auto window = nib.make<ui::Window>({{0, 0}, size}, ui::kWindowStyleBorderless);
    window->setOpaque(false);
    window->setHasShadow(false);
    nib.addTopLevel(window);
    return window;
}

std::shared_ptr<ui::TextField> cardLabel(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         const std::string& font, double size, const ui::Color& color) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size(font, size));
    field->setTextColor(color);
    field->setAlignment(ui::TextAlignment::Center);
    parent.addSubview(field);
    return field;
}

std::shared_ptr<ui::ImageView> cardImage(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                         const std::string& imageName) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    if (!imageName.empty()) view->setImage(ui::Image::imageNamed(imageName));
    parent.addSubview(view);
    return view;
}

}  // namespace kestrune::cards
