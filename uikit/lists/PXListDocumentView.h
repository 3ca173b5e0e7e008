#pragma once

#include <memory>

#include "platform/ui/View.h"
#include "uikit/lists/PXListViewDelegate.h"

namespace kestrune {

// The flipped view inside a PXListView that holds the cells; a click on it is a click outside every
// cell.
class PXListDocumentView : public ui::View {
public:
    static std::shared_ptr<PXListDocumentView> create(ui::Rect frame = {}) {
        return ui::make<PXListDocumentView>(frame);
    }
    bool isFlipped() const override { return true; }
    // The list gives every cell its frame itself: a change of the document's size does not resize the
    // cells on top of that (a cell that stretches with its superview would grow twice).
    void resizeSubviewsWithOldSize(ui::Size) override {}
    void mouseDown(const ui::Event& event) override;
    void drawRect(ui::Rect dirty) override;

    std::shared_ptr<PXListView> listView() const { return listView_.lock(); }
    void setListView(std::weak_ptr<PXListView> list) { listView_ = std::move(list); }
    PXDropHighlight dropHighlight() const { return dropHighlight_; }
    // Keeps the value and redraws the visible part.
    void setDropHighlight(PXDropHighlight highlight);

private:
    std::weak_ptr<PXListView> listView_;
    PXDropHighlight dropHighlight_ = PXDropHighlight::None;
};

}  // namespace kestrune
