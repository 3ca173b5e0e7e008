#pragma once

#include <memory>

#include "uikit/buttons/ButtonViewModel.h"

namespace kestrune {

// Ready-made button descriptions. The argument is not used.
class ButtonViewModelFactory {
public:
    // A blue button with white text and the "back_arrow" icon, titled "test".
    static std::shared_ptr<ButtonViewModel> checkButton(const std::shared_ptr<const void>& sender = nullptr);
    // An empty description.
    static std::shared_ptr<ButtonViewModel> backButton(const std::shared_ptr<const void>& sender = nullptr);
};

}  // namespace kestrune
