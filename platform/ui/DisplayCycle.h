#pragma once

namespace platform::ui {

// The end of every turn of the main run loop: commit the implicit layer transaction, then the layout
// pass, then the display pass, over the windows that are ordered in (front to back). Views of windows
// that are not visible are neither laid out nor drawn.
class DisplayCycle {
public:
    // Adds the end-of-turn observer to the main run loop (again after the loop was reset).
    static void install();
    static bool isInstalled();
    // One end-of-turn pass, as the observer runs it.
    static void run();
    // The loop dropped its observers (tests): the next install adds it anew.
    static void forget();
};

}  // namespace platform::ui
