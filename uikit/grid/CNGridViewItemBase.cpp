#include "uikit/grid/CNGridViewItemBase.h"

namespace kestrune {

void CNGridViewItemBase::initWithFrame(ui::Rect frame) {
    View::initWithFrame(frame);
    initProperties();
}

void CNGridViewItemBase::initFromNib(ui::NibArgs& args) {
    View::initFromNib(args);
    initProperties();
}

void CNGridViewItemBase::initProperties() {
    reuseIdentifier_ = kDefaultReuseIdentifier;
    index_ = kNotFound;
    auto& center = platform::NotificationCenter::defaultCenter();
    // The handlers end with the item (its observations are removed when it goes), so they may hold it
    // by its address.
    selectAllObservation_ = center.addObserver(kSelectAllItemsNotification, nullptr,
                                               [this](const platform::Notification& n) { selectAll(n); });
    deSelectAllObservation_ = center.addObserver(kDeSelectAllItemsNotification, nullptr,
                                                 [this](const platform::Notification& n) { deSelectAll(n); });
}

void CNGridViewItemBase::prepareForReuse() {
    index_ = kNotFound;
    setSelected(false);
    selectable_ = true;
    setHovered(false);
}

void CNGridViewItemBase::selectAll(const platform::Notification&) {
    setSelected(true);
}

void CNGridViewItemBase::deSelectAll(const platform::Notification&) {
    setSelected(false);
}

}  // namespace kestrune
