#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/HelpDelegate.h"
#include "windows/pagers/BaseTutorialVC.h"
#include "windows/screens/InfoViewController.h"

namespace kestrune {

// The shorter troubleshooting sequence the pairing wizard offers when the first connection fails:
// download and open the phone application, Bluetooth on the phone, restart Bluetooth, the update pages
// when due, FAQ or clear the cache, FAQ or e-mail. Unlike the help pager it leaves recovery mode alone.
class InitialConnectionTroubleShoot : public BaseTutorialVC {
public:
    void viewDidLoad() override;
    void reloadPages() override;
    std::optional<std::string> titleDescriptionText() const override;
    std::string generalTitle() const override;
    std::shared_ptr<InfoViewController> createDownloadAndOpen();
    std::shared_ptr<InfoViewController> bluetoothOnIphone();
    std::shared_ptr<InfoViewController> restartBluetoothOnMac();
    // Its FAQ button shows the last page at once, leaving the page index at this page, so that back
    // from there returns to the page before this one.
    std::shared_ptr<InfoViewController> supportOrClearCache();

    std::shared_ptr<HelpDelegate> helpDelegate() const { return helpDelegate_.lock(); }
    void setHelpDelegate(std::weak_ptr<HelpDelegate> delegate) { helpDelegate_ = std::move(delegate); }
    const std::shared_ptr<InfoViewController>& macUpdate() const { return macUpdate_; }
    const std::shared_ptr<InfoViewController>& iosUpdate() const { return iosUpdate_; }
    const std::shared_ptr<InfoViewController>& downloadAndOpen() const { return downloadAndOpen_; }
    const std::shared_ptr<InfoViewController>& bluetoothIphone() const { return bluetoothIphone_; }
    const std::shared_ptr<InfoViewController>& restartBluetooth() const { return restartBluetooth_; }
    const std::shared_ptr<InfoViewController>& support() const { return support_; }
    const std::shared_ptr<InfoViewController>& faq() const { return faq_; }

private:
    Block next();

    std::weak_ptr<HelpDelegate> helpDelegate_;
    std::shared_ptr<InfoViewController> macUpdate_, iosUpdate_;
    std::shared_ptr<InfoViewController> downloadAndOpen_, bluetoothIphone_, restartBluetooth_, support_, faq_;
};

}  // namespace kestrune
