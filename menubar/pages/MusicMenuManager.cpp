#include "menubar/pages/MusicMenuManager.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
}  // namespace

BaseMenuItemManager::Rows MusicMenuManager::createViewModel() {
    auto moreOptions = F::iconTitleDescriptionCellWithIcon_title_description_action(
        "cell_icon_more_options", localizable("more_options"), localizable("more_options_coming_soon"),
        nullptr);
    moreOptions->setIsDisabled(true);
    return {F::titleDescriptionCellWithTitle_description_action(
                localizable("music_options"), localizable("music_options_description"), nullptr),
            F::separatorCell(),
            F::customCheckBoxWithIcon_title_description_isOn_action(
                "cell_icon_pause_music", localizable("pause_music_on_logout_title"),
                localizable("pause_music_on_logout"), DeviceLocalSettings::shared().musicPauseOnLogout(),
                navigate(&NavigationDelegate::togglePauseMusicOnLogout, true)),
            moreOptions,
            F::emptyCellWithHeight_action(170, nullptr),
            F::titleCellCenteredWithTitle_action(localizable("supported_music_players"), nullptr),
            F::imageCellWithImage_height_action("Dock", 75, nullptr)};
}

}  // namespace kestrune
