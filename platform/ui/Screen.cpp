#include "platform/ui/Screen.h"

namespace platform::ui {

namespace {
std::vector<std::shared_ptr<Screen>>& all() {
    static std::vector<std::shared_ptr<Screen>> screens;
    if (screens.empty()) screens.push_back(std::make_shared<Screen>(Rect{0, 0, 1440, 900}, 2));
    return screens;
}
}  // namespace

std::shared_ptr<Screen> Screen::mainScreen() {
    return all().front();
}

std::vector<std::shared_ptr<Screen>> Screen::screens() {
    return all();
}

void Screen::setScreensForTesting(const std::vector<Description>& screens) {
    auto& list = all();
    list.clear();
    for (const auto& d : screens) list.push_back(std::make_shared<Screen>(d.frame, d.scale));
    if (list.empty()) list.push_back(std::make_shared<Screen>(Rect{0, 0, 1440, 900}, 2));
}

}  // namespace platform::ui
