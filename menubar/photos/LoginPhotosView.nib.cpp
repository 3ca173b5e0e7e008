// A title, five lines of explanation, the show button, a back link and a foot note, on the settings
// window's light page.

#include "menubar/photos/LoginPhotosView.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kLoginPhotosViewLayout;
const ui::NibRegistry::Registration kLoginPhotosViewLayout("LoginPhotosView", [](ui::NibLoader& nib) {
    auto page = nib.make<ui::View>({0, 0, 480, 400});
    nib.addTopLevel(page);
    const auto grey = ui::Color::darkGrayColor();
    auto title = cells::label(nib, *page, {40, 340, 400, 28}, "Helvetica Neue", 20, ui::Color::blackColor());
    std::vector<std::shared_ptr<ui::TextField>> lines;
    double y = 280;
    for (double height : {48.0, 20.0, 20.0, 20.0, 20.0}) {
        auto line = cells::label(nib, *page, {40, y, 400, height}, "Helvetica Neue", 13, grey);
        line->setLineBreakMode(ui::LineBreakMode::WordWrapping);
        lines.push_back(line);
        y -= height + 8;
    }
    auto show = nib.make<KSButton3>({165, 70, 150, 34});
    page->addSubview(show);
    auto back = cells::textButton(nib, *page, {20, 20, 80, 24}, "Back", kestruneGreen(), ui::kViewNotSizable);
    auto foot = cells::label(nib, *page, {120, 24, 340, 18}, "Helvetica Neue", 11, grey);

    auto owner = nib.owner<LoginPhotosView>();
    if (!owner) return;
    owner->setView(page);
    owner->titleLabel = title;
    owner->descriptionLabel = lines[0];
    owner->description2Label = lines[1];
    owner->description3Label = lines[2];
    owner->description4Label = lines[3];
    owner->description5Label = lines[4];
    owner->showButton = show;
    owner->backButton = back;
    owner->footNoteLabel = foot;
    cells::connect<LoginPhotosView>(*show, owner, &LoginPhotosView::showToggled);
    cells::connect<LoginPhotosView>(*back, owner, &LoginPhotosView::backToggled);
});

}  // namespace kestrune
