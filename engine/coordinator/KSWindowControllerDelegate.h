#pragma once

namespace kestrune {

class KSWindowController;

// Told when a window of the application's own is about to close.
class KSWindowControllerDelegate {
public:
    virtual ~KSWindowControllerDelegate() = default;
    virtual void windowControllerWillClose(KSWindowController& controller) = 0;
};

}  // namespace kestrune
