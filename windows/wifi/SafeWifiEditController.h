#pragma once

#include <cstdint>
#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/lists/KestruneListView.h"
#include "uikit/lists/PXListViewDelegate.h"
#include "windows/wifi/SafeWifiCellDelegate.h"
#include "windows/wifi/SafeWifiEditControllerDelegate.h"
#include "windows/wifi/SafeWifiWizzardPage.h"

namespace kestrune {

// The trusted networks, one row each with a delete button, the Wi-Fi unlock switch and the button that
// adds the joined network.
class SafeWifiEditController : public SafeWifiWizzardPage,
                               public PXListViewDelegate,
                               public SafeWifiCellDelegate {
public:
    enum Choice : int64_t { kAddNetwork = 0, kSwitchToggled = 1 };
    static constexpr double kRowHeight = 55.0;

    std::optional<std::string> nibName() const override;
    void viewDidLoad() override;
    void updateStrings() override;
    void setUpListView();
    void updateViewForViewModel() override { reloadView(); }
    // The rows from the trusted list, the switch from whether Wi-Fi unlock is on.
    void reloadView();
    void addNewWifi(ui::Control& sender);
    void checkBoxToggled(ui::Control& sender);

    uint64_t numberOfRowsInListView(PXListView& list) override;
    double listView_heightOfRow(PXListView& list, uint64_t row) override;
    std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) override;
    void safeWifiCellDidSelectDelete(SafeWifiCell& cell) override;

    void setDelegate(std::weak_ptr<SafeWifiEditControllerDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

    std::shared_ptr<KestruneListView> listView;
    std::shared_ptr<ui::View> listViewBackgroundView;
    std::shared_ptr<ui::TextField> titleLabel;
    std::shared_ptr<ui::TextField> descriptionLabel;
    std::shared_ptr<ui::TextField> wifiListWifiName;
    std::shared_ptr<ui::TextField> wifiListDelete;
    std::shared_ptr<ui::Button> wifiUnlockCheckox;
    std::shared_ptr<ui::TextField> wifiUnlockCheckoxText;
    std::shared_ptr<ui::TextField> wifiUnlockCheckoxTextDescription;
    std::shared_ptr<ui::Button> addNewButton;

private:
    std::weak_ptr<SafeWifiEditControllerDelegate> delegate_;
};

}  // namespace kestrune
