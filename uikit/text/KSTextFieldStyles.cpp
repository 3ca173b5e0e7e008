#include "uikit/text/KSTextFieldStyles.h"

#include "uikit/views/CustomColor.h"

namespace kestrune {

void KSTextFieldTitle::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 25, ui::Color::blackColor());
}

void KSTextFieldTitleWhite::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 25, ui::Color::whiteColor());
}

void KSTextFieldTitle1::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 20, ui::Color::blackColor());
}

void KSTextFieldTitle1_2::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 16, ui::Color::blackColor());
}

void KSTextFieldTitle2::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 14, customLightGray());
}

void KSTextFieldTitle2_2::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 13, customLightGray());
}

void KSTextFieldTitle3::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica", 14, ui::Color::blackColor());
}

void KSTextFieldDescription::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 16, customLightGray());
}

void NSTextFieldDescription2::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 13, ui::Color::blackColor());
}

void KSTextFieldDescription3::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 12, customLightGray());
}

void KSTextFieldDescription3White::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 12, ui::Color::whiteColor());
}

void KSTextFieldDescription4::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 12, ui::Color::blackColor());
}

void KSTextFieldDescription5::setUpInitialLayout() {
    KSTextFieldBase::setUpInitialLayout();
    applyStyle("Helvetica Neue Light", 9, ui::Color::blackColor());
}

}  // namespace kestrune
