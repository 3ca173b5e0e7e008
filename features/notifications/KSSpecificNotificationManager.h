#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kestrune {

class MobileDevice;

// The catalogue of the application's notifications: each with its localized text, its identifier, its
// lifetime (persistent, or hidden after 5 s) and, for the failures, the error sound first.
class KSSpecificNotificationManager {
public:
    static constexpr int64_t kAutoHideDelay = 5;

    static void showPersistantNativeNotificationWithText(const std::string& text);
    static void showPersistantNativeNotificationWithText_identifier(const std::string& text,
                                                                    const std::string& identifier);
    static void showAutoHideNotificationWithText(const std::string& text);
    static void showAutoHideNotificationWithText_identifier(const std::string& text,
                                                            const std::string& identifier);

    static void showDidConnectNotificationWithText(const std::string& text);
    static void showClipboardIsEmpty();
    static void updateKestruneVersionOnIphoneToUseFeature();
    static void deviceNotConnected();
    static void clipboardIsTooBig();
    static void showFailedToLoginDetected();
    static void didNotCopyToIosClipboard();
    static void didNotCopyToMacClipboard();
    // Nothing at all when the user turned the notification after each unlock off.
    static void didUnlockUsingKestrune();
    static void didCopyToMacClipboard();
    static void didUnlockUsingWiFiUnlock();
    static void didCopyToIosClipboard();
};

// Hooks for a phone connecting and disconnecting; they do nothing.
class KSNotificationProxy {
public:
    static void didConnectToDevice(const std::shared_ptr<MobileDevice>&) {}
    static void didDisconnectFromDevice(const std::shared_ptr<MobileDevice>&) {}
};

}  // namespace kestrune
