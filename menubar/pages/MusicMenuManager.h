#pragma once

#include "menubar/pages/BaseMenuItemManager.h"

namespace kestrune {

// The music page: the switch that pauses music players when the Mac locks.
class MusicMenuManager : public BaseMenuItemManager {
public:
    Rows createViewModel() override;
};

}  // namespace kestrune
