#include "windows/wifi/SafeWifiCell.h"

namespace kestrune {

void SafeWifiCell::prepareForReuse() {
    KestruneListViewCell::prepareForReuse();
    if (ssidNameLabel) ssidNameLabel->setStringValue("");
}

void SafeWifiCell::deleteToggled(ui::Control&) {
    if (auto delegate = delegate_.lock()) delegate->safeWifiCellDidSelectDelete(*this);
}

}  // namespace kestrune
