#include "features/clipboard/ClipboardManager.h"

#include <memory>
#include <optional>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/shell/ThreadHelpers.h"
#include "app/store/DataManager.h"
#include "features/clipboard/MacClipboardManager.h"
#include "features/notifications/KSSpecificNotificationManager.h"
#include "link/requests/VersionFeatureChecker.h"
#include "link/transport/DeviceSpecificConfig.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {

bool isBlankCharacter(char16_t c) {
    return c == u' ' || (c >= 0x0009 && c <= 0x000D) || c == 0x0085 || c == 0x00A0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
           c == 0x3000;
}

bool trackedPhoneIsConnected(const std::shared_ptr<MobileDevice>& phone) {
    if (!phone || !phone->mobileDeviceConnectionInfo()) return false;
    const auto& connected = phone->mobileDeviceConnectionInfo()->isConnected();
    return connected && connected->boolValue();
}

void decide(const std::optional<std::string>& text, const ClipboardManager::Completion& completion) {
    if (!text || ClipboardManager::isBlank(*text))
        return KSSpecificNotificationManager::showClipboardIsEmpty();
    if (static_cast<int64_t>(platform::utf16Length(*text)) > DeviceSpecificConfig::maxClipboardCharLength())
        return KSSpecificNotificationManager::clipboardIsTooBig();
    auto phone = DataManager::shared().getTrackingMobileDevice();
    if (!trackedPhoneIsConnected(phone)) return KSSpecificNotificationManager::deviceNotConnected();
    if (!VersionFeatureChecker::feature_supportedOnDevice(VersionFeatureChecker::kFeatureClipboard, phone))
        return KSSpecificNotificationManager::updateKestruneVersionOnIphoneToUseFeature();
    if (completion) completion(*text);
}

}  // namespace

bool ClipboardManager::isBlank(const std::string& text) {
    for (char16_t c : platform::toUTF16(text))
        if (!isBlankCharacter(c)) return false;
    return true;
}

void ClipboardManager::filterClipboardWithCompletion(Completion completion) {
    runInBackgroundAsync([completion = std::move(completion)] {
        auto text = MacClipboardManager::copyFromClipboard();
        runOnMainQueueAsync([text = std::move(text), completion] { decide(text, completion); });
    });
}

}  // namespace kestrune
