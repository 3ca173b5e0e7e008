#pragma once

#include <memory>

#include "uikit/bases/BaseViewController.h"
#include "windows/wifi/SafeWifiViewModel.h"

namespace kestrune {

// A page of the trusted Wi-Fi wizard: a new view model redraws it.
class SafeWifiWizzardPage : public BaseViewController {
public:
    const std::shared_ptr<SafeWifiViewModel>& viewModel() const { return viewModel_; }
    void setViewModel(std::shared_ptr<SafeWifiViewModel> viewModel) {
        viewModel_ = std::move(viewModel);
        updateViewForViewModel();
    }
    // Nothing in the base.
    virtual void updateViewForViewModel() {}

private:
    std::shared_ptr<SafeWifiViewModel> viewModel_;
};

}  // namespace kestrune
