#include "windows/info/PhotosAndHistoryScreenFactory.h"

#include "app/records/FailedLoginEntry.h"
#include "platform/base/Log.h"
#include "uikit/bases/KSWindowControllerPage.h"
#include "windows/history/LoginLogoutHistoryWindow.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/photos/KestruneCollectionWindow.h"

namespace kestrune {

namespace {

// The photo window with its detail-pane page, which keeps the window for as long as it is kept.
class CollectionWindowScreen : public PhotoListWindow {
public:
    explicit CollectionWindowScreen(std::shared_ptr<KestruneCollectionWindow> window)
        : window_(std::move(window)) {}

    void setShowLoginEntries(bool show) override { window_->showLoginEntries = show; }
    void setShowFailedLoginAttemptEntries(bool show) override {
        window_->showFailedLoginAttemptEntries = show;
    }
    void setShowManualSnapshots(bool show) override { window_->showManualSnapshots = show; }
    void showWindowWithEntry(const std::shared_ptr<platform::Object>& entry) override {
        // The window selects failed-login records only; any other record leaves its first photo selected.
        auto failed = std::dynamic_pointer_cast<FailedLoginEntry>(entry);
        if (entry && !failed)
            platform::logf("Photo window: a %s is not selected", entry->className().c_str());
        window_->showWindowWithEntry(std::move(failed));
    }
    void reloadDatasourceAndViewAndSelectItem() override {
        window_->window();  // the grid comes with the window
        window_->reloadDatasourceAndViewAndSelectItem();
    }
    std::shared_ptr<BaseViewController> page() override {
        if (!page_) page_ = KSWindowControllerPage::pageFor(window_);
        return page_;
    }

private:
    std::shared_ptr<KestruneCollectionWindow> window_;
    std::shared_ptr<BaseViewController> page_;
};

}  // namespace

std::shared_ptr<BaseViewController> PhotosAndHistoryScreenFactory::failedLoginPhotosView(
    std::weak_ptr<FailedLoginPhotosViewDelegate> delegate) {
    auto view = BaseViewController::create<FailedLoginPhotosView>();
    view->setDelegate(std::move(delegate));
    return view;
}

std::shared_ptr<BaseViewController> PhotosAndHistoryScreenFactory::trackTutorialView(
    std::weak_ptr<MacControllerTrackTutorialViewDelegate> delegate) {
    auto view = BaseViewController::create<MacControllerTrackTutorialView>();
    view->setDelegate(std::move(delegate));
    return view;
}

std::shared_ptr<BaseViewController> PhotosAndHistoryScreenFactory::manualSnapshotsTutorialView(
    std::weak_ptr<ManualSnapshotsTutorialViewDelegate> delegate) {
    auto view = BaseViewController::create<ManualSnapshotsTutorialView>();
    view->setDelegate(std::move(delegate));
    return view;
}

std::shared_ptr<PhotoListWindow> PhotosAndHistoryScreenFactory::photoWindow(
    std::weak_ptr<KestruneCollectionWindowDelegate> delegate) {
    auto window = KSWindowController::create<KestruneCollectionWindow>();
    window->setDelegate(std::move(delegate));
    return std::make_shared<CollectionWindowScreen>(std::move(window));
}

std::shared_ptr<BaseViewController> PhotosAndHistoryScreenFactory::lockUnlockHistoryWindow(
    std::weak_ptr<LoginLogoutHistoryWindowDelegate> delegate) {
    auto window = KSWindowController::create<LoginLogoutHistoryWindow>();
    window->setDelegate(std::move(delegate));
    // The window's texts and its filter bar, as its showing sets them, without a window of its own.
    window->updateWindowView();
    return KSWindowControllerPage::pageFor(window);
}

}  // namespace kestrune
