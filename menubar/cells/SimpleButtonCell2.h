#pragma once

#include "menubar/cells/SimpleButtonCell.h"

namespace kestrune {

// The same button in another layout.
class SimpleButtonCell2 : public SimpleButtonCell {
public:
    static const KestruneListViewCellProtocol& cellClass();
};

}  // namespace kestrune
