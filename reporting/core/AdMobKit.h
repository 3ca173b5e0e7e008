#pragma once

#include <memory>
#include <string>

#include "reporting/core/RKTKit.h"
#include "reporting/core/RKTKitClass.h"

namespace reporting {

// Stands for an outside advertising kit in the kit list when that kit ("MobileAdsKit") is present.
class AdMobKit : public RKTKit {
public:
    static std::shared_ptr<AdMobKit> sharedInstance();
    static std::shared_ptr<RKTKitClass> kitClass();

    std::string bundleIdentifier() const override { return "com.mobileadskit.sdk.mac"; }
    std::string kitDisplayVersion() const override { return "0.0.0"; }
};

}  // namespace reporting
