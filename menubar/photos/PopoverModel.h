#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kestrune {

// The content of one information popover of the photo window: two texts and two buttons.
class PopoverModel {
public:
    using Action = std::function<void(PopoverModel&)>;

    static std::shared_ptr<PopoverModel> init() { return std::make_shared<PopoverModel>(); }

    std::optional<std::string> popoverDescriptionShort;
    std::optional<std::string> popoverDescriptionLong;
    std::optional<std::string> button1Title;
    std::optional<std::string> button2Title;
    // Each is given the model when its button is pressed.
    Action button1Action;
    Action button2Action;
};

}  // namespace kestrune
