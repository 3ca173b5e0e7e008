// The grid's state, geometry, reuse of items, reloading and edits of the item set, and its answers to
// its two interfaces. Selection and the pointer are in CNGridViewSelection.cpp.

#include "uikit/grid/CNGridView.h"

#include <algorithm>
#include <cmath>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/ScrollView.h"

namespace kestrune {

namespace {
constexpr double kEditAnimationDuration = 0.15;
constexpr double kFadeInDuration = 0.35;

// Contiguous runs of an index set, as (first, length).
std::vector<std::pair<int64_t, int64_t>> runsOf(const CNIndexSet& indexes) {
    std::vector<std::pair<int64_t, int64_t>> runs;
    for (int64_t index : indexes) {
        if (!runs.empty() && runs.back().first + runs.back().second == index)
            ++runs.back().second;
        else
            runs.push_back({index, 1});
    }
    return runs;
}
}  // namespace

CNGridView::~CNGridView() = default;

// Creation ------------------------------------------------------------------------------------------------

void CNGridView::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    setupDefaults();
    delegate_.reset();
    dataSource_.reset();
}

void CNGridView::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    setupDefaults();
}

void CNGridView::setupDefaults() {
    keyedVisibleItems_.clear();
    reuseableItems_.clear();
    selectedItems_.clear();
    selectedItemsBySelectionFrame_.clear();
    clickEvents_.clear();
    nc_ = &platform::NotificationCenter::defaultCenter();

    lastHoveredIndex_ = kNotFound;
    lastSelectedItemIndex_ = kNotFound;
    selectionFrameInitialPoint_ = {0, 0};
    clickTimer_.reset();
    isInitialCall_ = true;
    abortSelection_ = false;
    mouseHasDragged_ = false;
    selectionFrameView_.reset();

    backgroundColor_ = ui::Color::controlColor();
    itemSize_ = CNGridViewItemBase::defaultItemSize();
    gridViewTitle_.reset();
    scrollElasticity_ = true;
    allowsSelection_ = true;
    allowsMultipleSelection_ = false;
    allowsMultipleSelectionWithDrag_ = false;
    useSelectionRing_ = true;
    useHover_ = true;

    observeClipView();
}

// A grid made before it sits in its scroll view (as one from a layout is) finds no clip view at
// creation; it starts following the clip view whenever it is placed in one.
void CNGridView::observeClipView() {
    ui::ClipView* clip = enclosingClipView();
    if (!clip || clip == observedClip_) return;
    if (auto scroll = enclosingScrollView()) scroll->setDrawsBackground(false);
    clip->setPostsBoundsChangedNotifications(true);
    // The observation ends with the grid, so the handler may hold it by its address.
    clipObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        ui::View::kBoundsDidChangeNotification, static_cast<const ui::View*>(clip),
        [this](const platform::Notification& n) { updateVisibleRect(n); });
    observedClip_ = clip;
}

void CNGridView::viewDidMoveToSuperview() {
    View::viewDidMoveToSuperview();
    observeClipView();
}

// Properties ----------------------------------------------------------------------------------------------

void CNGridView::setItemSize(ui::Size size) {
    if (size == itemSize_) return;
    itemSize_ = size;
    refreshGridViewAnimated_initialCall(true, true);
}

void CNGridView::setScrollElasticity(bool flag) {
    scrollElasticity_ = flag;
    auto scroll = enclosingScrollView();
    if (!scroll) return;
    const auto elasticity = flag ? ui::ScrollElasticity::Allowed : ui::ScrollElasticity::None;
    scroll->setHorizontalScrollElasticity(elasticity);
    scroll->setVerticalScrollElasticity(elasticity);
}

void CNGridView::setBackgroundColor(ui::Color color) {
    backgroundColor_ = color;
    if (auto scroll = enclosingScrollView()) scroll->setBackgroundColor(color);
}

void CNGridView::setTransparentBackground() {
    if (auto scroll = enclosingScrollView()) scroll->setDrawsBackground(false);
}

void CNGridView::setAllowsMultipleSelection(bool flag) {
    allowsMultipleSelection_ = flag;
    if (flag || selectedItems_.empty()) return;
    // Back to single selection: the items hear it, the delegate does not.
    nc_->post(CNGridViewItemBase::kDeSelectAllItemsNotification, static_cast<const ui::View*>(this), {},
              platform::Value(sharedAs<CNGridView>()));
    selectedItems_.clear();
}

void CNGridView::setFrame(ui::Rect frame) {
    const bool widthChanged = frame.width() != this->frame().width();
    View::setFrame(frame);
    refreshGridViewAnimated_initialCall(widthChanged, true);
}

void CNGridView::updateTrackingAreas() {
    if (gridViewTrackingArea_) removeTrackingArea(gridViewTrackingArea_);
    gridViewTrackingArea_ = ui::TrackingArea::create(frame(), kTrackingOptions, weakAs<ui::Responder>());
    addTrackingArea(gridViewTrackingArea_);
}

// Geometry ------------------------------------------------------------------------------------------------

ui::Rect CNGridView::clipBounds() const {
    auto scroll = enclosingScrollView();
    auto clip = scroll ? scroll->contentView() : nullptr;
    return clip ? clip->bounds() : ui::Rect{};
}

int64_t CNGridView::columnsInGridView() const {
    return numberOfItems_ == 0 ? 1 : numberOfItems_;
}

int64_t CNGridView::allOverRowsInGridView() const {
    const int64_t columns = columnsInGridView();
    return (numberOfItems_ + columns - 1) / columns;
}

int64_t CNGridView::visibleRowsInGridView() const {
    if (itemSize_.height <= 0) return 0;
    return static_cast<int64_t>(std::ceil(clipBounds().height() / itemSize_.height));
}

ui::Rect CNGridView::rectForItemAtIndex(int64_t index) const {
    const int64_t columns = columnsInGridView();
    const int64_t column = index % columns, row = index / columns;
    return {contentInset_ + column * itemSize_.width, contentInset_ + row * itemSize_.height, itemSize_.width,
            itemSize_.height};
}

std::pair<int64_t, int64_t> CNGridView::locationForItemAtIndex(int64_t index) const {
    const int64_t columns = columnsInGridView();
    const auto row = static_cast<int64_t>(std::floor(static_cast<double>(index) / columns)) + 1;
    return {index - (row - 1) * columns + 1, row};
}

int64_t CNGridView::indexForItemAtLocation(ui::Point location) const {
    const ui::Point p = convertPoint_fromView(location, nullptr);
    const double w = itemSize_.width, h = itemSize_.height;
    const int64_t columns = columnsInGridView();
    if (w <= 0 || h <= 0 || p.x > columns * w + contentInset_) return kNotFound;
    // Above the first row or left of the first column.
    if (p.x < contentInset_ || p.y < contentInset_) return kNotFound;
    const auto column = static_cast<int64_t>(std::floor((p.x - contentInset_) / w));
    const auto row = static_cast<int64_t>(std::floor((p.y - contentInset_) / h));
    const int64_t index = row * columns + column;
    return index < numberOfItems_ ? index : kNotFound;
}

int64_t CNGridView::boundIndexForItemAtLocation(ui::Point location) const {
    const ui::Point p = convertPoint_fromView(location, nullptr);
    const double w = itemSize_.width, h = itemSize_.height;
    if (w <= 0 || h <= 0) return 0;
    const int64_t columns = columnsInGridView();
    const auto column = static_cast<int64_t>(std::floor(std::min(p.x, columns * w) / w));
    const auto row = static_cast<int64_t>(std::floor(p.y / h));
    return columns * row + column;
}

void CNGridView::refreshInset() {
    if (!useCenterAlignment_) {
        contentInset_ = 0;
        return;
    }
    // Single precision, as the inset always was; never below 0, so that a strip wider than its clip view
    // starts at its left edge instead of left of it.
    const auto half =
        static_cast<float>((clipBounds().width() - columnsInGridView() * itemSize_.width) * 0.5);
    contentInset_ = std::max(0.0f, std::floor(half));
}

ui::Range CNGridView::visibleItemRange() const {
    const ui::Rect clip = clipBounds();
    const double w = itemSize_.width;
    const int64_t count = numberOfItems_;
    if (w <= 0 || count <= 0) return {0, 0};
    // One item before the visible ones and about two after them stay in the view.
    const int64_t first = clip.minX() > w ? static_cast<int64_t>(clip.minX() / w - 1) : 0;
    int64_t length = static_cast<int64_t>(std::min(static_cast<double>(count), clip.width() / w + 3));
    if (first + length > count) length = count - first;
    length = std::clamp<int64_t>(length, 0, count);
    return {static_cast<size_t>(first), static_cast<size_t>(length)};
}

ui::Range CNGridView::visibleItemRangeForVerticalScrolling() const {
    const ui::Rect clip = clipBounds();
    const double h = itemSize_.height;
    const int64_t count = numberOfItems_, columns = columnsInGridView();
    if (h <= 0 || count <= 0) return {0, 0};
    const int64_t first =
        clip.minY() > h ? static_cast<int64_t>(std::ceil(clip.minY() / h)) * columns - columns : 0;
    int64_t length = std::min(count, visibleRowsInGridView() * columns + columns);
    if (first + length > count) length = count - first;
    length = std::max<int64_t>(length, 0);
    return {static_cast<size_t>(first), static_cast<size_t>(length)};
}

CNIndexSet CNGridView::visibleIndexes() const {
    CNIndexSet indexes;
    const ui::Range range = visibleItemRange();
    for (size_t i = range.location; i < range.max(); ++i) indexes.insert(static_cast<int64_t>(i));
    return indexes;
}

// Layout passes -------------------------------------------------------------------------------------------

void CNGridView::refreshGridViewAnimated_initialCall(bool animated, bool initialCall) {
    isInitialCall_ = initialCall;
    const double height = 2 * contentInset_ + itemSize_.height * allOverRowsInGridView();
    if (std::abs(height - frame().height()) > 1.0)
        View::setFrame({frame().origin, {frame().width(), height}});
    refreshInset();
    // The items are laid out on a later turn of the main queue, once per request.
    std::weak_ptr<CNGridView> weak = sharedAs<CNGridView>();
    runOnMainQueueAsync([weak, animated] {
        auto self = weak.lock();
        if (!self) return;
        self->refreshInset();
        self->updateReuseableItems();
        self->updateVisibleItems();
        self->arrangeGridViewItemsAnimated(animated);
        self->gridViewDidFinishReloadingVisibleItems(*self);
    });
}

void CNGridView::updateReuseableItems() {
    const ui::Range range = visibleItemRange();
    const auto visible = [&](int64_t index) {
        return index >= static_cast<int64_t>(range.location) && index < static_cast<int64_t>(range.max());
    };
    for (auto it = keyedVisibleItems_.begin(); it != keyedVisibleItems_.end();) {
        auto item = it->second;
        // A selected item stays, wherever it is.
        if (visible(item->index()) || !item->isReuseable()) {
            ++it;
            continue;
        }
        it = keyedVisibleItems_.erase(it);
        item->removeFromSuperview();
        enqueueForReuse(item);
    }
}

void CNGridView::enqueueForReuse(const std::shared_ptr<CNGridViewItemBase>& item) {
    item->prepareForReuse();
    reuseableItems_[item->reuseIdentifier()].push_back(item);
}

void CNGridView::updateVisibleItems() {
    const ui::Range range = visibleItemRange();
    for (size_t i = range.location; i < range.max(); ++i) {
        const auto index = static_cast<int64_t>(i);
        if (keyedVisibleItems_.count(index)) continue;
        auto item = gridView_itemAtIndex_inSection(*this, index, 0);
        if (!item) continue;
        item->setIndex(index);
        if (isInitialCall_) {
            item->setAlphaValue(0.0);
            item->setFrame(rectForItemAtIndex(index));
        }
        keyedVisibleItems_[index] = item;
        addSubview(item);
    }
}

void CNGridView::arrangeGridViewItemsAnimated(bool animated) {
    if (keyedVisibleItems_.empty()) return;
    std::vector<std::shared_ptr<CNGridViewItemBase>> items;
    for (const auto& [index, item] : keyedVisibleItems_) items.push_back(item);
    if (isInitialCall_) {
        // New items fade in; nothing moves.
        isInitialCall_ = false;
        ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
            context.setDuration(kFadeInDuration);
            for (const auto& item : items) item->animator().setAlphaValue(1.0);
        });
        return;
    }
    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(animated ? kEditAnimationDuration : 0.0);
        for (const auto& item : items) item->animator().setFrame(rectForItemAtIndex(item->index()));
    });
}

bool CNGridView::shouldUpdateScrollViewItems() const {
    const double moved = std::abs(clipBounds().minX() - lastUpdatePoint_.x);
    return moved > itemSize_.width / 3 || moved > itemSize_.height / 3;
}

void CNGridView::updateVisibleRect(const platform::Notification&) {
    if (!shouldUpdateScrollViewItems()) return;
    lastUpdatePoint_ = clipBounds().origin;
    updateReuseableItems();
    updateVisibleItems();
    arrangeGridViewItemsAnimated(false);
}

// Data ----------------------------------------------------------------------------------------------------

void CNGridView::reloadData() {
    reloadDataAnimated(false);
    auto scroll = enclosingScrollView();
    if (auto document = scroll ? scroll->documentView() : nullptr)
        document->setFrame({0, 0, numberOfItems_ * itemSize_.width, itemSize_.height});
}

void CNGridView::reloadDataAnimated(bool animated) {
    numberOfItems_ = std::max<int64_t>(0, gridView_numberOfItemsInSection(*this, 0));
    for (const auto& [index, item] : keyedVisibleItems_) item->removeFromSuperview();
    keyedVisibleItems_.clear();
    reuseableItems_.clear();
    refreshGridViewAnimated_initialCall(animated, true);
}

std::shared_ptr<CNGridViewItemBase> CNGridView::dequeueReusableItemWithIdentifier(
    const std::string& identifier) {
    auto it = reuseableItems_.find(identifier);
    if (it == reuseableItems_.end() || it->second.empty()) return nullptr;
    auto item = it->second.back();
    it->second.pop_back();
    item->setRepresentedObject({});
    return item;
}

std::shared_ptr<CNGridViewItemBase> CNGridView::visibleItemAt(int64_t index) const {
    auto it = keyedVisibleItems_.find(index);
    return it == keyedVisibleItems_.end() ? nullptr : it->second;
}

void CNGridView::moveItems(const std::vector<std::shared_ptr<CNGridViewItemBase>>& items, bool animated) {
    if (!animated) {
        for (const auto& item : items) item->setFrame(rectForItemAtIndex(item->index()));
        return;
    }
    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(kEditAnimationDuration);
        for (const auto& item : items) item->animator().setFrame(rectForItemAtIndex(item->index()));
    });
}

void CNGridView::removeItemsFromView(const std::vector<std::shared_ptr<CNGridViewItemBase>>& items,
                                     bool animated, bool recycle) {
    if (animated) {
        ui::AnimationContext::runGroup(
            [](ui::AnimationContext& context) { context.setDuration(kEditAnimationDuration); },
            [items] {
                for (const auto& item : items) item->removeFromSuperview();
            });
        return;
    }
    for (const auto& item : items) {
        item->removeFromSuperview();
        if (recycle) enqueueForReuse(item);
    }
}

void CNGridView::insertItemAtIndex_animated(int64_t index, bool animated) {
    if (!keyedVisibleItems_.empty()) {
        std::vector<std::shared_ptr<CNGridViewItemBase>> moved;
        std::map<int64_t, std::shared_ptr<CNGridViewItemBase>> rekeyed;
        for (auto it = keyedVisibleItems_.rbegin(); it != keyedVisibleItems_.rend(); ++it) {
            auto item = it->second;
            if (it->first >= index) {
                item->setIndex(it->first + 1);
                moved.push_back(item);
            }
            rekeyed[item->index()] = item;
        }
        keyedVisibleItems_ = std::move(rekeyed);
        moveItems(moved, animated);
    }
    ++numberOfItems_;
    refreshGridViewAnimated_initialCall(animated, true);
}

void CNGridView::insertItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated) {
    if (indexes.empty()) return;
    if (!keyedVisibleItems_.empty()) {
        const auto runs = runsOf(indexes);
        const int64_t first = *indexes.begin();
        std::vector<std::shared_ptr<CNGridViewItemBase>> moved;
        std::map<int64_t, std::shared_ptr<CNGridViewItemBase>> rekeyed;
        for (auto it = keyedVisibleItems_.rbegin(); it != keyedVisibleItems_.rend(); ++it) {
            auto item = it->second;
            if (it->first >= first) {
                int64_t shift = 0;
                for (const auto& [start, length] : runs)
                    if (start <= it->first) shift += length;
                item->setIndex(it->first + shift);
                moved.push_back(item);
            }
            rekeyed[item->index()] = item;
        }
        keyedVisibleItems_ = std::move(rekeyed);
        moveItems(moved, animated);
    }
    numberOfItems_ += static_cast<int64_t>(indexes.size());
    refreshGridViewAnimated_initialCall(animated, false);
}

void CNGridView::removeItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated) {
    if (indexes.empty()) return;
    if (!keyedVisibleItems_.empty()) {
        const int64_t first = *indexes.begin();
        std::vector<std::shared_ptr<CNGridViewItemBase>> leaving;
        for (auto it = keyedVisibleItems_.lower_bound(first); it != keyedVisibleItems_.end();) {
            leaving.push_back(it->second);
            it = keyedVisibleItems_.erase(it);
        }
        removeItemsFromView(leaving, animated, true);
    }
    // Never below none, whatever the caller removed.
    numberOfItems_ = std::max<int64_t>(0, numberOfItems_ - static_cast<int64_t>(indexes.size()));
    refreshGridViewAnimated_initialCall(animated, false);
}

void CNGridView::reloadItemsAtIndexes_animated(const CNIndexSet& indexes, bool animated) {
    if (indexes.empty()) return;
    std::vector<std::shared_ptr<CNGridViewItemBase>> leaving;
    for (int64_t index : indexes) {
        auto it = keyedVisibleItems_.find(index);
        if (it == keyedVisibleItems_.end()) continue;
        leaving.push_back(it->second);
        keyedVisibleItems_.erase(it);
    }
    removeItemsFromView(leaving, animated, false);
    refreshGridViewAnimated_initialCall(animated, false);
}

// The grid's own answers to its interfaces ----------------------------------------------------------------

int64_t CNGridView::gridView_numberOfItemsInSection(CNGridView& gridView, int64_t section) {
    auto source = dataSource();
    return source ? source->gridView_numberOfItemsInSection(gridView, section) : 0;
}

std::shared_ptr<CNGridViewItemBase> CNGridView::gridView_itemAtIndex_inSection(CNGridView& gridView,
                                                                               int64_t index,
                                                                               int64_t section) {
    auto source = dataSource();
    return source ? source->gridView_itemAtIndex_inSection(gridView, index, section) : nullptr;
}

int64_t CNGridView::numberOfSectionsInGridView(CNGridView& gridView) {
    auto source = dataSource();
    if (source && source->implements(CNGridViewDataSource::Op::NumberOfSectionsInGridView))
        return source->numberOfSectionsInGridView(gridView);
    return 1;
}

std::optional<std::string> CNGridView::gridView_titleForHeaderInSection(CNGridView& gridView,
                                                                        int64_t section) {
    auto source = dataSource();
    if (source && source->implements(CNGridViewDataSource::Op::TitleForHeaderInSection))
        return source->gridView_titleForHeaderInSection(gridView, section);
    return std::nullopt;
}

std::vector<std::string> CNGridView::sectionIndexTitlesForGridView(CNGridView& gridView) {
    auto source = dataSource();
    if (source && source->implements(CNGridViewDataSource::Op::SectionIndexTitlesForGridView))
        return source->sectionIndexTitlesForGridView(gridView);
    return {};
}

bool CNGridView::delegateImplements(CNGridViewDelegate::Op op, std::shared_ptr<CNGridViewDelegate>& d) const {
    d = delegate();
    return d && d->implements(op);
}

void CNGridView::postItemNotification(const char* name, int64_t index) {
    platform::Value::Dictionary info{
        {kItemIndexKey, platform::Number(static_cast<unsigned long long>(index))}};
    nc_->post(name, static_cast<const ui::View*>(this), platform::Value(std::move(info)),
              platform::Value(sharedAs<CNGridView>()));
}

using DelegateOp = CNGridViewDelegate::Op;

void CNGridView::gridViewDidFinishReloadingVisibleItems(CNGridView& gridView) {
    std::shared_ptr<CNGridViewDelegate> d;
    if (delegateImplements(DelegateOp::DidFinishReloadingVisibleItems, d))
        d->gridViewDidFinishReloadingVisibleItems(gridView);
}

#define KESTRUNE_GRID_ITEM_EVENT(operation, op, notification)                              \
    void CNGridView::operation(CNGridView& gridView, int64_t index, int64_t section) {     \
        postItemNotification(notification, index);                                         \
        std::shared_ptr<CNGridViewDelegate> d;                                             \
        if (delegateImplements(DelegateOp::op, d)) d->operation(gridView, index, section); \
    }

KESTRUNE_GRID_ITEM_EVENT(gridView_willHoverItemAtIndex_inSection, WillHoverItem, kWillHoverItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_willUnhoverItemAtIndex_inSection, WillUnhoverItem,
                         kWillUnhoverItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_willSelectItemAtIndex_inSection, WillSelectItem,
                         kWillSelectItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_didSelectItemAtIndex_inSection, DidSelectItem, kDidSelectItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_willDeselectItemAtIndex_inSection, WillDeselectItem,
                         kWillDeselectItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_didDeselectItemAtIndex_inSection, DidDeselectItem,
                         kDidDeselectItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_didClickItemAtIndex_inSection, DidClickItem, kDidClickItemNotification)
KESTRUNE_GRID_ITEM_EVENT(gridView_didDoubleClickItemAtIndex_inSection, DidDoubleClickItem,
                         kDidDoubleClickItemNotification)

#undef KESTRUNE_GRID_ITEM_EVENT

void CNGridView::gridView_willDeselectAllItems(
    CNGridView& gridView, const std::vector<std::shared_ptr<CNGridViewItemBase>>& items) {
    platform::Value::Array array;
    for (const auto& item : items) array.push_back(platform::Value(item));
    platform::Value::Dictionary info{{kSelectedItemsKey, platform::Value(std::move(array))}};
    nc_->post(kWillDeselectAllItemsNotification, static_cast<const ui::View*>(this),
              platform::Value(std::move(info)), platform::Value(sharedAs<CNGridView>()));
    std::shared_ptr<CNGridViewDelegate> d;
    if (delegateImplements(DelegateOp::WillDeselectAllItems, d))
        d->gridView_willDeselectAllItems(gridView, items);
}

void CNGridView::gridViewDidDeselectAllItems(CNGridView& gridView) {
    nc_->post(kDidDeselectAllItemsNotification, static_cast<const ui::View*>(this), {},
              platform::Value(sharedAs<CNGridView>()));
    std::shared_ptr<CNGridViewDelegate> d;
    if (delegateImplements(DelegateOp::DidDeselectAllItems, d)) d->gridViewDidDeselectAllItems(gridView);
}

void CNGridView::gridView_didActivateContextMenuWithIndexes_inSection(CNGridView& gridView,
                                                                      const CNIndexSet& indexes,
                                                                      int64_t section) {
    platform::Value::Array array;
    for (int64_t index : indexes) array.push_back(platform::Number(static_cast<unsigned long long>(index)));
    platform::Value::Dictionary info{{kItemsIndexSetKey, platform::Value(std::move(array))}};
    nc_->post(kRightMouseButtonClickedOnItemNotification, static_cast<const ui::View*>(this),
              platform::Value(std::move(info)), platform::Value(sharedAs<CNGridView>()));
    std::shared_ptr<CNGridViewDelegate> d;
    if (delegateImplements(DelegateOp::DidActivateContextMenu, d))
        d->gridView_didActivateContextMenuWithIndexes_inSection(gridView, indexes, section);
}

}  // namespace kestrune
