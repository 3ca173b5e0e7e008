#pragma once

#include <functional>
#include <string>

namespace kestrune {

class ListCellViewModel;

// A cell class as the list binding sees it: the layout that holds the cell (also its reuse identifier),
// the row height when the view model gives none, and, for some classes, a height that depends on the
// view model, which is preferred when present.
struct KestruneListViewCellProtocol {
    std::string nibName;
    double cellHeight = 0;
    std::function<double(const ListCellViewModel&)> cellHeightForViewModel;
};

}  // namespace kestrune
