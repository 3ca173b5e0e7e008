#pragma once

#include "windows/wifi/SafeWifiViewModel.h"

namespace kestrune {

// The add page's view model.
class SafeWifiNewViewModel : public SafeWifiViewModel {};

}  // namespace kestrune
