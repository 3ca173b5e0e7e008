#pragma once

#include <memory>

#include "menubar/photos/PopoverModelFactory.h"
#include "platform/ui/Popover.h"
#include "platform/ui/View.h"
#include "windows/photos/PopoverManagerDelegate.h"
#include "windows/photos/PpopverContentInfoController.h"

namespace kestrune {

// Chooses the photo window's information popover for the kinds it shows, shows it below the notice
// button, and acts on its buttons: switching a photo setting on, or asking the window for an
// information page. Whatever is pressed, the popover then closes and the window hears option 0.
class PopoverManager : public PopoverModelFactoryDelegate,
                       public ui::PopoverDelegate,
                       public std::enable_shared_from_this<PopoverManager> {
public:
    static std::shared_ptr<PopoverManager> initWithDelegate(std::weak_ptr<PopoverManagerDelegate> delegate);

    // The model of the popover type for the window's kinds (flag: failed-login photos are shown).
    void updatePopoverModelForFailedLoginAttempts(bool failedLoginAttempts);
    // A transient popover below the view, when there is a model.
    void showPopoverFromView(const std::shared_ptr<ui::View>& view);
    void hidePopover();
    void popoverModelFactory_didSelectOption(PopoverModelFactory& factory, int32_t option) override;

    std::shared_ptr<PopoverManagerDelegate> delegate() const { return delegate_.lock(); }
    const std::shared_ptr<PopoverModel>& currentPopoverModel() const { return currentPopoverModel_; }
    const std::shared_ptr<ui::Popover>& popover() const { return popover_; }
    const std::shared_ptr<PopoverModelFactory>& popoverModelFactory() const { return popoverModelFactory_; }
    const std::shared_ptr<PpopverContentInfoController>& contentController() const { return content_; }

private:
    std::weak_ptr<PopoverManagerDelegate> delegate_;
    std::shared_ptr<PopoverModel> currentPopoverModel_;
    std::shared_ptr<ui::Popover> popover_;
    std::shared_ptr<PopoverModelFactory> popoverModelFactory_;
    std::shared_ptr<PpopverContentInfoController> content_;
};

}  // namespace kestrune
