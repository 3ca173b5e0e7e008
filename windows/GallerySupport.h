#pragma once

#include <functional>
#include <memory>

#include "app/records/MobileDevice.h"
#include "platform/ui/SceneRegistry.h"
#include "uikit/bases/BaseViewController.h"
#include "uikit/bases/KSWindowController.h"

namespace kestrune::gallery {

// What the scenes' windows show must outlive the builders.
void keep(std::shared_ptr<void> object);
// A page of the detail pane in a window of a page's size, titled with the page's title.
platform::ui::Scene pageScene(const std::shared_ptr<BaseViewController>& page);
// A window controller's own window.
platform::ui::Scene windowScene(const std::shared_ptr<KSWindowController>& controller);
// Runs the main loop until the condition holds (a pager's slide, a page's fade), 1.5 s at most.
void settleUntil(const std::function<bool()>& done);
// "Ada's iPhone", tracked and connected, with proximity tracking as asked, in the throwaway data.
std::shared_ptr<MobileDevice> trackedPhone(bool tracking);

}  // namespace kestrune::gallery
