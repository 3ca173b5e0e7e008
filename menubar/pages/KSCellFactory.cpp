#include "menubar/pages/KSCellFactory.h"

#include "app/records/DeviceLocalSettings.h"
#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

std::shared_ptr<ListCellViewModel> KSCellFactory::createClipboardShort(
    const std::shared_ptr<BaseMenuItemManager>& manager) {
    std::weak_ptr<BaseMenuItemManager> weak = manager;
    return ListViewModelFactory::customCheckBoxWithIcon_title_description_isOn_action(
        "cell_icon_clipboard_shortcut", localizable("clipboard_shortcut_title"),
        localizable("clipboard_shortcut_description"),
        DeviceLocalSettings::shared().enableKestruneShortCutsSendClipboard(), [weak] {
            auto page = weak.lock();
            if (!page) return;
            if (auto delegate = page->delegate()) delegate->toggleClipboardShortcut();
            page->reloadData();
        });
}

}  // namespace kestrune
