#include "windows/history/TrackEventCellStyler.h"

#include "app/support/Localizable.h"
#include "app/support/NSDateFormatterHelper.h"

namespace kestrune {

namespace {
void setCellText(const std::shared_ptr<ui::TextField>& field, const std::string& text) {
    if (field) field->setStringValue(text);
}
void setPicture(const std::shared_ptr<ui::ImageView>& view, const char* name) {
    if (view) view->setImage(ui::Image::imageNamed(name));
}
std::string timeOf(const BaseEntry& entry) {
    return entry.date() ? NSDateFormatterHelper::stringFromDate(*entry.date()) : "";
}
}  // namespace

void TrackEventCellStyler::styleCell_forLoginLogoutEntry(TrackEventCell& cell,
                                                         const LoginLogoutEntry& entry) {
    setCellText(cell.dateText, timeOf(entry));
    setCellText(cell.titleLabel, entry.descriptionForTrackEvent());
    if (entry.mugShotImageExists()) setPicture(cell.secondaryIcon, "img_placeholder");
    setPicture(cell.backgroundImage, "shadow");
}

void TrackEventCellStyler::styleCell_forSessionEntry(TrackEventCell& cell,
                                                     const LoginLogoutPresentationSessionEntry& entry) {
    setCellText(cell.dateText, entry.presentationText);
    setCellText(cell.titleLabel, localizable("session_duration"));
    setPicture(cell.backgroundImage, "shadow");
}

void TrackEventCellStyler::styleCell_forFailedLoginEntry(TrackEventCell& cell,
                                                         const FailedLoginEntry& entry) {
    setCellText(cell.dateText, timeOf(entry));
    setCellText(cell.titleLabel, localizable("failed_login_attempt_text"));
    if (entry.mugShotImageExists()) setPicture(cell.secondaryIcon, "img_placeholder");
    setPicture(cell.backgroundImage, "failed_login_background");
}

void TrackEventCellStyler::styleDumyCell(TrackEventCell& cell) {
    setCellText(cell.titleLabel, "Dummy Text");
    setCellText(cell.dateText, "Dummy Desc");
    setPicture(cell.icon, "img_placeholder");
    setPicture(cell.backgroundImage, "shadow");
}

}  // namespace kestrune
