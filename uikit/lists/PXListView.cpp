#include "uikit/lists/PXListView.h"

#include <algorithm>

#include "platform/ui/AnimationContext.h"
#include "platform/ui/Window.h"
#include "uikit/lists/PXListDocumentView.h"
#include "uikit/lists/PXListViewCell.h"
#include "uikit/views/ImageRepresentation.h"

namespace kestrune {

namespace {

using Op = PXListViewDelegate::Op;

bool rangesOverlap(ui::Range a, ui::Range b) {
    if (a.length == 0 || b.length == 0) return false;
    return std::max(a.location, b.location) < std::min(a.max(), b.max());
}

}  // namespace

// The observations of the clip view and of the delegate end with the list.
PXListView::~PXListView() = default;

void PXListView::initWithFrame(ui::Rect frame) {
    ScrollView::initWithFrame(frame);
    initialize();
}

void PXListView::initFromNib(ui::NibArgs& args) {
    ScrollView::initFromNib(args);
    initialize();
}

void PXListView::initialize() {
    reusableCells_.clear();
    visibleCells_.clear();
    selectedRows_.clear();
    allowsEmptySelection_ = true;
    usesLiveResize_ = true;
    // The cells live in a flipped document view; a layout may put its own in place later.
    if (!documentListView()) setDocumentView(PXListDocumentView::create(ui::Rect{{0, 0}, frame().size}));
}

void PXListView::awakeFromNib() {
    ScrollView::awakeFromNib();
    auto clip = contentView();
    if (!clip) return;
    clip->setPostsBoundsChangedNotifications(true);
    std::weak_ptr<PXListView> weak = sharedAs<PXListView>();
    clipObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        ui::View::kBoundsDidChangeNotification, clip.get(), [weak](const platform::Notification& n) {
            if (auto self = weak.lock()) self->contentViewBoundsDidChange(n);
        });
    if (auto document = documentListView()) document->setListView(weak);
}

void PXListView::contentViewBoundsDidChange(const platform::Notification&) {
    updateCells();
}

std::shared_ptr<PXListDocumentView> PXListView::documentListView() const {
    return std::dynamic_pointer_cast<PXListDocumentView>(documentView());
}

void PXListView::setDelegate(const std::shared_ptr<PXListViewDelegate>& delegate) {
    delegateObservation_.remove();
    delegate_ = delegate;
    if (!delegate || !delegate->implements(Op::SelectionDidChange)) return;
    std::weak_ptr<PXListViewDelegate> weak = delegate;
    delegateObservation_ = platform::NotificationCenter::defaultCenter().addObserver(
        kSelectionDidChangeNotification, this, [weak](const platform::Notification& n) {
            if (auto d = weak.lock()) d->listViewSelectionDidChange(n);
        });
}

// Data -------------------------------------------------------------------------------------------------

void PXListView::reloadData(std::function<void()> completion) {
    auto keep = sharedView();
    {
        std::lock_guard guard(lock_);
        for (const auto& cell : visibleCells_) {
            reusableCells_.push_back(cell);
            cell->setRow(kNoRow);
            cell->setHidden(true);
        }
        visibleCells_.clear();
    }
    cellYOffsets_.clear();
    auto delegate = delegate_.lock();
    if (!delegate) return;
    numberOfRows_ = delegate->numberOfRowsInListView(*this);
    cacheCellLayout();
    constrainClipQuietly();
    currentRange_ = visibleRange();
    addCellsFromVisibleRange();
    layoutCells();
    if (completion) completion();
}

void PXListView::reloadRowAtIndex(uint64_t) {
    cacheCellLayout();
    layoutCells();
    // Shorter rows may leave the list scrolled past its end.
    if (constrainClipQuietly()) updateCells();
}

// Cells --------------------------------------------------------------------------------------------------

std::shared_ptr<PXListViewCell> PXListView::dequeueCellWithReusableIdentifier(const std::string& identifier) {
    // The most recently queued cell first.
    for (auto it = reusableCells_.rbegin(); it != reusableCells_.rend(); ++it) {
        if ((*it)->reusableIdentifier() != identifier) continue;
        auto cell = *it;
        reusableCells_.erase(std::next(it).base());
        cell->prepareForReuse();
        return cell;
    }
    return nullptr;
}

void PXListView::enqueueCell(const std::shared_ptr<PXListViewCell>& cell) {
    if (!cell) return;
    cell->prepareForReuse();
    reusableCells_.push_back(cell);
    cell->setRow(kNoRow);
    std::erase(visibleCells_, cell);
    cell->setHidden(true);
}

std::shared_ptr<PXListViewCell> PXListView::visibleCellForRow(uint64_t row) const {
    for (const auto& cell : visibleCells_)
        if (cell->row() == row) return cell;
    return nullptr;
}

std::vector<std::shared_ptr<PXListViewCell>> PXListView::visibleCellsForRowIndexes(
    const std::set<uint64_t>& rows) const {
    std::vector<std::shared_ptr<PXListViewCell>> out;
    for (const auto& cell : visibleCells_)
        if (rows.count(cell->row())) out.push_back(cell);
    return out;
}

std::shared_ptr<PXListViewCell> PXListView::askCellForRow(uint64_t row) {
    auto delegate = delegate_.lock();
    return delegate ? delegate->listView_cellForRow(*this, row) : nullptr;
}

// Geometry -----------------------------------------------------------------------------------------------

ui::Range PXListView::visibleRange() const {
    if (numberOfRows_ == 0 || !hasDataSource() || !contentView()) return {kNoRow, 0};
    const ui::Rect visible = contentView()->documentVisibleRect();
    uint64_t first = kNoRow;
    for (uint64_t row = 0; row < numberOfRows_; ++row) {
        const bool shown = rectOfRow(row).intersects(visible);
        if (first == kNoRow) {
            if (shown) first = row;
        } else if (!shown) {
            return {first, row - first};
        }
    }
    if (first == kNoRow) return {kNoRow, 0};
    return {first, numberOfRows_ - first};
}

ui::Rect PXListView::contentViewRect() const {
    const bool vertical = totalHeight_ > frame().height();
    const ui::Size size =
        contentSizeForFrameSize(frame().size, false, vertical, borderType(), scrollerStyle());
    return {{0, 0}, size};
}

ui::Rect PXListView::rectOfRow(uint64_t row) const {
    auto delegate = delegate_.lock();
    if (!delegate || row >= cellYOffsets_.size()) return {};
    auto& self = const_cast<PXListView&>(*this);
    return {0, cellYOffsets_[row], contentViewRect().width(), delegate->listView_heightOfRow(self, row)};
}

void PXListView::cacheCellLayout() {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    cellYOffsets_.assign(numberOfRows_, 0);
    double y = 0;
    for (uint64_t row = 0; row < numberOfRows_; ++row) {
        cellYOffsets_[row] = y;
        y += delegate->listView_heightOfRow(*this, row) + cellSpacing_;
    }
    totalHeight_ = y;
    applyDocumentFrame();
}

void PXListView::applyDocumentFrame() {
    auto document = documentView();
    if (!document) return;
    // A list shorter than itself is 2 points shorter still, so that it shows no scroller.
    const double height = bounds().height() < totalHeight_ ? totalHeight_ : bounds().height() - 2;
    document->setFrame({0, 0, contentViewRect().width(), height});
}

bool PXListView::constrainClipQuietly() {
    auto clip = contentView();
    if (!clip) return false;
    const ui::Point constrained = clip->constrainBoundsRect(clip->bounds()).origin;
    if (constrained == clip->bounds().origin) return false;
    // The caller works out the visible rows itself: the move is not announced.
    const bool posts = clip->postsBoundsChangedNotifications();
    clip->setPostsBoundsChangedNotifications(false);
    clip->setBoundsOrigin(constrained);
    clip->setPostsBoundsChangedNotifications(posts);
    reflectScrolledClipView(clip.get());
    return true;
}

void PXListView::cacheLayout() {
    {
        std::lock_guard guard(lock_);
        visibleCells_.clear();
    }
    if (auto document = documentView()) {
        for (const auto& view : std::vector<std::shared_ptr<ui::View>>(document->subviews()))
            view->removeFromSuperview();
    }
    cacheCellLayout();
    constrainClipQuietly();
    addCellsFromVisibleRange();
    currentRange_ = visibleRange();
}

void PXListView::addCellsFromVisibleRange() {
    if (!hasDataSource()) return;
    const ui::Range range = visibleRange();
    if (range.length == 0) return;
    for (uint64_t row = range.location; row < range.max(); ++row) {
        auto cell = askCellForRow(row);
        if (!cell) continue;
        visibleCells_.push_back(cell);
        layoutCell_atRow(cell, row);
    }
}

void PXListView::layoutCell_atRow(const std::shared_ptr<PXListViewCell>& cell, uint64_t row) {
    cell->setRow(row);
    if (auto document = documentView(); document && cell->superview() != document.get())
        document->addSubview(cell);
    cell->setFrame(rectOfRow(row));
    cell->setListView(sharedAs<PXListView>());
    cell->setHidden(false);
    if (cell->isSelected()) cell->updateSelectionColor();
}

void PXListView::layoutCells() {
    for (const auto& cell : std::vector(visibleCells_)) {
        cell->setFrame(rectOfRow(cell->row()));
        cell->layoutSubviews();
    }
    applyDocumentFrame();
}

void PXListView::setFrame(ui::Rect frame) {
    const ui::Size old = this->frame().size;
    ScrollView::setFrame(frame);
    if (old == frame.size || !hasDataSource() || cellYOffsets_.size() != numberOfRows_) return;
    auto keep = sharedView();
    layoutCells();
    // A queued cell is filled before the list places it: it must already be as wide as the rows on
    // screen, or whatever it lays out while being filled is laid out for another width.
    const double width = contentViewRect().width();
    for (const auto& cell : reusableCells_) cell->setFrameSize({width, cell->frame().height()});
    constrainClipQuietly();
    updateCells();
}

void PXListView::updateCells() {
    auto keep = sharedView();
    auto clip = contentView();
    if (!clip) return;
    const double top = clip->documentVisibleRect().minY();
    if (top > 100 && !isScrollToTopShown_)
        showScrollToTopButton();
    else if (top < 100 && isScrollToTopShown_)
        hideScrollToTopButton();

    const ui::Range next = visibleRange();
    if (next == currentRange_) return;
    if (rangesOverlap(next, currentRange_)) {
        // Rows that came in at the top, nearest first, go in front of the visible cells.
        for (uint64_t row = currentRange_.location; row > next.location;) {
            --row;
            auto cell = askCellForRow(row);
            if (!cell) continue;
            visibleCells_.insert(visibleCells_.begin(), cell);
            layoutCell_atRow(cell, row);
        }
        // Rows that came in at the bottom.
        for (uint64_t row = currentRange_.max(); row < next.max(); ++row) {
            auto cell = askCellForRow(row);
            if (!cell) continue;
            visibleCells_.push_back(cell);
            layoutCell_atRow(cell, row);
        }
        // The cells of rows that left at either end go to the queue. A row the delegate gave no cell
        // takes no other row's cell with it.
        for (const auto& cell : std::vector(visibleCells_)) {
            if (cell->row() < next.location || cell->row() >= next.max()) enqueueCell(cell);
        }
    } else {
        {
            std::lock_guard guard(lock_);
            for (const auto& cell : visibleCells_) {
                reusableCells_.push_back(cell);
                cell->setRow(kNoRow);
                cell->setHidden(true);
            }
            visibleCells_.clear();
        }
        if (auto document = documentView()) {
            for (const auto& view : std::vector<std::shared_ptr<ui::View>>(document->subviews()))
                view->removeFromSuperview();
        }
        addCellsFromVisibleRange();
    }
    currentRange_ = next;
}

// Selection ----------------------------------------------------------------------------------------------

uint64_t PXListView::selectedRow() const {
    return selectedRows_.size() == 1 ? *selectedRows_.begin() : kNoRow;
}

void PXListView::setSelectedRow(uint64_t row) {
    selectRowIndexes_byExtendingSelection({row}, false);
}

void PXListView::setSelectedRows(const std::set<uint64_t>& rows) {
    selectRowIndexes_byExtendingSelection(rows, false);
}

void PXListView::selectRowIndexes_byExtendingSelection(const std::set<uint64_t>& rows, bool extend) {
    if (!rows.empty()) {
        auto cell = visibleCellForRow(*rows.begin());
        if (cell && cell->selectionIsDisabled()) return;
    }
    std::set<uint64_t> changed;
    if (!extend) {
        changed = selectedRows_;
        selectedRows_.clear();
    }
    selectedRows_.insert(rows.begin(), rows.end());
    changed.insert(rows.begin(), rows.end());
    for (const auto& cell : visibleCellsForRowIndexes(changed)) {
        cell->setNeedsDisplay(true);
        cell->didUpdateSelection();
    }
    postSelectionDidChangeNotification();
}

void PXListView::deselectRowIndexes(const std::set<uint64_t>& rows) {
    const auto cells = visibleCellsForRowIndexes(rows);
    for (uint64_t row : rows) selectedRows_.erase(row);
    for (const auto& cell : cells) cell->setNeedsDisplay(true);
    postSelectionDidChangeNotification();
}

void PXListView::deselectRows() {
    deselectRowIndexes(std::set<uint64_t>(selectedRows_));
}

void PXListView::selectAll(ui::Responder*) {
    if (!allowsMultipleSelection_) return;
    std::set<uint64_t> all;
    for (uint64_t row = 0; row < numberOfRows_; ++row) all.insert(all.end(), row);
    selectRowIndexes_byExtendingSelection(all, false);
}

void PXListView::deselectAll(ui::Responder*) {
    selectRowIndexes_byExtendingSelection({}, false);
}

void PXListView::postSelectionDidChangeNotification() {
    platform::NotificationCenter::defaultCenter().post(kSelectionDidChangeNotification, this, {},
                                                       platform::Value(weak_from_this().lock()));
}

bool PXListView::validateMenuItem(const std::string& action) const {
    if (action == "selectAll:") return allowsMultipleSelection_ && selectedRows_.size() < numberOfRows_;
    if (action == "deselectAll:") return allowsEmptySelection_ && !selectedRows_.empty();
    return false;
}

// Input ----------------------------------------------------------------------------------------------------

void PXListView::handleMouseDown_inCell(const ui::Event* event, PXListViewCell& cell) {
    auto keep = sharedView();
    const uint64_t row = cell.row();
    if (event && event->clickCount > 1) {
        auto delegate = delegate_.lock();
        if (delegate && delegate->implements(Op::RowDoubleClicked))
            delegate->listView_rowDoubleClicked(*this, row);
    }
    if (auto w = window()) w->makeFirstResponder(sharedAs<ui::Responder>());
    // Shift toggles a row just as Command does: there is no range selection.
    const bool modified = !event || (event->modifierFlags & (ui::kCommandKeyMask | ui::kShiftKeyMask)) != 0;
    const bool selected = selectedRows_.count(row) > 0;
    if (allowsMultipleSelection_) {
        if (modified && selected) {
            if (selectedRows_.size() == 1 && !allowsEmptySelection_) return;
            deselectRowIndexes({row});
        } else {
            selectRowIndexes_byExtendingSelection({row}, modified);
        }
    } else if (modified && selected && allowsEmptySelection_) {
        deselectRowIndexes({row});
    } else {
        selectRowIndexes_byExtendingSelection({row}, false);
    }
}

uint64_t PXListView::rowAtDocumentY(double y) const {
    // The last row whose top is not below y; row 0 above them all.
    auto it = std::upper_bound(cellYOffsets_.begin(), cellYOffsets_.end(), y);
    if (it == cellYOffsets_.begin()) return 0;
    return static_cast<uint64_t>(std::distance(cellYOffsets_.begin(), it) - 1);
}

void PXListView::handleMouseDownOutsideCells(const ui::Event& event) {
    if (allowsEmptySelection_) {
        deselectAll();
        return;
    }
    if (numberOfRows_ < 2) return;
    // The rows' offsets are document coordinates, so the click is taken into the document.
    auto document = documentView();
    const ui::Point p = document ? document->convertPoint_fromView(event.locationInWindow, nullptr)
                                 : convertPoint_fromView(event.locationInWindow, nullptr);
    setSelectedRow(std::min(rowAtDocumentY(p.y), numberOfRows_ - 1));
}

void PXListView::keyDown(const ui::Event& event) {
    interpretKeyEvents({event});
}

void PXListView::moveUp(ui::Responder*) {
    moveUpPositions(0);
}

void PXListView::moveDown(ui::Responder*) {
    moveDownPositions(0);
}

void PXListView::moveUpPositions(uint64_t positions) {
    if (selectedRows_.empty()) return;
    const uint64_t first = *selectedRows_.begin();
    if (first <= positions) return;
    const uint64_t target = first - positions - 1;
    scrollRowToVisible(target);
    auto cell = visibleCellForRow(target);
    if (cell && cell->selectionIsDisabled())
        moveUpPositions(positions + 1);
    else
        selectRowIndexes_byExtendingSelection({target}, false);
}

void PXListView::moveDownPositions(uint64_t positions) {
    if (selectedRows_.empty() || numberOfRows_ == 0) return;
    const uint64_t last = *selectedRows_.rbegin();
    // last + positions must stay below the last row; with no rows there is nowhere to go.
    if (last >= numberOfRows_ - 1 || positions >= numberOfRows_ - 1 - last) return;
    const uint64_t target = last + positions + 1;
    scrollRowToVisible(target);
    auto cell = visibleCellForRow(target);
    if (cell && cell->selectionIsDisabled())
        moveDownPositions(positions + 1);
    else
        selectRowIndexes_byExtendingSelection({target}, false);
}

// Scrolling ------------------------------------------------------------------------------------------------

ui::Point PXListView::scrollTargetForRow(uint64_t row) const {
    const ui::Rect rect = rectOfRow(row);
    const ui::Rect visible = contentView() ? contentView()->documentVisibleRect() : ui::Rect{};
    ui::Point target = rect.origin;
    // A row below the visible part comes up until its bottom is the list's bottom.
    if (rect.maxY() > visible.maxY()) target.y = rect.maxY() - visible.height();
    return target;
}

void PXListView::scrollRowToVisible(uint64_t row) {
    auto clip = contentView();
    if (row >= numberOfRows_ || !clip) return;
    if (clip->documentVisibleRect().containsRect(rectOfRow(row))) return;
    clip->scrollToPoint(scrollTargetForRow(row));
    reflectScrolledClipView(clip.get());
}

void PXListView::scrollToRow(uint64_t row) {
    auto clip = contentView();
    if (row >= numberOfRows_ || !clip) return;
    clip->scrollToPoint(scrollTargetForRow(row));
    reflectScrolledClipView(clip.get());
}

void PXListView::scrollToTop() {
    scrollToYPositionAnimated(0);
}

void PXListView::scrollToYPositionAnimated(double y) {
    auto clip = contentView();
    if (!clip) return;
    ui::AnimationContext::runGroup([&](ui::AnimationContext& context) {
        context.setDuration(0.3);
        clip->animator().setBoundsOrigin({clip->bounds().origin.x, y});
    });
    reflectScrolledClipView(clip.get());
}

// Drops ----------------------------------------------------------------------------------------------------

uint64_t PXListView::indexOfRowAtPoint_returningProposedDropHighlight(ui::Point point,
                                                                      PXDropHighlight* highlight) const {
    PXDropHighlight proposed = PXDropHighlight::On;
    if (numberOfRows_ == 0 || cellYOffsets_.size() < numberOfRows_) {
        if (highlight) *highlight = proposed;
        return kNoRow;
    }
    uint64_t row = rowAtDocumentY(point.y);
    double start = cellYOffsets_[row];
    double end = start;
    if (row + 1 < numberOfRows_) {
        end = cellYOffsets_[row + 1];
    } else if (auto cell = visibleCellForRow(row)) {
        start = cell->frame().minY();
        end = cell->frame().maxY();
    }
    const double sixth = (end - start) / 6;
    if (start + sixth > point.y) {
        proposed = PXDropHighlight::Above;
    } else if (point.y > end - sixth) {
        ++row;
        proposed = PXDropHighlight::Above;
    }
    if (highlight) *highlight = proposed;
    return row > numberOfRows_ ? kNoRow : row;
}

std::shared_ptr<PXListViewCell> PXListView::cellForDropHighlight_row(PXDropHighlight* highlight,
                                                                     uint64_t* row) const {
    if (numberOfRows_ > 0 && *row > numberOfRows_ - 1) {
        *row = numberOfRows_ - 1;
        *highlight = PXDropHighlight::Below;
    }
    return visibleCellForRow(*row);
}

unsigned PXListView::draggingEntered(const ui::DraggingInfo& info) {
    return dragMoved(info, false);
}

unsigned PXListView::draggingUpdated(const ui::DraggingInfo& info) {
    return dragMoved(info, true);
}

unsigned PXListView::dragMoved(const ui::DraggingInfo& info, bool updated) {
    auto delegate = delegate_.lock();
    if (!delegate || !delegate->implements(Op::ValidateDrop)) {
        if (updated) setShowsDropHighlight(false);
        return ui::kDragOperationNone;
    }
    auto document = documentView();
    const ui::Point p =
        document ? document->convertPoint_fromView(info.draggingLocation, nullptr) : info.draggingLocation;
    PXDropHighlight highlight = PXDropHighlight::None;
    uint64_t row = indexOfRowAtPoint_returningProposedDropHighlight(p, &highlight);
    const unsigned operation =
        delegate->listView_validateDrop_proposedRow_proposedDropHighlight(*this, info, row, highlight);
    if (operation == ui::kDragOperationNone) {
        if (updated) setShowsDropHighlight(false);
        return operation;
    }
    if (row == dropRow_ && highlight == dropHighlight_) return operation;
    // A drop below the last row is held as the last row with the line below it.
    auto cell = cellForDropHighlight_row(&highlight, &row);
    clearDropHighlightOfDropRow();
    if (cell) cell->setDropHighlight(highlight);
    dropRow_ = row;
    dropHighlight_ = highlight;
    setShowsDropHighlight(true);
    return operation;
}

void PXListView::clearDropHighlightOfDropRow() {
    if (dropRow_ >= numberOfRows_) return;
    if (auto cell = visibleCellForRow(dropRow_)) cell->setDropHighlight(PXDropHighlight::None);
}

void PXListView::draggingExited(const ui::DraggingInfo*) {
    clearDropHighlightOfDropRow();
    setShowsDropHighlight(false);
    dropRow_ = 0;
    dropHighlight_ = PXDropHighlight::None;
}

bool PXListView::performDragOperation(const ui::DraggingInfo& info) {
    auto delegate = delegate_.lock();
    if (!delegate || !delegate->implements(Op::AcceptDrop)) return false;
    const bool accepted =
        delegate->listView_acceptDrop_row_dropHighlight(*this, info, dropRow_, dropHighlight_);
    dropRow_ = 0;
    dropHighlight_ = PXDropHighlight::None;
    return accepted;
}

void PXListView::draggingEnded(const ui::DraggingInfo&) {
    clearDropHighlightOfDropRow();
    setShowsDropHighlight(false);
}

void PXListView::setShowsDropHighlight(bool flag) {
    if (auto document = documentListView())
        document->setDropHighlight(flag ? PXDropHighlight::On : PXDropHighlight::None);
}

void PXListView::setDropRow_dropHighlight(uint64_t row, PXDropHighlight highlight) {
    dropRow_ = row;
    dropHighlight_ = highlight;
    setNeedsDisplay(true);
}

std::shared_ptr<ui::Image> PXListView::dragImageForRowsWithIndexes_event_clickedCell_offset(
    const std::set<uint64_t>& rows, const ui::Event& event, PXListViewCell*, ui::Point* offset) {
    struct Piece {
        std::shared_ptr<ui::Image> image;
        ui::Rect frame;
    };
    std::vector<Piece> pieces;
    ui::Rect area;
    for (const auto& cell : visibleCellsForRowIndexes(rows)) {
        pieces.push_back({makeImageSnapshot(*cell), cell->frame()});
        area = area.unionWith(cell->frame());
    }
    if (offset) {
        auto document = documentView();
        const ui::Point click = document ? document->convertPoint_fromView(event.locationInWindow, nullptr)
                                         : event.locationInWindow;
        *offset = {area.minX() - click.x, area.minY() - click.y};
    }
    const ui::Point origin = area.origin;
    return ui::Image::imageWithSize_flipped_drawingHandler(
        area.size, true, [pieces, origin](ui::Rect destination) {
            for (const auto& piece : pieces) {
                if (!piece.image) continue;
                piece.image->drawInRect(
                    piece.frame.offsetBy(destination.minX() - origin.x, destination.minY() - origin.y));
            }
            return true;
        });
}

// Accessibility
// ----------------------------------------------------------------------------------------------

std::vector<std::string> PXListView::accessibilityAttributeNames() {
    return {"AXRole",        "AXVisibleChildren", "AXContents", "AXChildren", "AXSelectedChildren",
            "AXOrientation", "AXEnabled"};
}

platform::Value PXListView::accessibilityAttributeValue(const std::string& attribute) {
    auto cellsValue = [](const std::vector<std::shared_ptr<PXListViewCell>>& cells) {
        platform::Value::Array out;
        for (const auto& cell : cells) out.emplace_back(std::static_pointer_cast<platform::Object>(cell));
        return platform::Value(std::move(out));
    };
    if (attribute == "AXRole") return "AXList";
    if (attribute == "AXVisibleChildren" || attribute == "AXContents" || attribute == "AXChildren")
        return cellsValue(visibleCells_);
    if (attribute == "AXSelectedChildren") return cellsValue(visibleCellsForRowIndexes(selectedRows_));
    if (attribute == "AXOrientation") return "AXVerticalOrientation";
    if (attribute == "AXEnabled") return true;
    return {};
}

}  // namespace kestrune
