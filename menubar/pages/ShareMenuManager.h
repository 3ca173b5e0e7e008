#pragma once

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The share page: sharing the product and rating it.
class ShareMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;
};

}  // namespace kestrune
