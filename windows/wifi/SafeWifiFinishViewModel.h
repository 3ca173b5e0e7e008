#pragma once

#include "windows/wifi/SafeWifiViewModel.h"

namespace kestrune {

// The finish page's view model.
class SafeWifiFinishViewModel : public SafeWifiViewModel {};

}  // namespace kestrune
