#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/ui/Button.h"
#include "platform/ui/TextField.h"
#include "uikit/bases/KSWindowController.h"
#include "uikit/lists/KestruneListView.h"

namespace kestrune {

// A window holding one settings list, a title, two bottom buttons, an information button and a line
// of text under the list. Its reload runs the data source, then the list, then the caller's closure.
class KestruneListViewWindow : public KSWindowController {
public:
    // "KestruneListViewWindow".
    std::optional<std::string> nibName() const override;
    void reloadDatasourceAndView(Block completion = nullptr);
    // Subclasses load their rows and then run the closure; the base runs it at once.
    virtual void reloadDatsourceWithCompletion(Block completion);
    void windowDidLoad() override;
    void setUpListView();
    void showInfoButton(bool show);
    void setBottomRightButtonTitle(const std::optional<std::string>& title);
    virtual void didToggleButtonRightButton(ui::Control&) {}
    virtual void infoButtonToggled(ui::Control&) {}
    void setBottomCenterButtonTitle(const std::optional<std::string>& title);
    virtual void didToggleButtonCenterButton(ui::Control&) {}
    // A title shows the button at full strength; none only makes it invisible, in place and with the
    // title it had (it still takes clicks).
    static void setTitle_forButton(const std::optional<std::string>& title, ui::Button* button);

    // Outlets.
    std::shared_ptr<KestruneListView> listView;
    std::shared_ptr<ui::TextField> title;
    std::shared_ptr<ui::TextField> bottomInfoTextField;
    std::weak_ptr<ui::Button> bottomRightButton;
    std::weak_ptr<ui::Button> bottomCenterButton;
    std::weak_ptr<ui::Button> infoButton;
    std::weak_ptr<ui::View> listViewBackgroundView;
};

}  // namespace kestrune
