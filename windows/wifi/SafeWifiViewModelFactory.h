#pragma once

#include <memory>

#include "windows/wifi/SafeWifiViewModel.h"
#include "windows/wifi/SafeWifiWizzardContext.h"

namespace kestrune {

class SafeWifiWizzardPage;

// Builds each page's view model from the wizard's context and the trusted list.
class SafeWifiViewModelFactory {
public:
    std::shared_ptr<SafeWifiViewModel> viewModelForPage_context(const SafeWifiWizzardPage& page,
                                                                const SafeWifiWizzardContext& context) const;
    std::shared_ptr<SafeWifiViewModel> welcomeViewModel() const;
};

}  // namespace kestrune
