#include "windows/tutorial/FinishPreviewController.h"

#include "app/support/Localizable.h"
#include "platform/ui/View.h"

namespace kestrune {

void FinishPreviewController::viewDidLoad() {
    ui::ViewController::viewDidLoad();
    setUpView();
}

void FinishPreviewController::setUpView() {
    auto preview = view();
    preview->setWantsLayer(true);
    preview->setAlphaValue(0.5);
    if (backgroundView) backgroundView->setWantsLayer(true);
    updateString();
}

void FinishPreviewController::updateString() {
    if (kestruneTitleLabel) kestruneTitleLabel->setStringValue(localizable("kestrune"));
    if (kestruneSwitchLabel) kestruneSwitchLabel->setStringValue(localizable("kestrune"));
    if (distanceLabel) distanceLabel->setStringValue(localizable("distance"));
}

}  // namespace kestrune
