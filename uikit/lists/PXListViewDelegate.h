#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "platform/base/NotificationCenter.h"
#include "platform/ui/TrackingArea.h"

namespace kestrune {

namespace ui = platform::ui;

class PXListView;
class PXListViewCell;

// Where a drop would land relative to a row.
enum class PXDropHighlight : unsigned { None = 0, On = 1, Above = 2, Below = 3 };

// A list's rows: their number, heights and cells. The last five operations are optional; the list asks
// `implements` before each call.
class PXListViewDelegate {
public:
    enum class Op { SelectionDidChange, RowDoubleClicked, WriteRows, ValidateDrop, AcceptDrop };

    virtual ~PXListViewDelegate() = default;
    virtual bool implements(Op) const { return false; }

    virtual uint64_t numberOfRowsInListView(PXListView& list) = 0;
    virtual double listView_heightOfRow(PXListView& list, uint64_t row) = 0;
    // Normally a dequeued cell, filled; none leaves the row without a cell.
    virtual std::shared_ptr<PXListViewCell> listView_cellForRow(PXListView& list, uint64_t row) = 0;

    // Heard through the list's selection notification (the list is its object).
    virtual void listViewSelectionDidChange(const platform::Notification&) {}
    virtual void listView_rowDoubleClicked(PXListView&, uint64_t) {}
    // Never called by the list, which starts no drag of its own.
    virtual bool listView_writeRowsWithIndexes_toPasteboard(PXListView&, const std::set<uint64_t>&,
                                                            const std::string&) {
        return false;
    }
    // The drag operation a drop at the row would perform (0 refuses it).
    virtual unsigned listView_validateDrop_proposedRow_proposedDropHighlight(PXListView&,
                                                                             const ui::DraggingInfo&,
                                                                             uint64_t, PXDropHighlight) {
        return ui::kDragOperationNone;
    }
    virtual bool listView_acceptDrop_row_dropHighlight(PXListView&, const ui::DraggingInfo&, uint64_t,
                                                       PXDropHighlight) {
        return false;
    }
};

}  // namespace kestrune
