#include "menubar/pages/PhotosAndHistoryManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
constexpr int64_t kOverCurrentPage = NavigationDelegate::kSourceDetailPane;
}  // namespace

template <typename Delegate>
std::weak_ptr<Delegate> PhotosAndHistoryManager::self() {
    return std::static_pointer_cast<Delegate>(
        std::static_pointer_cast<PhotosAndHistoryManager>(shared_from_this()));
}

BaseMenuItemManager::Rows PhotosAndHistoryManager::createViewModel() {
    using M = PhotosAndHistoryManager;
    auto& local = DeviceLocalSettings::shared();
    // The failed-login rows are there on every system version, as failed logins are detected and
    // photographed on every one.
    return {
        F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
            localizable("login_events_title"), localizable("login_events_description"), nullptr,
            localizable("read_more"), weakly<M>([](M& self) { self.showLoginPhotos(); })),
        F::separatorCell(),
        F::checkBoxWithIcon_title_description_isOn_action_readMoreButton_readMoreAction(
            std::string("cell_icon_login_photos"), localizable("take_photo_on_each_login_title"),
            localizable("take_photo_on_each_login_description"), local.takePhotoAfterEachLogin(),
            navigate(&NavigationDelegate::togglePhotoAfterEachLogin, true), localizable("show_photos"),
            weakly<M>([](M& self) { self.showLoginEntriesWithSelectedEntry(nullptr); })),
        F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
            localizable("failed_login_events_title"), localizable("failed_login_events_description"), nullptr,
            localizable("read_more"), weakly<M>([](M& self) { self.showFailedLoginPhotos(); })),
        F::separatorCell(),
        F::checkBoxWithIcon_title_description_isOn_action_readMoreButton_readMoreAction(
            std::string("cell_icon_failed_login_photos"), localizable("take_photo_on_each_failed_attempt"),
            localizable("take_photo_on_each_failed_attempt_description"), local.takePhotoOnFailedLogin(),
            navigate(&NavigationDelegate::toggleTakePhotoOnFailedLogin, true), localizable("show_photos"),
            weakly<M>([](M& self) { self.showFailedLoginWindowWithEntry(nullptr); })),
        F::customCheckBoxWithIcon_title_description_isOn_action(
            std::string("cell_icon_notification"), localizable("send_notification_on_each_failed_attempt"),
            localizable("send_notification_on_each_failed_attempt_description"),
            local.warnUserOnLoginFailed(), navigate(&NavigationDelegate::toggleWarnUserOnFailedLogin, true)),
        F::titleDescriptionCellWithTitle_description_action(localizable("other_events_title"),
                                                            localizable("other_events_description"), nullptr),
        F::separatorCell(),
        F::iconTitleDescriptionCellWithIcon_title_description_action(
            std::string("cell_icon_login_history"), localizable("lock_unlock_history_short"),
            localizable("lock_unlock_history_description_1"), nullptr),
        F::doubleButtonCellWithButton1_action1_button2_action2(
            localizable("tutorial"), weakly<M>([](M& self) { self.showHistory(); }), localizable("show"),
            weakly<M>([](M& self) { self.showLockUnlockHistory(); })),
        F::iconTitleDescriptionCellWithIcon_title_description_action(
            std::string("cell_icon_manual_snapshots"), localizable("manual_snapshots_title"),
            localizable("manual_snapshots_description"), nullptr),
        F::doubleButtonCellWithButton1_action1_button2_action2(
            localizable("tutorial"), navigate(&NavigationDelegate::showManualPhotosInfo),
            localizable("show_photos"),
            weakly<M>([](M& self) { self.showManualSnapshotsWindowWithEntry(nullptr); })),
    };
}

std::shared_ptr<PhotosAndHistoryScreens> PhotosAndHistoryManager::screens(const char* what) {
    auto screens = PhotosAndHistoryScreens::current();
    if (!screens) platform::logf("Photos and history: no screens in this build; the %s does not open", what);
    return screens;
}

void PhotosAndHistoryManager::push(const std::shared_ptr<BaseViewController>& page, const char* identifier) {
    if (!page) return;
    page->setComparisonIdentifier(std::string(identifier));
    if (auto delegate = this->delegate()) delegate->showDetailList_source(page, kOverCurrentPage);
}

void PhotosAndHistoryManager::popDetail() {
    if (auto delegate = this->delegate()) delegate->popViewModelAnimated(true);
}

// Information pages ---------------------------------------------------------------------------------------

void PhotosAndHistoryManager::showLoginPhotos() {
    loginPhotosTutorial_ = BaseViewController::create<LoginPhotosView>();
    loginPhotosTutorial_->setDelegate(self<LoginPhotosViewDelegate>());
    push(loginPhotosTutorial_, "LoginPhotosView");
}

void PhotosAndHistoryManager::showFailedLoginPhotos() {
    auto factory = screens("failed-login photos information");
    if (!factory) return;
    failedLoginPhotosTutorial_ = factory->failedLoginPhotosView(self<FailedLoginPhotosViewDelegate>());
    push(failedLoginPhotosTutorial_, "FailedLoginPhotosView");
}

void PhotosAndHistoryManager::showHistory() {
    auto factory = screens("history information");
    if (!factory) return;
    trackTutorial_ = factory->trackTutorialView(self<MacControllerTrackTutorialViewDelegate>());
    push(trackTutorial_, "MacControllerTrackTutorialView");
}

void PhotosAndHistoryManager::showManualPhotos() {
    auto factory = screens("manual snapshots information");
    if (!factory) return;
    manualSnapshotTutorial_ =
        factory->manualSnapshotsTutorialView(self<ManualSnapshotsTutorialViewDelegate>());
    push(manualSnapshotTutorial_, "ManualSnapshotsTutorialView");
}

// Windows -------------------------------------------------------------------------------------------------

void PhotosAndHistoryManager::showLoginEntriesWithSelectedEntry(const Entry& entry) {
    createNewListWindow();
    if (!faileLoginsListView_) return;
    faileLoginsListView_->setShowLoginEntries(true);
    faileLoginsListView_->setShowFailedLoginAttemptEntries(false);
    faileLoginsListView_->setShowManualSnapshots(false);
    showListWindowWithEntry(entry);
}

void PhotosAndHistoryManager::showFailedLoginWindowWithEntry(const Entry& entry) {
    createNewListWindow();
    if (!faileLoginsListView_) return;
    faileLoginsListView_->setShowLoginEntries(false);
    faileLoginsListView_->setShowFailedLoginAttemptEntries(true);
    faileLoginsListView_->setShowManualSnapshots(false);
    showListWindowWithEntry(entry);
}

void PhotosAndHistoryManager::showManualSnapshotsWindowWithEntry(const Entry& entry) {
    createNewListWindow();
    if (!faileLoginsListView_) return;
    faileLoginsListView_->setShowLoginEntries(false);
    faileLoginsListView_->setShowFailedLoginAttemptEntries(false);
    faileLoginsListView_->setShowManualSnapshots(true);
    showListWindowWithEntry(entry);
}

void PhotosAndHistoryManager::createNewListWindow() {
    auto factory = screens("photo window");
    faileLoginsListView_ = factory ? factory->photoWindow(self<KestruneCollectionWindowDelegate>()) : nullptr;
}

void PhotosAndHistoryManager::showListWindowWithEntry(const Entry& entry) {
    if (!faileLoginsListView_) return;
    faileLoginsListView_->showWindowWithEntry(entry);
    faileLoginsListView_->reloadDatasourceAndViewAndSelectItem();
    if (auto delegate = this->delegate())
        delegate->showDetailController_source(faileLoginsListView_->page(), kOverCurrentPage);
}

void PhotosAndHistoryManager::showLockUnlockHistory() {
    auto factory = screens("lock/unlock history");
    if (!factory) return;
    trackHistoryListView_ = factory->lockUnlockHistoryWindow(self<LoginLogoutHistoryWindowDelegate>());
    if (auto delegate = this->delegate(); delegate && trackHistoryListView_)
        delegate->showDetailController_source(trackHistoryListView_, kOverCurrentPage);
}

// What the screens choose ---------------------------------------------------------------------------------

void PhotosAndHistoryManager::loginPhotosView_didSelectOption(platform::ui::UIObject*, int32_t option) {
    if (option != 1) return;
    popDetail();
    showLoginEntriesWithSelectedEntry(nullptr);
}

void PhotosAndHistoryManager::failedLoginPhotosView_didSelectOption(platform::ui::UIObject*, int32_t option) {
    if (option != 1) return;
    popDetail();
    showFailedLoginWindowWithEntry(nullptr);
}

void PhotosAndHistoryManager::macControllerTrackTutorialView_didSelectOption(platform::ui::UIObject*,
                                                                             int32_t option) {
    if (option == 1) showLockUnlockHistory();
}

void PhotosAndHistoryManager::manualSnapshotsTutorialView_didSelectOption(platform::ui::UIObject*,
                                                                          int32_t option) {
    if (option == 0) showManualPhotos();
}

void PhotosAndHistoryManager::kestruneCollectionWindow_didSelectOption(platform::ui::UIObject*,
                                                                       int32_t option) {
    if (option != 0 && option != 1) return;
    popDetail();
    if (option == 0)
        showLoginPhotos();
    else
        showFailedLoginPhotos();
}

void PhotosAndHistoryManager::loginLogoutHistoryWindow_didSelectFailedLoginEntry(
    platform::ui::UIObject*, const std::shared_ptr<FailedLoginEntry>& entry) {
    showFailedLoginWindowWithEntry(entry);
}

void PhotosAndHistoryManager::loginLogoutHistoryWindow_didSelectLoginLogoutEntry(
    platform::ui::UIObject*, const std::shared_ptr<LoginLogoutEntry>& entry) {
    showLoginEntriesWithSelectedEntry(entry);
}

void PhotosAndHistoryManager::loginLogoutHistoryWindowDidSelectInfo(platform::ui::UIObject*) {
    showHistory();
}

}  // namespace kestrune
