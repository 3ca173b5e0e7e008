#pragma once

#include "engine/coordinator/CoordinatorServices.h"
#include "features/history/LoginTrackerFactory.h"
#include "features/photos/FailedLoginFactory.h"

namespace kestrune {

// The features the coordinator calls, as built here: the lock/unlock history and the tracker file,
// failed-login and manual photos, the interface language and the user notifications. The other
// features' lines keep the coordinator's defaults until they are composed in.
class KestruneFeatureServices : public FeatureServices {
public:
    void insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date, uint32_t trigger,
                                               bool takePhoto) override;
    void applicationOpenedEntry() override;
    void insertUnlockedEntry() override;
    void insertLockedEntry() override;
    // The global hot keys.
    void updateShortcutsEnabled() override;
    void setShortCutManagerDelegate(std::weak_ptr<ShortCutManagerDelegate> delegate) override;
    void createAndSaveFailedLoginEventTakePhoto(bool takePhoto) override;
    void createAndSaveManualSnapshotWithCompletion(std::function<void()> completion) override;
    void updateLanguageIfNeeded_didUpdateCallback(const std::string& language,
                                                  std::function<void()> didUpdate) override;
    void didUnlockUsingKestrune() override;
    void didUnlockUsingWiFiUnlock() override;
    void showFailedToLoginDetected() override;
    void didCopyToMacClipboard(bool copied) override;
    void didCopyToIosClipboard(bool copied) override;
    void showDidConnectNotificationWithText(const std::string& text) override;
    void showPersistantNativeNotificationWithText(const std::string& text) override;

private:
    LoginTrackerFactory loginTrackerFactory_;
    FailedLoginFactory failedLoginFactory_;
};

}  // namespace kestrune
