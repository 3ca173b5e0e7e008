#include "platform/ui/Menu.h"

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/ui/View.h"

namespace platform::ui {

namespace {
std::vector<Menu::PopUp>& popUps() {
    static std::vector<Menu::PopUp> recorded;
    return recorded;
}
}  // namespace

std::shared_ptr<MenuItem> MenuItem::create(std::string title, Action action, std::string keyEquivalent) {
    auto item = std::make_shared<MenuItem>();
    item->title_ = std::move(title);
    item->action_ = std::move(action);
    item->keyEquivalent_ = std::move(keyEquivalent);
    return item;
}

std::shared_ptr<MenuItem> MenuItem::separatorItem() {
    auto item = std::make_shared<MenuItem>();
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

void MenuItem::setSubmenu(std::shared_ptr<Menu> menu) {
    if (submenu_) submenu_->supermenu_.reset();
    submenu_ = std::move(menu);
    if (submenu_) submenu_->supermenu_ = menu_;
}

bool MenuItem::performAction() {
    if (!enabled_ || separator_ || !action_) return false;
    auto keep = sharedAs<MenuItem>();  // the action may remove the item from its menu
    action_(*this);
    return true;
}

std::shared_ptr<Menu> Menu::create(std::string title) {
    auto menu = std::make_shared<Menu>();
    menu->title_ = std::move(title);
    return menu;
}

void Menu::addItem(const std::shared_ptr<MenuItem>& item) {
    insertItem_atIndex(item, items_.size());
}

std::shared_ptr<MenuItem> Menu::addItemWithTitle(std::string title, MenuItem::Action action,
                                                 std::string key) {
    auto item = MenuItem::create(std::move(title), std::move(action), std::move(key));
    addItem(item);
    return item;
}

void Menu::insertItem_atIndex(const std::shared_ptr<MenuItem>& item, size_t index) {
    if (!item) return;
    // An item belongs to one menu at a time; inserting one that is elsewhere is a mistake the platform
    // refuses, and so do we, with a log line.
    if (auto owner = item->menu_.lock(); owner && owner.get() != this) {
        platform::logf("Menu: item \"%s\" is already in another menu", item->title().c_str());
        return;
    }
    if (indexOfItem(item.get()) >= 0) return;
    index = std::min(index, items_.size());
    items_.insert(items_.begin() + index, item);
    item->menu_ = sharedAs<Menu>();
    if (item->submenu_) item->submenu_->supermenu_ = sharedAs<Menu>();
}

void Menu::removeItem(const std::shared_ptr<MenuItem>& item) {
    const long index = indexOfItem(item.get());
    if (index >= 0) removeItemAtIndex(static_cast<size_t>(index));
}

void Menu::removeItemAtIndex(size_t index) {
    if (index >= items_.size()) return;
    items_[index]->menu_.reset();
    items_.erase(items_.begin() + index);
}

void Menu::removeAllItems() {
    for (auto& item : items_) item->menu_.reset();
    items_.clear();
}

long Menu::indexOfItem(const MenuItem* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item) return static_cast<long>(i);
    return -1;
}

long Menu::indexOfItemWithTag(int tag) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->tag() == tag) return static_cast<long>(i);
    return -1;
}

long Menu::indexOfItemWithTitle(const std::string& title) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->title() == title) return static_cast<long>(i);
    return -1;
}

std::shared_ptr<MenuItem> Menu::itemAtIndex(size_t index) const {
    return index < items_.size() ? items_[index] : nullptr;
}

std::shared_ptr<MenuItem> Menu::itemWithTag(int tag) const {
    const long i = indexOfItemWithTag(tag);
    return i >= 0 ? items_[i] : nullptr;
}

std::shared_ptr<MenuItem> Menu::itemWithTitle(const std::string& title) const {
    const long i = indexOfItemWithTitle(title);
    return i >= 0 ? items_[i] : nullptr;
}

bool Menu::performKeyEquivalent(const Event& e) {
    const uint64_t relevant = kCommandKeyMask | kControlKeyMask | kAlternateKeyMask | kShiftKeyMask;
    for (const auto& item : std::vector<std::shared_ptr<MenuItem>>(items_)) {
        if (item->submenu_ && item->submenu_->performKeyEquivalent(e)) return true;
        if (item->keyEquivalent_.empty() || item->hidden_) continue;
        if (item->keyEquivalent_ == e.charactersIgnoringModifiers &&
            (e.modifierFlags & relevant) == item->keyModifiers_)
            return item->performAction();
    }
    return false;
}

bool Menu::performActionForItemAtIndex(size_t index) {
    auto item = itemAtIndex(index);
    return item && item->performAction();
}

void Menu::popUpContextMenu_withEvent_forView(const std::shared_ptr<Menu>& menu, const Event& event,
                                              const std::shared_ptr<View>& view) {
    if (!menu) return;
    popUps().push_back({menu, event.locationInWindow, view, nullptr});
}

bool Menu::popUpMenuPositioningItem_atLocation_inView(const std::shared_ptr<MenuItem>& item, Point location,
                                                      const std::shared_ptr<View>& view) {
    popUps().push_back({sharedAs<Menu>(), location, view, item});
    // Nothing was chosen: the menu closes at once.
    return false;
}

const std::vector<Menu::PopUp>& Menu::poppedUpMenus() {
    return popUps();
}

void Menu::resetForTesting() {
    popUps().clear();
}

}  // namespace platform::ui
