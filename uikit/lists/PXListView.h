#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/ScrollView.h"
#include "uikit/lists/PXListViewDelegate.h"

namespace kestrune {

class PXListDocumentView;

// The vertical list every list of the application is drawn with. Rows have their own heights; only the
// rows on screen have cells, which the list recycles through a reuse queue keyed by identifier. It
// keeps a selection of row indexes, handles clicks, arrow keys and drops, and announces selection
// changes with "PXListViewSelectionDidChange" (the list is the object).
class PXListView : public ui::ScrollView {
public:
    // No row: what `selectedRow` answers without exactly one selected row, and the row of queued cells.
    static constexpr uint64_t kNoRow = std::numeric_limits<uint64_t>::max();
    static constexpr const char* kSelectionDidChangeNotification = "PXListViewSelectionDidChange";

    static std::shared_ptr<PXListView> create(ui::Rect frame = {}) { return ui::make<PXListView>(frame); }
    ~PXListView() override;

    // Life cycle. Both initialisers make the cell lists and the selection; a layout's list then starts
    // following its clip view in awakeFromNib.
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;
    virtual void initialize();
    void awakeFromNib() override;
    void contentViewBoundsDidChange(const platform::Notification& notification);

    // Data.
    void reloadData(std::function<void()> completion = {});
    void reloadRowAtIndex(uint64_t row);
    uint64_t numberOfRows() const { return numberOfRows_; }

    // Cells.
    std::shared_ptr<PXListViewCell> dequeueCellWithReusableIdentifier(const std::string& identifier);
    void enqueueCell(const std::shared_ptr<PXListViewCell>& cell);
    std::vector<std::shared_ptr<PXListViewCell>> visibleCells() const { return visibleCells_; }
    const std::vector<std::shared_ptr<PXListViewCell>>& reusableCells() const { return reusableCells_; }
    std::shared_ptr<PXListViewCell> visibleCellForRow(uint64_t row) const;
    std::shared_ptr<PXListViewCell> cellForRowAtIndex(uint64_t row) const { return visibleCellForRow(row); }
    std::vector<std::shared_ptr<PXListViewCell>> visibleCellsForRowIndexes(
        const std::set<uint64_t>& rows) const;

    // Geometry.
    ui::Range visibleRange() const;
    ui::Range currentRange() const { return currentRange_; }
    ui::Rect contentViewRect() const;
    ui::Rect rectOfRow(uint64_t row) const;
    void cacheCellLayout();
    void cacheLayout();
    void layoutCells();
    void layoutCell_atRow(const std::shared_ptr<PXListViewCell>& cell, uint64_t row);
    void updateCells();
    void addCellsFromVisibleRange();
    const std::vector<double>& cellYOffsets() const { return cellYOffsets_; }
    double totalHeight() const { return totalHeight_; }
    std::shared_ptr<PXListDocumentView> documentListView() const;

    // Selection.
    uint64_t selectedRow() const;
    void setSelectedRow(uint64_t row);
    const std::set<uint64_t>& selectedRows() const { return selectedRows_; }
    void setSelectedRows(const std::set<uint64_t>& rows);
    virtual void selectRowIndexes_byExtendingSelection(const std::set<uint64_t>& rows, bool extend);
    void deselectRowIndexes(const std::set<uint64_t>& rows);
    void deselectRows();
    void selectAll(ui::Responder* sender = nullptr);
    void deselectAll(ui::Responder* sender = nullptr);
    void postSelectionDidChangeNotification();
    // The menu commands: "selectAll:" and "deselectAll:".
    bool validateMenuItem(const std::string& action) const;

    // Input. A null event is a press by assistive technology, which counts as a modified click.
    void handleMouseDown_inCell(const ui::Event* event, PXListViewCell& cell);
    void handleMouseDownOutsideCells(const ui::Event& event);
    void keyDown(const ui::Event& event) override;
    void moveUp(ui::Responder* sender) override;
    void moveDown(ui::Responder* sender) override;
    void moveUpPositions(uint64_t positions);
    void moveDownPositions(uint64_t positions);

    // Scrolling.
    void scrollToRow(uint64_t row);
    void scrollRowToVisible(uint64_t row);
    void scrollToTop();
    void scrollToYPositionAnimated(double y);
    // Empty here: a list with a scroll-to-top button shows and hides it in these.
    virtual void showScrollToTopButton() {}
    virtual void hideScrollToTopButton() {}

    // Drops.
    unsigned draggingEntered(const ui::DraggingInfo& info) override;
    unsigned draggingUpdated(const ui::DraggingInfo& info) override;
    void draggingExited(const ui::DraggingInfo* info) override;
    bool performDragOperation(const ui::DraggingInfo& info) override;
    void concludeDragOperation(const ui::DraggingInfo&) override {}
    void draggingEnded(const ui::DraggingInfo& info) override;
    bool wantsPeriodicDraggingUpdates() override { return true; }
    // The row (in document coordinates) a drop at the point goes to, with its highlight.
    uint64_t indexOfRowAtPoint_returningProposedDropHighlight(ui::Point point,
                                                              PXDropHighlight* highlight) const;
    std::shared_ptr<PXListViewCell> cellForDropHighlight_row(PXDropHighlight* highlight, uint64_t* row) const;
    void setShowsDropHighlight(bool flag);
    void setDropRow_dropHighlight(uint64_t row, PXDropHighlight highlight);
    uint64_t dropRow() const { return dropRow_; }
    PXDropHighlight dropHighlight() const { return dropHighlight_; }
    // A picture of the visible cells among the rows; `offset` receives its place relative to the click.
    std::shared_ptr<ui::Image> dragImageForRowsWithIndexes_event_clickedCell_offset(
        const std::set<uint64_t>& rows, const ui::Event& event, PXListViewCell* clickedCell,
        ui::Point* offset);

    // Responder and live resizing.
    bool acceptsFirstResponder() override { return true; }
    bool canBecomeKeyView() override { return true; }
    bool becomeFirstResponder() override { return true; }
    bool resignFirstResponder() override { return true; }
    bool mouseDownCanMoveWindow() const override { return true; }
    void viewWillStartLiveResize() override {}
    void viewDidEndLiveResize() override {}
    void layoutCellsForResizeEvent() {}
    void windowSizing(ui::Size) {}
    // A new size gives every row, on screen or queued, the list's new width, and shows the rows that a
    // taller list brings into sight.
    void setFrame(ui::Rect frame) override;

    // Accessibility: a list of the visible cells.
    bool accessibilityIsIgnored() override { return true; }
    std::vector<std::string> accessibilityAttributeNames() override;
    platform::Value accessibilityAttributeValue(const std::string& attribute) override;
    bool accessibilityIsAttributeSettable(const std::string&) override { return false; }

    // Properties.
    std::shared_ptr<PXListViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(const std::shared_ptr<PXListViewDelegate>& delegate);
    double cellSpacing() const { return cellSpacing_; }
    void setCellSpacing(double spacing) { cellSpacing_ = spacing; }
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool flag) { allowsMultipleSelection_ = flag; }
    bool allowsEmptySelection() const { return allowsEmptySelection_; }
    void setAllowsEmptySelection(bool flag) { allowsEmptySelection_ = flag; }
    bool verticalMotionCanBeginDrag() const { return verticalMotionCanBeginDrag_; }
    void setVerticalMotionCanBeginDrag(bool flag) { verticalMotionCanBeginDrag_ = flag; }
    bool usesLiveResize() const { return usesLiveResize_; }
    void setUsesLiveResize(bool flag) { usesLiveResize_ = flag; }
    bool isScrollToTopDisabled() const { return isScrollToTopDisabled_; }
    void setIsScrollToTopDisabled(bool flag) { isScrollToTopDisabled_ = flag; }
    bool isScrollToTopShown() const { return isScrollToTopShown_; }
    void setIsScrollToTopShown(bool flag) { isScrollToTopShown_ = flag; }
    std::shared_ptr<ui::View> scrollToTopButton() const { return scrollToTopButton_; }
    void setScrollToTopButton(std::shared_ptr<ui::View> button) { scrollToTopButton_ = std::move(button); }

private:
    bool hasDataSource() const { return delegate_.lock() != nullptr; }
    std::shared_ptr<PXListViewCell> askCellForRow(uint64_t row);
    void applyDocumentFrame();
    // Brings the clip view back inside a document that became shorter, without announcing the move;
    // answers whether it moved.
    bool constrainClipQuietly();
    unsigned dragMoved(const ui::DraggingInfo& info, bool updated);
    uint64_t rowAtDocumentY(double y) const;
    ui::Point scrollTargetForRow(uint64_t row) const;
    void clearDropHighlightOfDropRow();

    std::weak_ptr<PXListViewDelegate> delegate_;
    platform::NotificationCenter::Observation delegateObservation_;
    platform::NotificationCenter::Observation clipObservation_;
    std::vector<std::shared_ptr<PXListViewCell>> reusableCells_;
    std::vector<std::shared_ptr<PXListViewCell>> visibleCells_;
    std::set<uint64_t> selectedRows_;
    ui::Range currentRange_{0, 0};
    uint64_t numberOfRows_ = 0;
    std::vector<double> cellYOffsets_;
    double totalHeight_ = 0;
    double cellSpacing_ = 0;
    bool allowsEmptySelection_ = true;
    bool allowsMultipleSelection_ = false;
    bool usesLiveResize_ = true;
    bool verticalMotionCanBeginDrag_ = false;
    uint64_t dropRow_ = 0;
    PXDropHighlight dropHighlight_ = PXDropHighlight::None;
    bool isScrollToTopDisabled_ = false;
    bool isScrollToTopShown_ = false;
    std::shared_ptr<ui::View> scrollToTopButton_;
    // Held while cells move out of the visible list (the list itself is used on the main thread only).
    std::recursive_mutex lock_;
};

}  // namespace kestrune
