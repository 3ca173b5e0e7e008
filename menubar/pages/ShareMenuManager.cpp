#include "menubar/pages/ShareMenuManager.h"

#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
}  // namespace

BaseMenuItemManager::Rows ShareMenuManager::createViewModel() {
    return {F::titleDescriptionCellWithTitle_description_action(localizable("share_kestrune_title"),
                                                                localizable("share_kestrune"), nullptr),
            F::separatorCell(),
            F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
                "cell_icon_facebook", localizable("facebook"), localizable("share_on_facebook_description"),
                localizable("share_action"), [] { KSUrlManager::openFbShareLink(); }),
            F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
                "cell_icon_twitter", localizable("twitter"), localizable("share_twitter_description"),
                localizable("share_action"), [] { KSUrlManager::openTwitterShareLink(); }),
            F::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
                "cell_icon_rate", localizable("rate_kestrune_old"),
                localizable("rate_kestrune_on_appstore_description"), localizable("rate_action"),
                navigate(&NavigationDelegate::showRateOnAppStore))};
}

}  // namespace kestrune
