#pragma once

#include <memory>

#include "uikit/lists/KestruneListViewCellProtocol.h"
#include "uikit/lists/PXListView.h"
#include "uikit/lists/PXListViewCell.h"

namespace kestrune {

// Cells for the list binding: from the list's reuse queue when one of the class is queued, else loaded
// from the class's layout; none when the layout holds no cell.
class ListCellFactory {
public:
    static std::shared_ptr<PXListViewCell> cellForList_object(PXListView& list,
                                                              const KestruneListViewCellProtocol& cellClass);
};

}  // namespace kestrune
