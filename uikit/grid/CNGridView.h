#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/Event.h"
#include "platform/ui/Menu.h"
#include "platform/ui/TrackingArea.h"
#include "uikit/grid/CNGridViewDataSource.h"
#include "uikit/grid/CNGridViewDelegate.h"
#include "uikit/grid/CNGridViewItemBase.h"
#include "uikit/grid/CNSelectionFrameView.h"

namespace kestrune {

// A scrolling strip of equally sized items in one row, the document view of a scroll view. Only the
// items in and near the visible part are subviews; the others are recycled by reuse identifier. It
// selects on clicks, drags and the keyboard, tells single from double clicks, follows the pointer for
// hover, and reports all of it through its delegate, each report after a notification of the same name
// on the default centre (object: the grid). It implements both of its interfaces itself and always asks
// itself, forwarding to its data source and delegate.
class CNGridView : public ui::View, public CNGridViewDataSource, public CNGridViewDelegate {
public:
    static constexpr int64_t kNotFound = CNGridViewItemBase::kNotFound;

    // Notifications, posted before the delegate call of the same event.
    static constexpr const char* kWillHoverItemNotification = "CNGridViewWillHoverItem";
    static constexpr const char* kWillUnhoverItemNotification = "CNGridViewWillUnhoverItem";
    static constexpr const char* kWillSelectItemNotification = "CNGridViewWillSelectItem";
    static constexpr const char* kDidSelectItemNotification = "CNGridViewDidSelectItem";
    static constexpr const char* kWillDeselectItemNotification = "CNGridViewWillDeselectItem";
    static constexpr const char* kDidDeselectItemNotification = "CNGridViewDidDeselectItem";
    static constexpr const char* kWillDeselectAllItemsNotification = "CNGridViewWillDeselectAllItems";
    static constexpr const char* kDidDeselectAllItemsNotification = "CNGridViewDidDeselectAllItems";
    static constexpr const char* kDidClickItemNotification = "CNGridViewDidClickItem";
    static constexpr const char* kDidDoubleClickItemNotification = "CNGridViewDidDoubleClickItem";
    static constexpr const char* kRightMouseButtonClickedOnItemNotification =
        "CNGridViewRightMouseButtonClickedOnItem";
    // Their user information.
    static constexpr const char* kItemIndexKey = "gridViewItemIndex";
    static constexpr const char* kSelectedItemsKey = "CNGridViewSelectedItems";
    static constexpr const char* kItemsIndexSetKey = "CNGridViewItemsIndexSetKey";

    // Platform values: scroll elasticity allowed / none; tracking bits mouse-moved | active in key window.
    static constexpr unsigned kTrackingOptions = 0x22;

    static std::shared_ptr<CNGridView> create(ui::Rect frame = {}) { return ui::make<CNGridView>(frame); }
    ~CNGridView() override;

    // Creation: the defaults, then no delegate and no data source.
    void initWithFrame(ui::Rect frame) override;
    void initFromNib(ui::NibArgs& args) override;
    void setupDefaults();

    // Properties with effects.
    ui::Size itemSize() const { return itemSize_; }
    void setItemSize(ui::Size size);
    bool scrollElasticity() const { return scrollElasticity_; }
    void setScrollElasticity(bool flag);
    const ui::Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(ui::Color color);
    void setTransparentBackground();
    bool allowsMultipleSelection() const { return allowsMultipleSelection_; }
    void setAllowsMultipleSelection(bool flag);
    void setFrame(ui::Rect frame) override;

    // Plain properties. Delegate and data source are held weakly: their owner holds the grid.
    std::shared_ptr<CNGridViewDelegate> delegate() const { return delegate_.lock(); }
    void setDelegate(std::weak_ptr<CNGridViewDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<CNGridViewDataSource> dataSource() const { return dataSource_.lock(); }
    void setDataSource(std::weak_ptr<CNGridViewDataSource> source) { dataSource_ = std::move(source); }
    const std::optional<std::string>& gridViewTitle() const { return gridViewTitle_; }
    void setGridViewTitle(std::optional<std::string> title) { gridViewTitle_ = std::move(title); }
    bool allowsSelection() const { return allowsSelection_; }
    void setAllowsSelection(bool flag) { allowsSelection_ = flag; }
    bool allowsMultipleSelectionWithDrag() const { return allowsMultipleSelectionWithDrag_; }
    void setAllowsMultipleSelectionWithDrag(bool flag) { allowsMultipleSelectionWithDrag_ = flag; }
    bool useSelectionRing() const { return useSelectionRing_; }
    void setUseSelectionRing(bool flag) { useSelectionRing_ = flag; }
    bool useHover() const { return useHover_; }
    void setUseHover(bool flag) { useHover_ = flag; }
    const std::shared_ptr<ui::Menu>& itemContextMenu() const { return itemContextMenu_; }
    void setItemContextMenu(std::shared_ptr<ui::Menu> menu) { itemContextMenu_ = std::move(menu); }
    const std::shared_ptr<ui::View>& headerView() const { return headerView_; }
    void setHeaderView(std::shared_ptr<ui::View> view) { headerView_ = std::move(view); }
    bool useCenterAlignment() const { return useCenterAlignment_; }
    void setUseCenterAlignment(bool flag) { useCenterAlignment_ = flag; }

    bool isFlipped() const override { return true; }
    bool acceptsFirstResponder() override { return true; }
    bool canBecomeKeyView() override { return true; }
    void updateTrackingAreas() override;
    void viewDidMoveToSuperview() override;

    // Data.
    void reloadData();
    void reloadDataAnimated(bool animated);
    std::shared_ptr<CNGridViewItemBase> dequeueReusableItemWithIdentifier(const std::string& identifier);
    void insertItemAtIndex_animated(int64_t index, bool animated);
    void insertItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated);
    void reloadItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated);
    void removeItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated);
    void beginUpdates() {}
    void endUpdates() {}
    int64_t numberOfVisibleItems() const { return static_cast<int64_t>(keyedVisibleItems_.size()); }
    CNIndexSet visibleIndexes() const;

    // Geometry.
    ui::Rect rectForItemAtIndex(int64_t index) const;
    // A point of the window; not found outside every item.
    int64_t indexForItemAtLocation(ui::Point location) const;
    // (column, row), both counted from 1.
    std::pair<int64_t, int64_t> locationForItemAtIndex(int64_t index) const;
    int64_t boundIndexForItemAtLocation(ui::Point location) const;
    int64_t columnsInGridView() const;
    int64_t allOverRowsInGridView() const;
    int64_t visibleRowsInGridView() const;
    ui::Range visibleItemRange() const;
    ui::Range visibleItemRangeForVerticalScrolling() const;

    // Layout passes.
    virtual void refreshGridViewAnimated_initialCall(bool animated, bool initialCall);
    void refreshInset();
    void updateReuseableItems();
    void updateVisibleItems();
    void arrangeGridViewItemsAnimated(bool animated);
    void updateVisibleRect(const platform::Notification& notification);
    bool shouldUpdateScrollViewItems() const;

    // Selection.
    void selectItemAtIndex(int64_t index);
    void selectItemAtIndex_usingModifierFlags(int64_t index, uint64_t flags);
    void selectItem(const std::shared_ptr<CNGridViewItemBase>& item);
    void deSelectItem(const std::shared_ptr<CNGridViewItemBase>& item);
    void selectAllItems();
    void deselectAllItems();
    std::vector<std::shared_ptr<CNGridViewItemBase>> selectedItems() const;
    CNIndexSet selectedIndexes() const;

    // Pointer and keys.
    void mouseDown(const ui::Event& event) override;
    void mouseDragged(const ui::Event& event) override;
    void mouseUp(const ui::Event& event) override;
    void rightMouseDown(const ui::Event& event) override;
    void mouseMoved(const ui::Event& event) override;
    void mouseExited(const ui::Event& event) override;
    void keyDown(const ui::Event& event) override;
    void handleClicks();
    void handleSingleClickForItemAtIndex(int64_t index);
    void handleDoubleClickForItemAtIndex(int64_t index);
    void hoverItemAtIndex(int64_t index);
    void unHoverItemAtIndex(int64_t index);
    void drawSelectionFrameForMousePointerAtLocation(ui::Point location);
    void selectItemsCoveredBySelectionFrame_usingModifierFlags(ui::Rect frame, uint64_t flags);

    // The grid's own answers to its interfaces: it forwards to its data source and delegate.
    bool implements(CNGridViewDataSource::Op) const override { return true; }
    int64_t gridView_numberOfItemsInSection(CNGridView& gridView, int64_t section) override;
    std::shared_ptr<CNGridViewItemBase> gridView_itemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                                       int64_t section) override;
    int64_t numberOfSectionsInGridView(CNGridView& gridView) override;
    std::optional<std::string> gridView_titleForHeaderInSection(CNGridView& gridView,
                                                                int64_t section) override;
    std::vector<std::string> sectionIndexTitlesForGridView(CNGridView& gridView) override;

    bool implements(CNGridViewDelegate::Op) const override { return true; }
    void gridViewDidFinishReloadingVisibleItems(CNGridView& gridView) override;
    void gridView_willHoverItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                 int64_t section) override;
    void gridView_willUnhoverItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                   int64_t section) override;
    void gridView_willSelectItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                  int64_t section) override;
    void gridView_didSelectItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                 int64_t section) override;
    void gridView_willDeselectItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                    int64_t section) override;
    void gridView_didDeselectItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                   int64_t section) override;
    void gridView_willDeselectAllItems(
        CNGridView& gridView, const std::vector<std::shared_ptr<CNGridViewItemBase>>& items) override;
    void gridViewDidDeselectAllItems(CNGridView& gridView) override;
    void gridView_didClickItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                int64_t section) override;
    void gridView_didDoubleClickItemAtIndex_inSection(CNGridView& gridView, int64_t index,
                                                      int64_t section) override;
    void gridView_didActivateContextMenuWithIndexes_inSection(CNGridView& gridView, const CNIndexSet& indexes,
                                                              int64_t section) override;

    // State, for the owner and for tests.
    int64_t numberOfItems() const { return numberOfItems_; }
    double contentInset() const { return contentInset_; }
    bool isInitialCall() const { return isInitialCall_; }
    int64_t lastHoveredIndex() const { return lastHoveredIndex_; }
    int64_t lastSelectedItemIndex() const { return lastSelectedItemIndex_; }
    const std::map<int64_t, std::shared_ptr<CNGridViewItemBase>>& keyedVisibleItems() const {
        return keyedVisibleItems_;
    }
    const std::map<std::string, std::vector<std::shared_ptr<CNGridViewItemBase>>>& reuseableItems() const {
        return reuseableItems_;
    }
    const std::map<int64_t, std::shared_ptr<CNGridViewItemBase>>& selectedItemsByIndex() const {
        return selectedItems_;
    }
    const std::map<int64_t, std::shared_ptr<CNGridViewItemBase>>& selectedItemsBySelectionFrame() const {
        return selectedItemsBySelectionFrame_;
    }
    const std::shared_ptr<CNSelectionFrameView>& selectionFrameView() const { return selectionFrameView_; }
    const std::shared_ptr<ui::TrackingArea>& gridViewTrackingArea() const { return gridViewTrackingArea_; }
    const std::shared_ptr<platform::Timer>& clickTimer() const { return clickTimer_; }
    size_t pendingClicks() const { return clickEvents_.size(); }
    bool mouseHasDragged() const { return mouseHasDragged_; }
    bool abortSelection() const { return abortSelection_; }
    ui::Point selectionFrameInitialPoint() const { return selectionFrameInitialPoint_; }

private:
    ui::Rect clipBounds() const;
    void observeClipView();
    // The visible item at the index, if any.
    std::shared_ptr<CNGridViewItemBase> visibleItemAt(int64_t index) const;
    void enqueueForReuse(const std::shared_ptr<CNGridViewItemBase>& item);
    // Each item to the rectangle of its index, in a group of 0.15 s when animated, else at once.
    void moveItems(const std::vector<std::shared_ptr<CNGridViewItemBase>>& items, bool animated);
    // Items leave the view, at once or when a group of 0.15 s has ended.
    void removeItemsFromView(const std::vector<std::shared_ptr<CNGridViewItemBase>>& items, bool animated,
                             bool recycle);
    void postItemNotification(const char* name, int64_t index);
    bool delegateImplements(CNGridViewDelegate::Op op, std::shared_ptr<CNGridViewDelegate>& delegate) const;

    std::map<int64_t, std::shared_ptr<CNGridViewItemBase>> keyedVisibleItems_;
    std::map<std::string, std::vector<std::shared_ptr<CNGridViewItemBase>>> reuseableItems_;
    std::map<int64_t, std::shared_ptr<CNGridViewItemBase>> selectedItems_;
    std::map<int64_t, std::shared_ptr<CNGridViewItemBase>> selectedItemsBySelectionFrame_;
    std::shared_ptr<CNSelectionFrameView> selectionFrameView_;
    platform::NotificationCenter* nc_ = nullptr;
    std::vector<ui::Event> clickEvents_;
    std::shared_ptr<ui::TrackingArea> gridViewTrackingArea_;
    std::shared_ptr<platform::Timer> clickTimer_;
    int64_t lastHoveredIndex_ = kNotFound;
    int64_t lastSelectedItemIndex_ = kNotFound;
    int64_t numberOfItems_ = 0;
    ui::Point selectionFrameInitialPoint_;
    bool isInitialCall_ = true;
    bool mouseHasDragged_ = false;
    bool abortSelection_ = false;
    double contentInset_ = 0;
    ui::Point lastUpdatePoint_;

    std::weak_ptr<CNGridViewDelegate> delegate_;
    std::weak_ptr<CNGridViewDataSource> dataSource_;
    std::optional<std::string> gridViewTitle_;
    ui::Color backgroundColor_ = ui::Color::controlColor();
    bool scrollElasticity_ = true;
    ui::Size itemSize_ = CNGridViewItemBase::defaultItemSize();
    bool allowsSelection_ = true;
    bool allowsMultipleSelection_ = false;
    bool allowsMultipleSelectionWithDrag_ = false;
    bool useSelectionRing_ = true;
    bool useHover_ = true;
    std::shared_ptr<ui::Menu> itemContextMenu_;
    std::shared_ptr<ui::View> headerView_;
    bool useCenterAlignment_ = false;

    // The clip view whose scrolling the grid follows, and the observation (ends with the grid).
    const ui::View* observedClip_ = nullptr;
    platform::NotificationCenter::Observation clipObservation_;
};

}  // namespace kestrune
