#include "uikit/bases/KestruneListViewWindow.h"

#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kKestruneListViewWindowLayout;

std::optional<std::string> KestruneListViewWindow::nibName() const {
    return kKestruneListViewWindowLayout.name;
}

void KestruneListViewWindow::reloadDatasourceAndView(Block completion) {
    std::weak_ptr<KestruneListViewWindow> weak = sharedAs<KestruneListViewWindow>();
    reloadDatsourceWithCompletion([weak, completion] {
        auto self = weak.lock();
        if (!self || !self->listView) return;
        self->listView->reloadData([completion] {
            if (completion) completion();
        });
    });
}

void KestruneListViewWindow::reloadDatsourceWithCompletion(Block completion) {
    if (completion) completion();
}

void KestruneListViewWindow::windowDidLoad() {
    KSWindowController::windowDidLoad();
    setUpListView();
    const auto picture = ui::Image::imageNamed("wizzard_button");
    for (const auto& weak : {bottomRightButton, bottomCenterButton}) {
        if (auto button = weak.lock()) setImageWithPreservedCorners(*button, picture);
    }
    showInfoButton(false);
}

void KestruneListViewWindow::setUpListView() {
    if (listView) listView->setupDefaultProperties();
    if (auto backdrop = listViewBackgroundView.lock())
        setBackgouroundColor_withAlpha(*backdrop, ui::Color::whiteColor(), 0.15);
}

void KestruneListViewWindow::showInfoButton(bool show) {
    if (auto button = infoButton.lock()) button->setHidden(!show);
}

void KestruneListViewWindow::setBottomRightButtonTitle(const std::optional<std::string>& text) {
    setTitle_forButton(text, bottomRightButton.lock().get());
}

void KestruneListViewWindow::setBottomCenterButtonTitle(const std::optional<std::string>& text) {
    setTitle_forButton(text, bottomCenterButton.lock().get());
}

void KestruneListViewWindow::setTitle_forButton(const std::optional<std::string>& text, ui::Button* button) {
    if (!button) return;
    if (!text) {
        button->setAlphaValue(0.0);
        return;
    }
    const auto colour = textColor(*button);
    button->setTitle(*text);
    if (colour) setTextColor(*button, *colour);
    button->setAlphaValue(1.0);
}

}  // namespace kestrune
