#pragma once

#include <memory>

#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/View.h"

namespace kestrune {

namespace ui = platform::ui;

// The panel's clipboard row: its separator, label, icon and edit-mode check box (its send and info
// buttons report straight to the panel).
class ClipboardView : public ui::View {
public:
    std::shared_ptr<ui::View> clipboardSeparator;
    std::shared_ptr<ui::TextField> clipboardLabel;
    std::shared_ptr<ui::ImageView> clipboardIcon;
    std::shared_ptr<ui::Button> checkBox;
};

}  // namespace kestrune
