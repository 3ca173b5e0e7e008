#pragma once

#include <cstdint>
#include <memory>
#include <set>

#include "uikit/lists/PXListView.h"

namespace kestrune {

// The list of the settings window, its pages and the application's list windows: their look, and the
// row selected before the latest selection, so that the navigation can tell which way the selection
// moved.
class KestruneListView : public PXListView {
public:
    static std::shared_ptr<KestruneListView> create(ui::Rect frame = {}) {
        return ui::make<KestruneListView>(frame);
    }
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;
    // Single selection until the owner sets the default look.
    void initalize();
    // No spacing, empty and multiple selection allowed, text drops accepted, no background, no border.
    void setupDefaultProperties();

    void selectRowIndexes_byExtendingSelection(const std::set<uint64_t>& rows, bool extend) override;
    // Compared as unsigned numbers: a move from no row to any row counts as upward.
    bool selectionChangeDirectionisUpward() const;

    uint64_t previousSelection() const { return previousSelection_; }
    void setPreviousSelection(uint64_t row) { previousSelection_ = row; }
    bool didInitalizeView() const { return didInitalizeView_; }
    void setDidInitalizeView(bool flag) { didInitalizeView_ = flag; }

private:
    uint64_t previousSelection_ = kNoRow;
    bool didInitalizeView_ = false;
};

}  // namespace kestrune
