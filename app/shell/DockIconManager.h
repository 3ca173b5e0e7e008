#pragma once

namespace kestrune {

class DockIconManager {
public:
    // YES: an icon in the Dock and a menu bar (regular); NO: no Dock icon (accessory). Unchanged when
    // the policy already is the one wanted.
    static void showDockIcon(bool show);
    // YES: the icon bounces until the application is activated; NO: stops it.
    static void setDockIconBouncing(bool bouncing);
};

}  // namespace kestrune
