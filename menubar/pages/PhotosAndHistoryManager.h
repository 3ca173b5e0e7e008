#pragma once

#include <memory>

#include "engine/coordinator/LoginLogoutHistoryWindowDelegate.h"
#include "menubar/pages/BaseMenuItemManager.h"
#include "menubar/pages/PhotosAndHistoryScreens.h"
#include "menubar/photos/FailedLoginPhotosViewDelegate.h"
#include "menubar/photos/KestruneCollectionWindowDelegate.h"
#include "menubar/photos/LoginPhotosView.h"
#include "menubar/photos/LoginPhotosViewDelegate.h"
#include "menubar/photos/MacControllerTrackTutorialViewDelegate.h"
#include "menubar/photos/ManualSnapshotsTutorialViewDelegate.h"

namespace kestrune {

// The photos and history page: photos at each login and at each failed attempt (with a notification),
// and the ways into the photo window, the lock/unlock history and their information pages. It pushes
// those screens into the detail pane and hears what they choose; the coordinator opens the windows
// through it too. Each screen opened is a new one, replacing the one kept before.
class PhotosAndHistoryManager : public BaseMenuItemManager,
                                public LoginPhotosViewDelegate,
                                public FailedLoginPhotosViewDelegate,
                                public MacControllerTrackTutorialViewDelegate,
                                public ManualSnapshotsTutorialViewDelegate,
                                public KestruneCollectionWindowDelegate,
                                public LoginLogoutHistoryWindowDelegate {
public:
    using Entry = std::shared_ptr<platform::Object>;

    Rows createViewModel() override;

    // Information pages, pushed over the current page.
    void showLoginPhotos();
    void showFailedLoginPhotos();
    void showHistory();
    void showManualPhotos();
    // The photo window with the kinds of photos each shows, the entry (none for none) selected.
    void showLoginEntriesWithSelectedEntry(const Entry& entry);
    void showFailedLoginWindowWithEntry(const Entry& entry);
    void showManualSnapshotsWindowWithEntry(const Entry& entry);
    void createNewListWindow();
    void showListWindowWithEntry(const Entry& entry);
    void showLockUnlockHistory();

    void loginPhotosView_didSelectOption(platform::ui::UIObject* view, int32_t option) override;
    void failedLoginPhotosView_didSelectOption(platform::ui::UIObject* view, int32_t option) override;
    void macControllerTrackTutorialView_didSelectOption(platform::ui::UIObject* view,
                                                        int32_t option) override;
    void manualSnapshotsTutorialView_didSelectOption(platform::ui::UIObject* view, int32_t option) override;
    void kestruneCollectionWindow_didSelectOption(platform::ui::UIObject* window, int32_t option) override;
    void loginLogoutHistoryWindow_didSelectFailedLoginEntry(
        platform::ui::UIObject* window, const std::shared_ptr<FailedLoginEntry>& entry) override;
    void loginLogoutHistoryWindow_didSelectLoginLogoutEntry(
        platform::ui::UIObject* window, const std::shared_ptr<LoginLogoutEntry>& entry) override;
    void loginLogoutHistoryWindowDidSelectInfo(platform::ui::UIObject* window) override;

    const std::shared_ptr<LoginPhotosView>& loginPhotosTutorial() const { return loginPhotosTutorial_; }
    const std::shared_ptr<BaseViewController>& failedLoginPhotosTutorial() const {
        return failedLoginPhotosTutorial_;
    }
    const std::shared_ptr<BaseViewController>& trackTutorial() const { return trackTutorial_; }
    const std::shared_ptr<BaseViewController>& manualSnapshotTutorial() const {
        return manualSnapshotTutorial_;
    }
    const std::shared_ptr<PhotoListWindow>& faileLoginsListView() const { return faileLoginsListView_; }
    const std::shared_ptr<BaseViewController>& trackHistoryListView() const { return trackHistoryListView_; }

private:
    template <typename Delegate>
    std::weak_ptr<Delegate> self();
    // Pushes an information page over the current page, named for the comparison by its class.
    void push(const std::shared_ptr<BaseViewController>& page, const char* identifier);
    void popDetail();
    static std::shared_ptr<PhotosAndHistoryScreens> screens(const char* what);

    std::shared_ptr<LoginPhotosView> loginPhotosTutorial_;
    std::shared_ptr<BaseViewController> failedLoginPhotosTutorial_;
    std::shared_ptr<BaseViewController> trackTutorial_;
    std::shared_ptr<BaseViewController> manualSnapshotTutorial_;
    std::shared_ptr<PhotoListWindow> faileLoginsListView_;
    std::shared_ptr<BaseViewController> trackHistoryListView_;
};

}  // namespace kestrune
