#pragma once

#include <memory>

#include "engine/coordinator/LoginLogoutHistoryWindowDelegate.h"
#include "menubar/photos/FailedLoginPhotosViewDelegate.h"
#include "menubar/photos/KestruneCollectionWindowDelegate.h"
#include "menubar/photos/MacControllerTrackTutorialViewDelegate.h"
#include "menubar/photos/ManualSnapshotsTutorialViewDelegate.h"
#include "platform/base/Object.h"
#include "uikit/bases/BaseViewController.h"

namespace kestrune {

// The photo window as the photos and history page drives it: which kinds of photos it shows, the history
// entry to select, and the page that shows it in the settings window's detail pane.
class PhotoListWindow {
public:
    virtual ~PhotoListWindow() = default;
    virtual void setShowLoginEntries(bool show) = 0;
    virtual void setShowFailedLoginAttemptEntries(bool show) = 0;
    virtual void setShowManualSnapshots(bool show) = 0;
    // The entry to select (none for none); an entry the window cannot show selects nothing.
    virtual void showWindowWithEntry(const std::shared_ptr<platform::Object>& entry) = 0;
    virtual void reloadDatasourceAndViewAndSelectItem() = 0;
    virtual std::shared_ptr<BaseViewController> page() = 0;
};

// The screens of the photo and history features that the photos and history page opens. They live in the
// windows folder, above this one; the program's entry installs the factory that makes them. Each call
// makes a new screen with the delegate given.
class PhotosAndHistoryScreens {
public:
    virtual ~PhotosAndHistoryScreens() = default;
    virtual std::shared_ptr<BaseViewController> failedLoginPhotosView(
        std::weak_ptr<FailedLoginPhotosViewDelegate> delegate) = 0;
    virtual std::shared_ptr<BaseViewController> trackTutorialView(
        std::weak_ptr<MacControllerTrackTutorialViewDelegate> delegate) = 0;
    virtual std::shared_ptr<BaseViewController> manualSnapshotsTutorialView(
        std::weak_ptr<ManualSnapshotsTutorialViewDelegate> delegate) = 0;
    virtual std::shared_ptr<PhotoListWindow> photoWindow(
        std::weak_ptr<KestruneCollectionWindowDelegate> delegate) = 0;
    // The lock/unlock history window, as the page that shows it in the detail pane.
    virtual std::shared_ptr<BaseViewController> lockUnlockHistoryWindow(
        std::weak_ptr<LoginLogoutHistoryWindowDelegate> delegate) = 0;

    // The installed factory; none until one is installed (the page then logs what it could not open).
    static std::shared_ptr<PhotosAndHistoryScreens> current();
    // Null removes it.
    static void install(std::shared_ptr<PhotosAndHistoryScreens> screens);
};

}  // namespace kestrune
