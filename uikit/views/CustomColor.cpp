#include "uikit/views/CustomColor.h"

#include "uikit/views/ColorAdditions.h"

namespace kestrune {

ui::Color warningYellow() {
    return colorWithHexColorString("FFCC00");
}
ui::Color customLightGray() {
    return colorWithHexColorString("4C4C4C");
}
ui::Color kestruneGreen() {
    return colorWithHexColorString("09D261");
}
ui::Color custom1() {
    return colorWithHexColorString("E4E4E4");
}
ui::Color custom2() {
    return colorWithHexColorString("656565");
}
ui::Color custom3() {
    return colorWithHexColorString("EFEFEF");
}
ui::Color redButtonColor() {
    return colorWithHexColorString("DF3434");
}
ui::Color redTextColor() {
    return colorWithHexColorString("DF3434");
}
ui::Color redErrorBackgroundColor() {
    return colorWithHexColorString("DF3434");
}
ui::Color separatorColor() {
    return ui::Color::lightGrayColor();
}
ui::Color separatorColorLight() {
    return custom3();
}
ui::Color mockupsRedButtonColor() {
    return colorWithHexColorString("E74C3C");
}
ui::Color mockupsBlueButtonColor() {
    return colorWithHexColorString("3498DB");
}

}  // namespace kestrune
