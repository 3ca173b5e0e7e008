#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/Event.h"
#include "platform/ui/Image.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

class Menu;
class View;

// One entry of a menu: a title with an action closure, a separator, or the head of a submenu.
class MenuItem : public UIObject {
public:
    using Action = std::function<void(MenuItem&)>;
    static std::shared_ptr<MenuItem> create(std::string title = "", Action action = {},
                                            std::string keyEquivalent = "");
    static std::shared_ptr<MenuItem> separatorItem();

    bool isSeparatorItem() const { return separator_; }
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::optional<AttributedString>& attributedTitle() const { return attributedTitle_; }
    void setAttributedTitle(std::optional<AttributedString> t) { attributedTitle_ = std::move(t); }
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(std::string key) { keyEquivalent_ = std::move(key); }
    uint64_t keyEquivalentModifierMask() const { return keyModifiers_; }
    void setKeyEquivalentModifierMask(uint64_t mask) { keyModifiers_ = mask; }
    int state() const { return state_; }  // 0 off, 1 on, -1 mixed
    void setState(int state) { state_ = state; }
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag) { enabled_ = flag; }
    bool isHidden() const { return hidden_; }
    void setHidden(bool flag) { hidden_ = flag; }
    int indentationLevel() const { return indentation_; }
    void setIndentationLevel(int level) { indentation_ = level; }
    const std::string& toolTip() const { return toolTip_; }
    void setToolTip(std::string tip) { toolTip_ = std::move(tip); }
    const std::shared_ptr<Image>& image() const { return image_; }
    void setImage(std::shared_ptr<Image> image) { image_ = std::move(image); }
    const platform::Value& representedObject() const { return represented_; }
    void setRepresentedObject(platform::Value value) { represented_ = std::move(value); }
    const std::shared_ptr<View>& view() const { return view_; }
    void setView(std::shared_ptr<View> view) { view_ = std::move(view); }

    const std::shared_ptr<Menu>& submenu() const { return submenu_; }
    void setSubmenu(std::shared_ptr<Menu> menu);
    bool hasSubmenu() const { return submenu_ != nullptr; }
    std::shared_ptr<Menu> menu() const { return menu_.lock(); }

    // What choosing the item does: its action, when enabled. Answers whether it ran.
    bool performAction();

private:
    friend class Menu;
    bool separator_ = false;
    std::string title_;
    std::optional<AttributedString> attributedTitle_;
    Action action_;
    std::string keyEquivalent_;
    uint64_t keyModifiers_ = kCommandKeyMask;
    int state_ = 0;
    int tag_ = 0;
    bool enabled_ = true;
    bool hidden_ = false;
    int indentation_ = 0;
    std::string toolTip_;
    std::shared_ptr<Image> image_;
    platform::Value represented_;
    std::shared_ptr<View> view_;
    std::shared_ptr<Menu> submenu_;
    std::weak_ptr<Menu> menu_;
};

// A list of items. Popping a menu up is recorded (there is no menu tracking here) and returns at once.
class Menu : public UIObject {
public:
    static std::shared_ptr<Menu> create(std::string title = "");

    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }
    const std::vector<std::shared_ptr<MenuItem>>& itemArray() const { return items_; }
    size_t numberOfItems() const { return items_.size(); }
    void addItem(const std::shared_ptr<MenuItem>& item);
    std::shared_ptr<MenuItem> addItemWithTitle(std::string title, MenuItem::Action action,
                                               std::string key = "");
    void insertItem_atIndex(const std::shared_ptr<MenuItem>& item, size_t index);
    void removeItem(const std::shared_ptr<MenuItem>& item);
    void removeItemAtIndex(size_t index);
    void removeAllItems();
    // -1 when the item is not in the menu, as the platform answers.
    long indexOfItem(const MenuItem* item) const;
    long indexOfItemWithTag(int tag) const;
    long indexOfItemWithTitle(const std::string& title) const;
    std::shared_ptr<MenuItem> itemAtIndex(size_t index) const;
    std::shared_ptr<MenuItem> itemWithTag(int tag) const;
    std::shared_ptr<MenuItem> itemWithTitle(const std::string& title) const;
    std::shared_ptr<Menu> supermenu() const { return supermenu_.lock(); }
    bool autoenablesItems() const { return autoenables_; }
    void setAutoenablesItems(bool flag) { autoenables_ = flag; }
    double minimumWidth() const { return minimumWidth_; }
    void setMinimumWidth(double w) { minimumWidth_ = w; }

    // Runs the item whose key equivalent matches, searching submenus; answers whether one ran.
    bool performKeyEquivalent(const Event& e);
    // Chooses the item at index (as a click on it would).
    bool performActionForItemAtIndex(size_t index);

    // One recorded pop-up.
    struct PopUp {
        std::shared_ptr<Menu> menu;
        Point location;  // the event's location in window space, or the point asked for in the view
        std::weak_ptr<View> view;
        std::shared_ptr<MenuItem> positioningItem;
    };
    static void popUpContextMenu_withEvent_forView(const std::shared_ptr<Menu>& menu, const Event& event,
                                                   const std::shared_ptr<View>& view);
    bool popUpMenuPositioningItem_atLocation_inView(const std::shared_ptr<MenuItem>& item, Point location,
                                                    const std::shared_ptr<View>& view);
    static const std::vector<PopUp>& poppedUpMenus();
    static void resetForTesting();

private:
    friend class MenuItem;
    std::string title_;
    std::vector<std::shared_ptr<MenuItem>> items_;
    std::weak_ptr<Menu> supermenu_;
    bool autoenables_ = true;
    double minimumWidth_ = 0;
};

}  // namespace platform::ui
