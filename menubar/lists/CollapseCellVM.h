#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// The collapsible row's style: 0 green, 1 warning yellow, 2 red error; another value keeps the
// background its layout gives.
class CollapseCellVM : public ListCellViewModel {
public:
    static std::shared_ptr<CollapseCellVM> init() { return std::make_shared<CollapseCellVM>(); }
    std::string className() const override { return "CollapseCellVM"; }

    int32_t collapseCell() const { return collapseCell_; }
    void setCollapseCell(int32_t style) { collapseCell_ = style; }

private:
    int32_t collapseCell_ = 0;
};

}  // namespace kestrune
