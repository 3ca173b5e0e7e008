#pragma once

#include <cstdint>
#include <memory>

#include "engine/coordinator/ClipboardInfoViewControllerDelegate.h"
#include "menubar/pages/KestruneBaseItemManager.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune {

// The clipboard page: how clipboard sharing works, the hot key that sends the clipboard, and, while the
// tracked phone is connected, a button that sends the Mac's clipboard to it. Without a connected phone
// the page opens with the warning that fits. It also answers the clipboard information window: its send
// option sends the clipboard as the page's button does.
class ClipboardMenuManager : public KestruneBaseItemManager, public ClipboardInfoViewControllerDelegate {
public:
    Rows createViewModel() override;

    // Option 0 sends the clipboard through the navigation delegate; other options do nothing.
    void clipboardInfoViewController_didSelectOption(platform::ui::UIObject* controller,
                                                     int64_t option) override;

    // The clipboard information window this page answers, when one was given; the page only keeps it.
    // Held as the window base: the window's own class lives above this layer.
    const std::shared_ptr<KSWindowController>& clipboardInfoViewController() const {
        return clipboardInfoViewController_;
    }
    void setClipboardInfoViewController(std::shared_ptr<KSWindowController> controller) {
        clipboardInfoViewController_ = std::move(controller);
    }

private:
    std::shared_ptr<KSWindowController> clipboardInfoViewController_;
};

}  // namespace kestrune
