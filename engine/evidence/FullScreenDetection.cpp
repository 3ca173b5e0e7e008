#include "engine/evidence/FullScreenDetection.h"

#include "platform/base/Log.h"
#include "platform/base/SharedInstance.h"
#include "platform/system/WindowServer.h"
#include "platform/system/Workspace.h"

namespace kestrune {

namespace {
platform::SharedInstance<FullScreenDetection> gDetection;
}  // namespace

FullScreenDetection& FullScreenDetection::shared() {
    return gDetection.get([] { return FullScreenDetection::make(); });
}

void FullScreenDetection::resetSharedForTesting() {
    gDetection.resetForTesting();
}

void FullScreenDetection::startMonitoring() {
    test();
}

void FullScreenDetection::test() {
    spaceObservation_ = platform::Workspace::shared().notificationCenter().addObserver(
        platform::kWorkspaceActiveSpaceDidChangeNotification, nullptr,
        [](const platform::Notification&) { logOnScreenWindowsAndAnswerFullScreen(); });
}

bool FullScreenDetection::logOnScreenWindowsAndAnswerFullScreen() {
    bool menubarFound = false;
    for (const auto& window : platform::WindowServer::current()->onScreenWindows()) {
        const auto& b = window.bounds;
        platform::logf("%s:%ld-%s-{{%g, %g}, {%g, %g}}-", window.ownerName.c_str(),
                       static_cast<long>(window.ownerProcessID), window.windowName.c_str(), b.x, b.y, b.width,
                       b.height);
        if (window.ownerName == "Window Server" && window.windowName == "Menubar") {
            menubarFound = true;
            break;
        }
    }
    platform::logf("fullscreen: %s", menubarFound ? "No" : "Yes");
    return !menubarFound;
}

}  // namespace kestrune
