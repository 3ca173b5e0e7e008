#pragma once

#include "platform/ui/Color.h"

namespace kestrune {

namespace ui = platform::ui;

// The application's palette. Each call answers a new colour.
ui::Color warningYellow();
ui::Color customLightGray();
ui::Color kestruneGreen();
ui::Color custom1();
ui::Color custom2();
ui::Color custom3();
ui::Color redButtonColor();
ui::Color redTextColor();
ui::Color redErrorBackgroundColor();
ui::Color separatorColor();
ui::Color separatorColorLight();
ui::Color mockupsRedButtonColor();
ui::Color mockupsBlueButtonColor();

}  // namespace kestrune
