#pragma once

#include <memory>

#include "menubar/photos/ManualSnapshotsTutorialViewDelegate.h"
#include "windows/info/PhotoFeatureTutorialView.h"

namespace kestrune {

// The settings window's page about manual snapshots: the same texts as the failed-login photos page.
// Its buttons do nothing, so it never reports to its delegate.
class ManualSnapshotsTutorialView : public PhotoFeatureTutorialView {
public:
    std::optional<std::string> nibName() const override;
    void backToggled(ui::Control&) {}
    void showToggled(ui::Control&) {}

    std::shared_ptr<ManualSnapshotsTutorialViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<ManualSnapshotsTutorialViewDelegate> delegate) {
        delegate_ = std::move(delegate);
    }

private:
    std::weak_ptr<ManualSnapshotsTutorialViewDelegate> delegate_;
};

}  // namespace kestrune
