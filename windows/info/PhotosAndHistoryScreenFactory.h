#pragma once

#include "menubar/pages/PhotosAndHistoryScreens.h"

namespace kestrune {

// Makes the information pages, the photo window and the lock/unlock history window that the photos and
// history page opens; the windows are shown as pages of the settings window's detail pane.
class PhotosAndHistoryScreenFactory : public PhotosAndHistoryScreens {
public:
    std::shared_ptr<BaseViewController> failedLoginPhotosView(
        std::weak_ptr<FailedLoginPhotosViewDelegate> delegate) override;
    std::shared_ptr<BaseViewController> trackTutorialView(
        std::weak_ptr<MacControllerTrackTutorialViewDelegate> delegate) override;
    std::shared_ptr<BaseViewController> manualSnapshotsTutorialView(
        std::weak_ptr<ManualSnapshotsTutorialViewDelegate> delegate) override;
    std::shared_ptr<PhotoListWindow> photoWindow(
        std::weak_ptr<KestruneCollectionWindowDelegate> delegate) override;
    std::shared_ptr<BaseViewController> lockUnlockHistoryWindow(
        std::weak_ptr<LoginLogoutHistoryWindowDelegate> delegate) override;
};

}  // namespace kestrune
