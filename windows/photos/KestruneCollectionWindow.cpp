#include "windows/photos/KestruneCollectionWindow.h"

#include "app/records/LoginLogoutEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/store/DataManager.h"
#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "app/support/NSDateFormatterHelper.h"
#include "app/support/Utilities.h"
#include "engine/session/AuthorizationManager.h"
#include "features/notifications/KSSpecificNotificationManager.h"
#include "features/photos/FailedLoginFactory.h"
#include "features/photos/PhotoNotices.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/ui/Nib.h"
#include "uikit/grid/CNGridImageViewItem.h"
#include "windows/sharing/KestruneImageController.h"
#include "windows/sharing/MugShotGenerator.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kKestruneCollectionWindowLayout;

namespace {
constexpr const char* kShareText = "Nice try logging into my Mac! Busted with Kestrune!";

// The records of a stored list, as they are (deleting one finds it by identity). Main thread.
PhotoCollection::Entries recordsOf(const std::optional<ApplicationDataModel::EntryList>& list) {
    PhotoCollection::Entries records;
    if (!list) return records;
    for (const auto& held : *list)
        if (auto entry = std::dynamic_pointer_cast<BaseEntry>(held)) records.push_back(std::move(entry));
    return records;
}
}  // namespace

std::optional<std::string> KestruneCollectionWindow::nibName() const {
    return kKestruneCollectionWindowLayout.name;
}

void KestruneCollectionWindow::windowDidLoad() {
    KSWindowController::windowDidLoad();
    if (mainImageView) mainImageView->setImage(nullptr);
    selectedEntry_.reset();
    reloadDatasourceAndViewAndSelectItem();
    popoverManager_ = PopoverManager::initWithDelegate(sharedAs<KestruneCollectionWindow>());
    updatePopoverView();
}

void KestruneCollectionWindow::showWindowWithEntry(std::shared_ptr<FailedLoginEntry> entry) {
    failedLoginEntryToSelect_ = std::move(entry);
    if (gridDidLoadAtLeastOnce_) selectFailedEntry();
}

void KestruneCollectionWindow::reloadDatasourceAndViewAndSelectItem() {
    selectFirstItemAfterReloadFinished_ = true;
    reloadDatasourceAndView();
}

void KestruneCollectionWindow::reloadDatsourceWithCompletion(Block completion) {
    // The lists as they are now, taken on the main thread; the records themselves do not change.
    PhotoCollection::Entries failed, history, snapshots;
    if (auto data = DataManager::shared().applicationData()) {
        failed = recordsOf(data->arrayOfFailedLogins());
        history = recordsOf(data->arrayOfLoginLogouts());
        snapshots = recordsOf(data->arrayOfManualSnapshots());
    }
    const bool withFailed = showFailedLoginAttemptEntries, withLogins = showLoginEntries,
               withSnapshots = showManualSnapshots;
    std::weak_ptr<KestruneCollectionWindow> weak = sharedAs<KestruneCollectionWindow>();
    const uint64_t asked = ++reloadsAsked_;
    runInBackgroundAsync([=, completion = std::move(completion)] {
        // Looking for the photo files is the slow part.
        auto shown =
            PhotoCollection::shownEntries(withFailed, failed, withLogins, history, withSnapshots, snapshots);
        runOnMainQueueAsync([weak, shown = std::move(shown), asked, completion] {
            auto self = weak.lock();
            if (!self) return;
            // The photos of a choice changed since are not shown over those of the newer one.
            if (asked == self->reloadsAsked_) self->listViewArray_ = shown;
            if (completion) completion();
        });
    });
}

void KestruneCollectionWindow::reloadDatasourceAndView() {
    std::weak_ptr<KestruneCollectionWindow> weak = sharedAs<KestruneCollectionWindow>();
    reloadDatsourceWithCompletion([weak] {
        auto self = weak.lock();
        if (!self) return;
        if (!self->listViewArray_.empty()) {
            self->hideGrid(false);
            self->loadLayouts();
            self->setupGridView();
            // A reload that selects again starts from no selection: the grid keeps its selection by
            // index across reloads, and a record deleted at the index to select would block it.
            if (self->gridView && self->selectFirstItemAfterReloadFinished_)
                self->gridView->deselectAllItems();
            if (self->gridView) self->gridView->reloadData();
            self->updatePopoverView();
            return;
        }
        self->hideGrid(true);
        const auto facts = PhotoNotices::Facts::current();
        if (self->infoLabel)
            self->infoLabel->setStringValue(
                localizable(PhotoNotices::noPictureTextKey(self->showLoginEntries, facts)));
        if (self->infoImageView)
            self->infoImageView->setImage(ui::Image::imageNamed(PhotoNotices::noPictureImageName(facts)));
        if (self->fullScreenImage) self->fullScreenImage->setImage(ui::Image::imageNamed("placeholder_big"));
    });
}

void KestruneCollectionWindow::hideGrid(bool hide) {
    for (const auto& view :
         std::vector<std::shared_ptr<ui::View>>{gridView, gridScrollView, downloadButton, shareButton,
                                                trashButton, deleteAllButton, mainImageView})
        if (view) view->setHidden(hide);
    for (const auto& view : std::vector<std::shared_ptr<ui::View>>{infoLabel, infoImageView, fullScreenImage})
        if (view) view->setHidden(!hide);
    if (gridView) gridView->setTransparentBackground();
}

void KestruneCollectionWindow::loadLayouts() {
    defaultLayout_ = CNGridViewItemLayout::defaultLayout();
    defaultLayout_->backgroundColor = ui::Color::clearColor();
    hoverLayout_ = CNGridViewItemLayout::defaultLayout();
    hoverLayout_->backgroundColor = ui::Color::grayColor().colorWithAlphaComponent(0.42);
    selectionLayout_ = CNGridViewItemLayout::defaultLayout();
    selectionLayout_->backgroundColor = ui::Color::whiteColor();
}

void KestruneCollectionWindow::setupGridView() {
    if (!gridView) return;
    gridView->setAllowsMultipleSelection(false);
    gridView->setAllowsMultipleSelectionWithDrag(false);
    gridView->setItemSize({kItemWidth, kItemHeight});
    gridView->setBackgroundColor(ui::Color::clearColor());
    gridView->setScrollElasticity(false);
    gridView->setDataSource(sharedAs<KestruneCollectionWindow>());
    gridView->setDelegate(sharedAs<KestruneCollectionWindow>());
}

void KestruneCollectionWindow::updatePopoverView() {
    if (!popoverManager_) return;
    popoverManager_->updatePopoverModelForFailedLoginAttempts(showFailedLoginAttemptEntries);
    const auto& model = popoverManager_->currentPopoverModel();
    if (notificationButton) notificationButton->setHidden(!model);
    if (notificationLable) {
        notificationLable->setHidden(!model);
        notificationLable->setStringValue(model ? model->popoverDescriptionShort.value_or("") : "");
    }
}

void KestruneCollectionWindow::selectLastSelectedItem() {
    if (!gridView || listViewArray_.empty()) return;
    if (selectedIndexPath_ < 0) selectedIndexPath_ = 0;
    gridView->selectItemAtIndex(
        selectedIndexPath_ < static_cast<int64_t>(listViewArray_.size()) ? selectedIndexPath_ : 0);
}

void KestruneCollectionWindow::selectFailedEntry() {
    auto wanted = std::move(failedLoginEntryToSelect_);
    failedLoginEntryToSelect_.reset();
    if (!wanted || !wanted->imagePath() || !gridView) return;
    for (size_t i = 0; i < listViewArray_.size(); ++i) {
        if (PhotoCollection::imagePathMatches(*listViewArray_[i], *wanted->imagePath())) {
            gridView->selectItemAtIndex(static_cast<int64_t>(i));
            return;
        }
    }
}

std::shared_ptr<ui::Image> KestruneCollectionWindow::generateMughshotForEntry(
    const std::shared_ptr<BaseEntry>& entry) {
    if (!entry) return nullptr;
    if (std::dynamic_pointer_cast<FailedLoginEntry>(entry) ||
        std::dynamic_pointer_cast<ManaulSnapshotEntry>(entry))
        return MugShotGenerator::generateMugshotFailedLoginEntry(*entry);
    if (auto login = std::dynamic_pointer_cast<LoginLogoutEntry>(entry))
        return MugShotGenerator::generateLoginImageEntry(*login);
    return nullptr;
}

// Buttons ------------------------------------------------------------------------------------------------

void KestruneCollectionWindow::deleteToggled(ui::Control&) {
    deleteSelectedIndexPath();
}

void KestruneCollectionWindow::deleteSelectedIndexPath() {
    if (selectedIndexPath_ < 0 || selectedIndexPath_ >= static_cast<int64_t>(listViewArray_.size())) return;
    auto entry = listViewArray_[static_cast<size_t>(selectedIndexPath_)];
    std::weak_ptr<KestruneCollectionWindow> weak = sharedAs<KestruneCollectionWindow>();
    AuthorizationManager::authorizeWithMessage_completion(
        localizable("delete_single_photo"), [weak, entry](bool granted) {
            auto self = weak.lock();
            if (!self) return;
            if (granted) {
                FailedLoginFactory::deleteBaseEntry(entry);
                self->selectedIndexPath_ -= 1;
                self->reloadDatasourceAndViewAndSelectItem();
            }
            self->showWindow();
        });
}

void KestruneCollectionWindow::deleteAllToggled(ui::Control&) {
    deleteAllShownEntries();
}

void KestruneCollectionWindow::deleteAllShownEntries() {
    auto shown = listViewArray_;
    std::weak_ptr<KestruneCollectionWindow> weak = sharedAs<KestruneCollectionWindow>();
    AuthorizationManager::authorizeWithMessage_completion(
        localizable("delete_all_photos_question"), [weak, shown](bool granted) {
            auto self = weak.lock();
            if (!self) return;
            if (granted) {
                for (const auto& entry : shown) FailedLoginFactory::deleteBaseEntry(entry);
                self->reloadDatasourceAndViewAndSelectItem();
            }
            self->showWindow();
        });
}

void KestruneCollectionWindow::shareToggled(ui::Control& sender) {
    std::vector<ui::SharingItem> items{std::string(kShareText) + " " + KSUrlManager::kWebsite};
    if (selectedEntry_)
        if (auto image = generateMughshotForEntry(selectedEntry_)) items.push_back(image);
    auto picker = ui::SharingServicePicker::initWithItems(std::move(items));
    picker->setDelegate(sharedAs<KestruneCollectionWindow>());
    picker->showRelativeToRect_ofView_preferredEdge(sender.bounds(), sender.sharedView(), ui::RectEdge::MinY);
}

void KestruneCollectionWindow::saveToDocumentsToggled(ui::Control&) {
    if (!selectedEntry_) return;
    const std::string folder = Utilities::kestruneDocumentsDirectory();
    const auto path = PhotoCollection::firstFreeMugshotPath(folder);
    if (!path) {
        platform::logf("Photo window: not saved, every share image name in %s is taken", folder.c_str());
        return;
    }
    auto image = generateMughshotForEntry(selectedEntry_);
    auto png = image ? image->pngRepresentation() : std::nullopt;
    if (!png) {
        platform::logf("Photo window: not saved, the photo could not be pictured");
        return;
    }
    // Announced only once the file is there, whole.
    if (!platform::Files::writeAtomically(*path, platform::Data(std::move(*png)), 0600)) {
        platform::logf("Photo window: the share image could not be saved to %s", path->c_str());
        return;
    }
    MugShotGenerator::rememberSavedMugShotPath(*path);
    KSSpecificNotificationManager::showPersistantNativeNotificationWithText_identifier(
        localizable("mugshot_image_saved_to_documents"),
        KestruneImageController::kSavedNotificationIdentifier);
}

void KestruneCollectionWindow::notificationToggled(ui::Control& sender) {
    if (popoverManager_) popoverManager_->showPopoverFromView(sender.sharedView());
}

// The grid ------------------------------------------------------------------------------------------------

bool KestruneCollectionWindow::implements(CNGridViewDelegate::Op op) const {
    return op == CNGridViewDelegate::Op::DidSelectItem ||
           op == CNGridViewDelegate::Op::DidFinishReloadingVisibleItems;
}

int64_t KestruneCollectionWindow::gridView_numberOfItemsInSection(CNGridView&, int64_t) {
    return static_cast<int64_t>(listViewArray_.size());
}

std::shared_ptr<CNGridViewItemBase> KestruneCollectionWindow::gridView_itemAtIndex_inSection(CNGridView& grid,
                                                                                             int64_t index,
                                                                                             int64_t) {
    if (index < 0 || index >= static_cast<int64_t>(listViewArray_.size())) return nullptr;
    auto item = std::dynamic_pointer_cast<CNGridImageViewItem>(
        grid.dequeueReusableItemWithIdentifier(CNGridViewItemBase::kDefaultReuseIdentifier));
    if (!item)
        item = CNGridViewItem::initWithLayout_reuseIdentifier<CNGridImageViewItem>(
            defaultLayout_ ? defaultLayout_ : CNGridViewItemLayout::defaultLayout(),
            CNGridViewItemBase::kDefaultReuseIdentifier);
    item->setHoverLayout(hoverLayout_);
    item->setSelectionLayout(selectionLayout_);
    const auto& entry = listViewArray_[static_cast<size_t>(index)];
    item->setItemTitle(entry->date() ? NSDateFormatterHelper::stringToMinutesFromDate(*entry->date()) : "");
    item->setItemImage(entry->mugShotImage());
    return item;
}

void KestruneCollectionWindow::gridView_didSelectItemAtIndex_inSection(CNGridView&, int64_t index, int64_t) {
    if (index < 0 || index >= static_cast<int64_t>(listViewArray_.size())) return;
    selectedIndexPath_ = index;
    selectedEntry_ = listViewArray_[static_cast<size_t>(index)];
    if (mainImageView) mainImageView->setImage(generateMughshotForEntry(selectedEntry_));
}

void KestruneCollectionWindow::gridViewDidFinishReloadingVisibleItems(CNGridView&) {
    if (selectFirstItemAfterReloadFinished_) {
        selectFirstItemAfterReloadFinished_ = false;
        selectLastSelectedItem();
    }
    gridDidLoadAtLeastOnce_ = true;
    selectFailedEntry();
}

void KestruneCollectionWindow::popoverManager_didSelectOption(PopoverManager&, int32_t option) {
    if (option == 0) {
        updatePopoverView();
        return;
    }
    auto d = delegate();
    if (!d) return;
    if (option == 1) d->kestruneCollectionWindow_didSelectOption(this, 0);
    if (option == 2) d->kestruneCollectionWindow_didSelectOption(this, 1);
}

std::shared_ptr<ui::SharingServiceDelegate>
KestruneCollectionWindow::sharingServicePicker_delegateForSharingService(ui::SharingServicePicker&,
                                                                         ui::SharingService&) {
    return sharedAs<KestruneCollectionWindow>();
}

std::shared_ptr<ui::Window>
KestruneCollectionWindow::sharingService_sourceWindowForShareItems_sharingContentScope(
    ui::SharingService&, const std::vector<ui::SharingItem>&, int*) {
    return window();
}

}  // namespace kestrune
