#include "menubar/pages/ClipboardMenuManager.h"

#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"
#include "menubar/pages/KSCellFactory.h"
#include "menubar/pages/PhoneFacts.h"

namespace kestrune {

namespace {
using F = ListViewModelFactory;
constexpr double kPictureHeight = 300;
}  // namespace

BaseMenuItemManager::Rows ClipboardMenuManager::createViewModel() {
    Rows rows;
    const auto facts = PhoneFacts::current();
    if (!facts) {
        rows.push_back(notPairedDevices());
    } else if (!facts.connected) {
        rows.push_back(notConnected());
    }
    rows.push_back(F::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        localizable("clipboard"), localizable("clipboard_options"), nullptr, localizable("read_more"),
        navigate(&NavigationDelegate::showClipboardHowDoesItWork)));
    rows.push_back(F::separatorCell());
    rows.push_back(KSCellFactory::createClipboardShort(shared_from_this()));
    if (facts && facts.connected)
        rows.push_back(F::buttonCellWithTitle_action(localizable("send_clipboard_to_ios"),
                                                     navigate(&NavigationDelegate::sendClipboardToIos)));
    rows.push_back(F::imageCellWithImage_height_action("initial_clipboard", kPictureHeight, nullptr));
    return rows;
}

void ClipboardMenuManager::clipboardInfoViewController_didSelectOption(platform::ui::UIObject*,
                                                                       int64_t option) {
    if (option != kSendClipboard) return;
    if (auto navigation = delegate()) navigation->sendClipboardToIos();
}

}  // namespace kestrune
