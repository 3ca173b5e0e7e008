#include "uikit/lists/KestruneListView.h"

namespace kestrune {

void KestruneListView::initWithFrame(ui::Rect frame) {
    PXListView::initWithFrame(frame);
    initalize();
}

void KestruneListView::initFromNib(ui::NibArgs& args) {
    PXListView::initFromNib(args);
    initalize();
}

void KestruneListView::initalize() {
    setAllowsMultipleSelection(false);
}

void KestruneListView::setupDefaultProperties() {
    setCellSpacing(0);
    setAllowsEmptySelection(true);
    setAllowsMultipleSelection(true);
    registerForDraggedTypes({"NSStringPboardType"});
    setDrawsBackground(false);
    setBorderType(ui::BorderType::None);
}

void KestruneListView::selectRowIndexes_byExtendingSelection(const std::set<uint64_t>& rows, bool extend) {
    previousSelection_ = selectedRow();
    PXListView::selectRowIndexes_byExtendingSelection(rows, extend);
}

bool KestruneListView::selectionChangeDirectionisUpward() const {
    return previousSelection_ > selectedRow();
}

}  // namespace kestrune
