#include "menubar/lists/ListCellFactory.h"

#include "uikit/views/BackgroundColor.h"

namespace kestrune {

std::shared_ptr<PXListViewCell> ListCellFactory::cellForList_object(
    PXListView& list, const KestruneListViewCellProtocol& cellClass) {
    const std::string& identifier = cellClass.nibName;
    auto cell = list.dequeueCellWithReusableIdentifier(identifier);
    if (!cell) cell = PXListViewCell::cellLoadedFromNibNamed_reusableIdentifier(identifier, identifier);
    if (cell) setBackgouroundColor(*cell, ui::Color::clearColor());
    return cell;
}

}  // namespace kestrune
