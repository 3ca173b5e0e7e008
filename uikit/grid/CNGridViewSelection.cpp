// The grid under the mouse and the keyboard: selection by click and modifier keys, by the drag frame,
// single and double clicks told apart by a timer of the double-click interval, hover, the item context
// menu and Escape.

#include <algorithm>
#include <cmath>

#include "platform/ui/Application.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Window.h"
#include "uikit/grid/CNGridView.h"
#include "uikit/grid/GridViewAdditions.h"

namespace kestrune {

// Selection -----------------------------------------------------------------------------------------------

void CNGridView::selectItem(const std::shared_ptr<CNGridViewItemBase>& item) {
    if (!item || selectedItems_.count(item->index())) return;
    const int64_t index = item->index();
    gridView_willSelectItemAtIndex_inSection(*this, index, 0);
    item->setSelected(true);
    selectedItems_[index] = item;
    gridView_didSelectItemAtIndex_inSection(*this, index, 0);
}

void CNGridView::deSelectItem(const std::shared_ptr<CNGridViewItemBase>& item) {
    if (!item || !selectedItems_.count(item->index())) return;
    const int64_t index = item->index();
    gridView_willDeselectItemAtIndex_inSection(*this, index, 0);
    item->setSelected(false);
    selectedItems_.erase(index);
    gridView_didDeselectItemAtIndex_inSection(*this, index, 0);
}

void CNGridView::deselectAllItems() {
    if (selectedItems_.empty()) return;
    gridView_willDeselectAllItems(*this, selectedItems());
    // Every item of every grid hears this one and shows itself unselected.
    nc_->post(CNGridViewItemBase::kDeSelectAllItemsNotification, static_cast<const ui::View*>(this), {},
              platform::Value(sharedAs<CNGridView>()));
    selectedItems_.clear();
    gridViewDidDeselectAllItems(*this);
}

void CNGridView::selectAllItems() {
    const int64_t count = gridView_numberOfItemsInSection(*this, 0);
    for (int64_t index = 0; index < count; ++index) {
        auto item = gridView_itemAtIndex_inSection(*this, index, 0);
        if (!item) continue;
        item->setSelected(true);
        item->setIndex(index);
        selectedItems_[index] = item;
    }
}

std::vector<std::shared_ptr<CNGridViewItemBase>> CNGridView::selectedItems() const {
    std::vector<std::shared_ptr<CNGridViewItemBase>> items;
    for (const auto& [index, item] : selectedItems_) items.push_back(item);
    return items;
}

CNIndexSet CNGridView::selectedIndexes() const {
    CNIndexSet indexes;
    for (const auto& [key, item] : selectedItems_) indexes.insert(item->index());
    return indexes;
}

void CNGridView::selectItemAtIndex_usingModifierFlags(int64_t index, uint64_t flags) {
    if (index == kNotFound) return;
    if (lastSelectedItemIndex_ != kNotFound && lastSelectedItemIndex_ != index)
        if (auto last = visibleItemAt(lastSelectedItemIndex_)) deSelectItem(last);

    auto item = visibleItemAt(index);
    if (!item) {
        item = gridView_itemAtIndex_inSection(*this, index, 0);
        if (!item) return;
        item->setIndex(index);
        selectItem(item);
        return;
    }

    const bool shift = flags & ui::kShiftKeyMask, command = flags & ui::kCommandKeyMask;
    if (allowsMultipleSelection_) {
        if (!shift && !command && !item->selected()) {
            deselectAllItems();
            selectItem(item);
        } else if (command) {
            if (item->selected())
                deSelectItem(item);
            else
                selectItem(item);
        } else if (shift) {
            const CNIndexSet selected = selectedIndexes();
            if (selected.empty()) {
                selectItem(item);
            } else {
                const int64_t last = *selected.rbegin();
                for (int64_t i = std::min(last, index); i <= std::max(last, index); ++i) {
                    auto between = visibleItemAt(i);
                    if (between && !between->selected()) selectItem(between);
                }
            }
        } else {
            deselectAllItems();
            selectItem(item);
        }
    } else if (!command) {
        selectItem(item);
    } else if (item->selected()) {
        deSelectItem(item);
    } else {
        selectItem(item);
    }
    lastSelectedItemIndex_ = allowsMultipleSelection_ ? kNotFound : index;
}

void CNGridView::selectItemAtIndex(int64_t index) {
    selectItemAtIndex_usingModifierFlags(index, 0);
    // Centred horizontally; the clip view keeps the point inside the document.
    auto scroll = enclosingScrollView();
    auto document = scroll ? scroll->documentView() : nullptr;
    if (!document || index == kNotFound) return;
    const double w = itemSize_.width;
    document->scrollPoint({w * index - (scroll->frame().width() * 0.5 - w * 0.5), 0});
}

// Mouse ---------------------------------------------------------------------------------------------------

void CNGridView::mouseDown(const ui::Event& event) {
    if (!allowsSelection_) return;
    const int64_t index = indexForItemAtLocation(event.locationInWindow);
    if (index != kNotFound)
        selectItemAtIndex_usingModifierFlags(index, event.modifierFlags);
    else
        deselectAllItems();
}

void CNGridView::mouseUp(const ui::Event& event) {
    abortSelection_ = false;
    if (allowsMultipleSelectionWithDrag_ && mouseHasDragged_) {
        mouseHasDragged_ = false;
        if (selectionFrameView_) {
            selectionFrameView_->animator().setAlphaValue(0.0);
            selectionFrameView_->removeFromSuperview();
            selectionFrameView_.reset();
        }
        // The swept items take the look they show now.
        const auto swept = selectedItemsBySelectionFrame_;
        for (const auto& [index, item] : swept) {
            if (item->selected())
                selectItem(item);
            else
                deSelectItem(item);
        }
        selectedItemsBySelectionFrame_.clear();
        return;
    }
    clickEvents_.push_back(event);
    // Earlier timers stay: the first to fire takes every click gathered by then.
    std::weak_ptr<CNGridView> weak = sharedAs<CNGridView>();
    clickTimer_ = platform::Timer::scheduledTimer(ui::Application::shared().doubleClickInterval(), false,
                                                  [weak](platform::Timer&) {
                                                      if (auto self = weak.lock()) self->handleClicks();
                                                  });
}

void CNGridView::handleClicks() {
    std::vector<int64_t> indexes;
    for (const auto& event : clickEvents_) indexes.push_back(indexForItemAtLocation(event.locationInWindow));
    clickEvents_.clear();
    switch (indexes.size()) {
        case 1:
            handleSingleClickForItemAtIndex(indexes[0]);
            break;
        case 2:
            if (indexes[0] == indexes[1]) {
                handleDoubleClickForItemAtIndex(indexes[0]);
            } else {
                handleSingleClickForItemAtIndex(indexes[0]);
                handleSingleClickForItemAtIndex(indexes[1]);
            }
            break;
        case 3: {
            const int64_t i1 = indexes[0], i2 = indexes[1], i3 = indexes[2];
            if (i1 == i2 && i2 == i3) {
                handleDoubleClickForItemAtIndex(i1);
            } else if (i1 == i2) {
                handleDoubleClickForItemAtIndex(i1);
                handleSingleClickForItemAtIndex(i3);
            } else if (i2 == i3) {
                handleSingleClickForItemAtIndex(i1);
                handleDoubleClickForItemAtIndex(i2);
            } else {
                handleSingleClickForItemAtIndex(i1);
                handleSingleClickForItemAtIndex(i2);
                handleSingleClickForItemAtIndex(i3);
            }
            break;
        }
        default:
            break;
    }
}

void CNGridView::handleSingleClickForItemAtIndex(int64_t index) {
    if (index != kNotFound) gridView_didClickItemAtIndex_inSection(*this, index, 0);
}

void CNGridView::handleDoubleClickForItemAtIndex(int64_t index) {
    if (index != kNotFound) gridView_didDoubleClickItemAtIndex_inSection(*this, index, 0);
}

void CNGridView::mouseDragged(const ui::Event& event) {
    if (!allowsMultipleSelection_ || !allowsMultipleSelectionWithDrag_) return;
    mouseHasDragged_ = true;
    if (abortSelection_) return;
    drawSelectionFrameForMousePointerAtLocation(convertPoint_fromView(event.locationInWindow, nullptr));
    if (selectionFrameView_)
        selectItemsCoveredBySelectionFrame_usingModifierFlags(selectionFrameView_->frame(),
                                                              event.modifierFlags);
}

void CNGridView::drawSelectionFrameForMousePointerAtLocation(ui::Point p) {
    if (!selectionFrameView_) {
        selectionFrameInitialPoint_ = p;
        selectionFrameView_ = ui::make<CNSelectionFrameView>({p.x, p.y, 0, 0});
        if (!containsSubView(*this, *selectionFrameView_)) addSubview(selectionFrameView_);
        return;
    }
    const ui::Point s = selectionFrameInitialPoint_;
    const ui::Rect clip = visibleRect();
    const double fullWidth = columnsInGridView() * itemSize_.width;
    const double x = std::max(clip.minX(), std::ceil(std::min(s.x, p.x)));
    const double y = std::max(clip.minY(), std::ceil(std::min(s.y, p.y)));
    double width = s.x < p.x ? p.x - s.x : s.x - x;
    if (x + width >= fullWidth) width = fullWidth - x - 1;
    double height = s.y < p.y ? p.y - s.y : s.y - y;
    if (y + height > clip.maxY()) height = clip.maxY() - y;
    selectionFrameView_->setFrame({x, y, width, height});
}

void CNGridView::selectItemsCoveredBySelectionFrame_usingModifierFlags(ui::Rect frame, uint64_t flags) {
    // The frame's top-left corner and the opposite one, as (column, row) from 1.
    const auto [c1, r1] = locationForItemAtIndex(
        boundIndexForItemAtLocation(convertPoint_toView({frame.minX(), frame.minY()}, nullptr)));
    const auto [c2, r2] = locationForItemAtIndex(
        boundIndexForItemAtLocation(convertPoint_toView({frame.maxX(), frame.maxY()}, nullptr)));

    // Items the frame left show their committed look again.
    for (const auto& [index, visible] : keyedVisibleItems_) {
        auto swept = selectedItemsBySelectionFrame_.find(index);
        if (swept == selectedItemsBySelectionFrame_.end()) continue;
        const auto [column, row] = locationForItemAtIndex(swept->second->index());
        if (column >= c1 && column <= c2 && row >= r1 && row <= r2) continue;
        auto committed = selectedItems_.find(index);
        if (committed != selectedItems_.end() && committed->second == swept->second) {
            swept->second->setSelected(true);
        } else {
            swept->second->setSelected(false);
            selectedItemsBySelectionFrame_.erase(swept);
        }
    }

    const int64_t columns = columnsInGridView();
    const int64_t rows = (numberOfItems_ + columns - 1) / columns;
    const int64_t firstRow = r1, lastRow = std::min(r2, rows);
    const int64_t firstColumn = c1, lastColumn = std::min(c2, columns);
    if (firstRow > lastRow) return;
    const bool command = flags & ui::kCommandKeyMask;
    for (int64_t row = firstRow; row <= lastRow; ++row) {
        for (int64_t column = firstColumn; column <= lastColumn; ++column) {
            const int64_t index = (row - 1) * columns + (column - 1);
            auto item = visibleItemAt(index);
            if (!item || frame.width() <= 0 || frame.height() <= 0) continue;
            selectedItemsBySelectionFrame_[index] = item;
            if (command) {
                // A swept item that is selected shows as unselected, and the other way round.
                auto committed = selectedItems_.find(index);
                item->setSelected(committed == selectedItems_.end() || committed->second != item);
            } else {
                item->setSelected(true);
            }
        }
    }
}

void CNGridView::rightMouseDown(const ui::Event& event) {
    const int64_t index = indexForItemAtLocation(event.locationInWindow);
    if (index == kNotFound) {
        deselectAllItems();
        return;
    }
    CNIndexSet indexes = selectedIndexes();
    if (!indexes.count(index)) {
        indexes = {index};
        deselectAllItems();
        selectItem(visibleItemAt(index));
    }
    if (!itemContextMenu_) return;
    ui::Event menuEvent =
        ui::Event::mouseEvent(ui::EventType::RightMouseDown, event.locationInWindow, window(), 0, 0);
    menuEvent.timestamp = 0;
    platform::Value::Array represented;
    for (int64_t i : indexes) represented.push_back(platform::Number(static_cast<unsigned long long>(i)));
    for (const auto& menuItem : itemContextMenu_->itemArray()) menuItem->setRepresentedObject(represented);
    ui::Menu::popUpContextMenu_withEvent_forView(itemContextMenu_, menuEvent, sharedView());
    gridView_didActivateContextMenuWithIndexes_inSection(*this, indexes, 0);
}

void CNGridView::keyDown(const ui::Event& event) {
    if (event.keyCode == ui::kKeyCodeEscape) abortSelection_ = true;
    View::keyDown(event);
}

// Hover ---------------------------------------------------------------------------------------------------

void CNGridView::mouseMoved(const ui::Event& event) {
    if (!useHover_) return;
    const int64_t index = indexForItemAtLocation(event.locationInWindow);
    const int64_t last = lastHoveredIndex_;
    if (index == kNotFound && last == kNotFound) return;
    if (last != kNotFound && last != index) unHoverItemAtIndex(last);
    if (last != index) hoverItemAtIndex(index);
}

void CNGridView::mouseExited(const ui::Event&) {
    lastHoveredIndex_ = kNotFound;
}

void CNGridView::hoverItemAtIndex(int64_t index) {
    gridView_willHoverItemAtIndex_inSection(*this, index, 0);
    lastHoveredIndex_ = index;
    if (auto item = visibleItemAt(index)) item->setHovered(true);
}

void CNGridView::unHoverItemAtIndex(int64_t index) {
    gridView_willUnhoverItemAtIndex_inSection(*this, index, 0);
    if (auto item = visibleItemAt(index)) item->setHovered(false);
}

}  // namespace kestrune
