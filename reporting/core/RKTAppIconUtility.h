#pragma once

#include <memory>
#include <optional>

#include "platform/base/Value.h"
#include "reporting/core/RKTIcon.h"

namespace reporting {

// Finds the application's icon: the image file that the Info.plist's "CFBundleIconFile" names among the
// bundle's resources (".png" assumed when the name has no extension).
class RKTAppIconUtility {
public:
    // Made on first use, then kept.
    std::shared_ptr<RKTIcon> applicationIcon();
    std::shared_ptr<RKTIcon> fetchApplicationIcon() const;
    platform::Value::Dictionary appInfoDictionary() const;
    // The icon file's bytes with its size (a PNG's pixel size, one point per pixel); none when the
    // application names no icon or its file cannot be read.
    std::optional<RKTIcon::Image> mainAppIcon() const;

private:
    bool fetched_ = false;
    std::shared_ptr<RKTIcon> applicationIcon_;
};

}  // namespace reporting
