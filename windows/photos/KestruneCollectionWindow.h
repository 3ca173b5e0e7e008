#pragma once

#include <memory>
#include <vector>

#include "app/records/FailedLoginEntry.h"
#include "app/shell/ThreadHelpers.h"
#include "features/photos/PhotoCollection.h"
#include "menubar/photos/KestruneCollectionWindowDelegate.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/SharingServicePicker.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/KSWindowController.h"
#include "uikit/grid/CNGridView.h"
#include "uikit/grid/CNGridViewItemLayout.h"
#include "windows/photos/PopoverManager.h"

namespace kestrune {

// The photo window: the stored photos of the kinds its opener chose in a strip, the selected one large
// as its share image, and buttons to share, save to the Documents folder, delete it or delete all shown.
// With nothing to show, or a setting that keeps photos from being taken, a notice explains why. The
// records are gathered on a background queue and handed to the window on the main thread.
class KestruneCollectionWindow : public KSWindowController,
                                 public CNGridViewDataSource,
                                 public CNGridViewDelegate,
                                 public PopoverManagerDelegate,
                                 public ui::SharingServicePickerDelegate,
                                 public ui::SharingServiceDelegate {
public:
    static constexpr double kItemWidth = 196.22641509433964;
    static constexpr double kItemHeight = 120;

    // "KestruneCollectionWindow".
    std::optional<std::string> nibName() const override;
    void windowDidLoad() override;

    // Remembers the record to select; selects it now when the grid has loaded before.
    void showWindowWithEntry(std::shared_ptr<FailedLoginEntry> entry);
    void reloadDatasourceAndViewAndSelectItem();
    void reloadDatasourceAndView();
    void reloadDatsourceWithCompletion(Block completion);
    void hideGrid(bool hide);
    void updatePopoverView();
    void selectLastSelectedItem();
    void selectFailedEntry();
    // The share image of a record: the line-up card for a failed login or a manual photo, the login card
    // for a history record; none for anything else.
    static std::shared_ptr<ui::Image> generateMughshotForEntry(const std::shared_ptr<BaseEntry>& entry);
    void deleteSelectedIndexPath();
    void deleteAllShownEntries();

    // Buttons.
    void deleteToggled(ui::Control& sender);
    void deleteAllToggled(ui::Control& sender);
    void shareToggled(ui::Control& sender);
    void saveToDocumentsToggled(ui::Control& sender);
    void notificationToggled(ui::Control& sender);

    // The grid.
    bool implements(CNGridViewDelegate::Op op) const override;
    int64_t gridView_numberOfItemsInSection(CNGridView& grid, int64_t section) override;
    std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& grid, int64_t index,
                                                                       int64_t section) override;
    void gridView_didSelectItemAtIndex_inSection(CNGridView& grid, int64_t index, int64_t section) override;
    void gridViewDidFinishReloadingVisibleItems(CNGridView& grid) override;

    void popoverManager_didSelectOption(PopoverManager& manager, int32_t option) override;

    // Sharing: the window is the chosen service's delegate and the window its sheet would hang from.
    std::shared_ptr<ui::SharingServiceDelegate> sharingServicePicker_delegateForSharingService(
        ui::SharingServicePicker& picker, ui::SharingService& service) override;
    std::shared_ptr<ui::Window> sharingService_sourceWindowForShareItems_sharingContentScope(
        ui::SharingService& service, const std::vector<ui::SharingItem>& items, int* scope) override;

    std::shared_ptr<KestruneCollectionWindowDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<KestruneCollectionWindowDelegate> delegate) {
        delegate_ = std::move(delegate);
    }
    bool showFailedLoginAttemptEntries = false;
    bool showLoginEntries = false;
    bool showManualSnapshots = false;
    const PhotoCollection::Entries& listViewArray() const { return listViewArray_; }
    int64_t selectedIndexPath() const { return selectedIndexPath_; }
    const std::shared_ptr<BaseEntry>& selectedEntry() const { return selectedEntry_; }
    const std::shared_ptr<FailedLoginEntry>& failedLoginEntryToSelect() const {
        return failedLoginEntryToSelect_;
    }
    bool gridDidLoadAtLeastOnce() const { return gridDidLoadAtLeastOnce_; }
    const std::shared_ptr<PopoverManager>& popoverManager() const { return popoverManager_; }

    // Outlets.
    std::shared_ptr<CNGridView> gridView;
    std::shared_ptr<ui::ScrollView> gridScrollView;
    std::shared_ptr<ui::ImageView> mainImageView;
    std::shared_ptr<ui::ImageView> fullScreenImage;
    std::shared_ptr<ui::TextField> infoLabel;
    std::shared_ptr<ui::ImageView> infoImageView;
    std::shared_ptr<ui::Button> notificationButton;
    std::shared_ptr<ui::TextField> notificationLable;
    std::shared_ptr<ui::Button> trashButton;
    std::shared_ptr<ui::Button> shareButton;
    std::shared_ptr<ui::Button> downloadButton;
    std::shared_ptr<ui::Button> deleteAllButton;

private:
    void loadLayouts();
    void setupGridView();

    std::weak_ptr<KestruneCollectionWindowDelegate> delegate_;
    PhotoCollection::Entries listViewArray_;
    // Reloads run on the pool and may finish out of order: only the last one asked for is adopted.
    uint64_t reloadsAsked_ = 0;
    int64_t selectedIndexPath_ = 0;
    std::shared_ptr<BaseEntry> selectedEntry_;
    std::shared_ptr<FailedLoginEntry> failedLoginEntryToSelect_;
    bool selectFirstItemAfterReloadFinished_ = false;
    bool gridDidLoadAtLeastOnce_ = false;
    std::shared_ptr<CNGridViewItemLayout> defaultLayout_;
    std::shared_ptr<CNGridViewItemLayout> hoverLayout_;
    std::shared_ptr<CNGridViewItemLayout> selectionLayout_;
    std::shared_ptr<PopoverManager> popoverManager_;
};

}  // namespace kestrune
