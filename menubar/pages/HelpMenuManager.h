#pragma once

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The help page: the FAQ and the product's site, the support e-mail, translation help, and the tutorials
// and troubleshooting screens.
class HelpMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;
};

}  // namespace kestrune
