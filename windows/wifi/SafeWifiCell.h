#pragma once

#include <memory>

#include "app/records/SafeWifiEntry.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/lists/KestruneListViewCell.h"
#include "windows/wifi/SafeWifiCellDelegate.h"

namespace kestrune {

// One trusted network in the list page: its icon, its name and a delete button.
class SafeWifiCell : public KestruneListViewCell {
public:
    static constexpr const char* kIdentifier = "SafeWifiCell";

    void prepareForReuse() override;
    void deleteToggled(ui::Control& sender);
    // The row has no switch of its own.
    void didChangeSwitch(ui::Control&) {}

    const std::shared_ptr<SafeWifiEntry>& entry() const { return entry_; }
    void setEntry(std::shared_ptr<SafeWifiEntry> entry) { entry_ = std::move(entry); }
    void setDelegate(std::weak_ptr<SafeWifiCellDelegate> delegate) { delegate_ = std::move(delegate); }

    std::shared_ptr<ui::TextField> ssidNameLabel;
    std::shared_ptr<ui::Button> deleteButton;

private:
    std::shared_ptr<SafeWifiEntry> entry_;
    std::weak_ptr<SafeWifiCellDelegate> delegate_;
};

}  // namespace kestrune
