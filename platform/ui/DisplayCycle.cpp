#include "platform/ui/DisplayCycle.h"

#include <memory>
#include <vector>

#include "platform/base/RunLoop.h"
#include "platform/ui/Application.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
bool cycleInstalled = false;
}

void DisplayCycle::install() {
    if (cycleInstalled) return;
    cycleInstalled = true;
    platform::RunLoop::main().addObserver(&DisplayCycle::run);
}

bool DisplayCycle::isInstalled() {
    return cycleInstalled;
}

void DisplayCycle::forget() {
    cycleInstalled = false;
}

void DisplayCycle::run() {
    Transaction::commitImplicit();
    const auto windows = Application::shared().orderedWindows();
    for (const auto& w : windows)
        if (w->isVisible()) w->layoutIfNeeded();
    for (const auto& w : windows)
        if (w->isVisible()) w->displayIfNeeded();
}

}  // namespace platform::ui
