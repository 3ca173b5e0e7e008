#include "reporting/core/AdMobKit.h"

namespace reporting {

std::shared_ptr<AdMobKit> AdMobKit::sharedInstance() {
    static const auto instance = std::make_shared<AdMobKit>();
    return instance;
}

std::shared_ptr<RKTKitClass> AdMobKit::kitClass() {
    static const auto made = RKTKitClass::kitClass("AdMobKit", sharedInstance());
    return made;
}

}  // namespace reporting
