#pragma once

#include <cstdint>

#include "platform/ui/UIObject.h"

namespace kestrune {

// The clipboard-sharing information window: option 0, the user pressed its send button. Implementers
// ignore options they do not know.
class ClipboardInfoViewControllerDelegate {
public:
    static constexpr int64_t kSendClipboard = 0;

    virtual ~ClipboardInfoViewControllerDelegate() = default;
    virtual void clipboardInfoViewController_didSelectOption(platform::ui::UIObject* controller,
                                                             int64_t option) = 0;
};

}  // namespace kestrune
