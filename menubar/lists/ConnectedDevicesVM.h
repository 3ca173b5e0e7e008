#pragma once

#include <memory>
#include <optional>
#include <string>

#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// The row showing this Mac and the paired phone by name; `isOn` says whether they are connected.
class ConnectedDevicesVM : public ListCellViewModel {
public:
    static std::shared_ptr<ConnectedDevicesVM> init() { return std::make_shared<ConnectedDevicesVM>(); }
    std::string className() const override { return "ConnectedDevicesVM"; }

    const std::optional<std::string>& macName() const { return macName_; }
    void setMacName(std::optional<std::string> v) { macName_ = std::move(v); }
    const std::optional<std::string>& iPhoneName() const { return iPhoneName_; }
    void setIPhoneName(std::optional<std::string> v) { iPhoneName_ = std::move(v); }

private:
    std::optional<std::string> macName_;
    std::optional<std::string> iPhoneName_;
};

}  // namespace kestrune
