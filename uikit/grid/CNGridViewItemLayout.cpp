#include "uikit/grid/CNGridViewItemLayout.h"

#include "uikit/grid/CNGridViewPalette.h"

namespace kestrune {

namespace ui = platform::ui;

CNGridViewItemLayout::CNGridViewItemLayout()
    : backgroundColor(itemBackgroundColor()), selectionRingColor(itemSelectionRingColor()) {
    itemTitleTextAttributes.font = ui::Font::fontWithName_size("Helvetica Neue Thin", 12.0);
    ui::Shadow shadow;
    shadow.shadowColor = ui::Color::blackColor();
    shadow.shadowOffset = {0, -1};
    itemTitleTextAttributes.shadow = shadow;
    itemTitleTextAttributes.foregroundColor = ui::Color::whiteColor();
    ui::ParagraphStyle paragraph;
    paragraph.alignment = ui::TextAlignment::Center;
    itemTitleTextAttributes.paragraphStyle = paragraph;
}

std::shared_ptr<CNGridViewItemLayout> CNGridViewItemLayout::defaultLayout() {
    return std::make_shared<CNGridViewItemLayout>();
}

}  // namespace kestrune
