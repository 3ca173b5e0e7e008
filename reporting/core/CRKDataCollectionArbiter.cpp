#include "reporting/core/CRKDataCollectionArbiter.h"

#include "platform/system/Bundle.h"
#include "reporting/core/CRKNMBApp.h"
#include "reporting/core/CRKUserDefaults.h"
#include "reporting/core/RKTBoolValue.h"
#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

std::string CRKDataCollectionArbiter::stickySettingKey() {
    return std::string(RKTCrashKitReverseDomainPrefix) + ".data_collection";
}

int64_t CRKDataCollectionArbiter::stickySetting() {
    return CRKUserDefaults::standardUserDefaults()->integerForKey(stickySettingKey());
}

bool CRKDataCollectionArbiter::isCrashKitCollectionEnabled() {
    const int64_t sticky = stickySetting();
    if (sticky != kStickyNotSet) return sticky == kStickyEnabled;
    const platform::Value plist =
        platform::Bundle::main().objectForInfoDictionaryKey("NimbusCrashKitCollectionEnabled");
    if (RKTIsStringOrNumber(plist)) return RKTBoolValue(plist);
    return CRKNMBApp::isDataCollectionDefaultEnabled();
}

bool CRKDataCollectionArbiter::setCrashKitCollectionEnabled(bool enabled) {
    auto defaults = CRKUserDefaults::standardUserDefaults();
    defaults->setInteger_forKey(enabled ? kStickyEnabled : kStickyDisabled, stickySettingKey());
    return defaults->synchronize();
}

bool CRKDataCollectionArbiter::isLegacyPlistCrashKitCollectionEnabled() {
    const platform::Value plist =
        platform::Bundle::main().objectForInfoDictionaryKey("nimbus_crashkit_collection_enabled");
    if (RKTIsStringOrNumber(plist)) return RKTBoolValue(plist);
    return true;
}

}  // namespace reporting
