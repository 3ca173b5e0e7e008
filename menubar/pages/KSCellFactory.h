#pragma once

#include <memory>

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// Rows that more than one page shows.
class KSCellFactory {
public:
    // The send-clipboard hot key as a check box: a tap asks the page's navigation delegate to flip it,
    // then rebuilds the page. The row holds the page weakly.
    static std::shared_ptr<ListCellViewModel> createClipboardShort(
        const std::shared_ptr<BaseMenuItemManager>& manager);
};

}  // namespace kestrune
