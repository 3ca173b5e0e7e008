#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/ClearCacheControllerDelegate.h"
#include "uikit/pagers/BasePagerViewController.h"
#include "windows/screens/InfoViewController.h"

namespace kestrune {

// The three steps that clear the Mac's Bluetooth cache, always at the one the machine calls for:
// Bluetooth on, switch it off; off with the cache file there, delete it; off without the file, restart
// the Mac. While Bluetooth is being switched off the step holds still. A switch-off that Bluetooth never
// reports ends after 20 s on the restart step, the wizard following the machine again.
class ClearCacheController : public BasePagerViewController {
public:
    static constexpr float kTurnOffIndex = 0.0f;
    static constexpr float kDeleteIndex = 1.0f;
    static constexpr float kRestartIndex = 2.0f;

    void viewDidLoad() override;
    void start();
    // Bluetooth changed, or the cache was deleted.
    void updateViewForBLEUpdate();
    // 1 the cache was found corrupted; otherwise the plain first step.
    void setCacheMessage(int32_t code);
    void showAppropriateStepAnimated(bool animated);
    std::optional<std::string> titleDescriptionText() const override;
    std::string descriptionText() const;
    std::shared_ptr<InfoViewController> turnBluetoothOff();
    std::shared_ptr<InfoViewController> deleteCacheFile();
    std::shared_ptr<InfoViewController> restartMac();

    bool ignoreViewUpdates() const { return ignoreViewUpdates_; }
    int32_t cacheMessage() const { return cacheMessage_; }
    std::shared_ptr<ClearCacheControllerDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ClearCacheControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

private:
    void turnOffToggled();

    bool ignoreViewUpdates_ = false;
    int32_t cacheMessage_ = 0;
    std::weak_ptr<ClearCacheControllerDelegate> delegate_;
};

}  // namespace kestrune
