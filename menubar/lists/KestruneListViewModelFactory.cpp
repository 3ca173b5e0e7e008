#include "menubar/lists/KestruneListViewModelFactory.h"

#include <string>

#include "app/support/Localizable.h"
#include "menubar/lists/ListViewModelFactory.h"

namespace kestrune {

namespace {

// A closure that runs the given one when there is one: a row built without an action is tapped safely.
Block wrapped(Block action) {
    return [action = std::move(action)] {
        if (action) action();
    };
}

KestruneListViewModelFactory::VM confirmationCell(const std::string& icon, const std::string& titleKey,
                                                  const std::string& descriptionKey, bool isOn,
                                                  int64_t indentation, Block action, Block readMoreAction) {
    return ListViewModelFactory::
        checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction(
            icon, localizable(titleKey), localizable(descriptionKey), isOn, indentation,
            wrapped(std::move(action)), localizable("read_more"), wrapped(std::move(readMoreAction)));
}

}  // namespace

KestruneListViewModelFactory::VM
KestruneListViewModelFactory::doubleKnockCellIsOn_indentation_action_readMoreAction(bool isOn,
                                                                                    int64_t indentation,
                                                                                    Block action,
                                                                                    Block readMoreAction) {
    return confirmationCell("cell_icon_double_knock", "txt_double_knock", "confirm_with_double_knock", isOn,
                            indentation, std::move(action), std::move(readMoreAction));
}

KestruneListViewModelFactory::VM
KestruneListViewModelFactory::touchCellIsOn_indentation_action_readMoreAction(bool isOn, int64_t indentation,
                                                                              Block action,
                                                                              Block readMoreAction) {
    return confirmationCell("cell_icon_touch_id", "touchid_faceid_passcode",
                            "confirm_on_iphone_interactive_notifications", isOn, indentation,
                            std::move(action), std::move(readMoreAction));
}

KestruneListViewModelFactory::VM
KestruneListViewModelFactory::yesNoCellIsOn_indentation_action_readMoreAction(bool isOn, int64_t indentation,
                                                                              Block action,
                                                                              Block readMoreAction) {
    return confirmationCell("cell_icon_yes_no", "mac_sleep_screen_ask_yes_no_short",
                            "confirm_on_iphone_interactive_notifications", isOn, indentation,
                            std::move(action), std::move(readMoreAction));
}

}  // namespace kestrune
