// Three rows of a label with its button, the information button, a check box and a separator line.

#include "menubar/photos/PhotosView.h"
#include "menubar/cells/CellLayout.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kPhotosViewLayout;
const ui::NibRegistry::Registration kPhotosViewLayout("PhotosView", [](ui::NibLoader& nib) {
    auto view = nib.make<PhotosView>({0, 0, 400, 150});
    nib.addTopLevel(view);
    const auto text = ui::Color::darkGrayColor();
    const auto row = [&](double y, std::shared_ptr<ui::TextField>& label,
                         std::shared_ptr<ui::Button>& button) {
        label = cells::label(nib, *view, {20, y, 260, 20}, "Helvetica Neue", 13, text);
        button = cells::textButton(nib, *view, {290, y - 2, 90, 24}, "Show", kestruneGreen());
    };
    row(116, view->loginPhotosLabel, view->loginPhotosButton);
    row(84, view->failedLoginAttemptsPhotoLabel, view->failedLoginAttemptsPhotoButton);
    row(52, view->photosViewInfoLabel, view->photosViewInfoButton);
    view->infoButton = nib.make<ui::Button>({20, 12, 24, 24});
    setToDefaultProperties(*view->infoButton);
    view->infoButton->setTitle("i");
    view->addSubview(view->infoButton);
    view->checkBox = nib.make<ui::Button>({60, 14, 200, 20});
    view->checkBox->setButtonType(ui::ButtonType::Switch);
    view->addSubview(view->checkBox);
    view->clipboardSeparator = nib.make<ui::View>({20, 0, 360, 1});
    setBackgouroundColor(*view->clipboardSeparator, ui::Color::lightGrayColor());
    view->addSubview(view->clipboardSeparator);
});

}  // namespace kestrune
