#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ConnectedDevicesVM.h"
#include "menubar/lists/SliderCellVM.h"
#include "uikit/lists/ListCellViewModel.h"

namespace kestrune {

// One operation per kind of settings row: each makes a new view model, names the cell class that draws
// it and puts its arguments into the fields that class reads. The short forms pass the longer ones empty
// arguments (none, 0, NO). A text given as none leaves its field empty; nothing is cached.
class ListViewModelFactory {
public:
    using Text = std::optional<std::string>;
    using VM = std::shared_ptr<ListCellViewModel>;

    static std::shared_ptr<SliderCellVM> sliderWithMax_min_value_textValue_description_action(
        int32_t max, int32_t min, int32_t value, std::function<std::string(int32_t)> textValue,
        const Text& description, std::function<void(int32_t)> action);
    static VM iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
        const Text& icon, const Text& title, const Text& description, const Text& buttonTitle, Block action);
    static VM iconTitleDescriptionCellWithIcon_title_description_buttonVM(
        const Text& icon, const Text& title, const Text& description,
        std::shared_ptr<ButtonViewModel> button);
    static VM largeIconTitleDescriptionCell_title_description(const Text& icon, const Text& title,
                                                              const Text& description);
    static VM largeIconTitleDescriptionCell_title_description_action(const Text& icon, const Text& title,
                                                                     const Text& description, Block action);
    static VM iconTitleDescriptionCellWithIcon_title_description_action(const Text& icon, const Text& title,
                                                                        const Text& description,
                                                                        Block action);
    static VM titleDescriptionCellWithTitle_description_action(const Text& title, const Text& description,
                                                               Block action);
    static VM titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        const Text& title, const Text& description, Block action, const Text& buttonTitle,
        Block buttonAction);
    static VM titleValueCell_value_action_buttonTitle_buttonAction(const Text& title, const Text& value,
                                                                   Block action, const Text& buttonTitle,
                                                                   Block buttonAction);
    static VM titleCell_action_buttonTitle_buttonAction(const Text& title, Block action,
                                                        const Text& buttonTitle, Block buttonAction);
    static VM titleDescriptionCellCenteredWithTitle_description_action(const Text& title,
                                                                       const Text& description, Block action);
    // 50 points high, lower than the centred title's own 90.
    static VM titleCellCenteredWithTitle_action(const Text& title, Block action);
    static VM descriptionCellCenteredWithText_action(const Text& text, Block action);
    static VM buttonCellWithTitle_button_action(const Text& title, const Text& button, Block action);
    // The two titles go into the title and the description; the buttons sit at the right edge.
    static VM doubleButtonCellWithButton1_action1_button2_action2(const Text& button1, Block action1,
                                                                  const Text& button2, Block action2);
    static VM readMoreButtonCellWithTitle_action(const Text& title, Block action);
    static std::shared_ptr<ConnectedDevicesVM>
    devicesCellWithMacImage_macName_mobileImage_mobileName_connected_distance(
        const Text& macImage, const Text& macName, const Text& mobileImage, const Text& mobileName,
        bool connected, const Text& distance);

    // Check boxes. The indentation is a level of 40 points; an empty description reads "enabled" or
    // "disabled" as the box is on or off.
    static VM customCheckBoxWithIcon_title_description_isOn_indentation_action(const Text& icon,
                                                                               const Text& title,
                                                                               const Text& description,
                                                                               bool isOn, int64_t indentation,
                                                                               Block action);
    static VM
    checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction_closeAction(
        const Text& icon, const Text& title, const Text& description, bool isOn, int64_t indentation,
        Block action, const Text& readMoreButton, Block readMoreAction, Block closeAction);
    static VM customCheckBoxWithIcon_title_description_isOn_action(const Text& icon, const Text& title,
                                                                   const Text& description, bool isOn,
                                                                   Block action);
    static VM checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction(
        const Text& icon, const Text& title, const Text& description, bool isOn, int64_t indentation,
        Block action, const Text& readMoreButton, Block readMoreAction);
    static VM checkBoxWithIcon_title_description_isOn_action_readMoreButton_readMoreAction(
        const Text& icon, const Text& title, const Text& description, bool isOn, Block action,
        const Text& readMoreButton, Block readMoreAction);
    static VM simpleCheckBoxWithIcon_title_isOn_action(const Text& icon, const Text& title, bool isOn,
                                                       Block action);
    static VM simpleCheckBoxWithIcon_title_isOn_indentation_action(const Text& icon, const Text& title,
                                                                   bool isOn, int64_t indentation,
                                                                   Block action);
    static VM simpleCheckBoxWithIcon_title_isOn_indentation_action_readMoreText_readMoreAction(
        const Text& icon, const Text& title, bool isOn, int64_t indentation, Block action,
        const Text& readMoreText, Block readMoreAction);

    // Buttons.
    static VM buttonCellWithTitle_action(const Text& title, Block action);
    static VM buttonCell_action(std::shared_ptr<ButtonViewModel> button, Block action);
    static VM buttonCellWithVM_action(std::shared_ptr<ButtonViewModel> button, Block action);
    static VM buttonCellWithTitle_color_action(const Text& title, std::optional<ui::Color> color,
                                               Block action);
    static VM loadingCellWithTitle_description_action(const Text& title, const Text& description,
                                                      Block action);

    // Collapsible notices: type 0 green, 1 warning yellow, 2 red error (the short form's).
    static std::shared_ptr<CollapseCellVM>
    collapsableCellWithTitle_description_collapsed_actionTitle_action_collapseAction(
        const Text& title, const Text& description, bool collapsed, const Text& actionTitle, Block action,
        Block collapseAction);
    static std::shared_ptr<CollapseCellVM>
    collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
        const Text& title, int32_t type, const Text& description, bool collapsed, const Text& actionTitle,
        Block action, Block collapseAction);
    static std::shared_ptr<CollapseCellVM>
    collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction_closeAction(
        const Text& title, int32_t type, const Text& description, bool collapsed, const Text& actionTitle,
        Block action, Block collapseAction, Block closeAction);

    // Pictures, spacers, separators and plain rows.
    static VM simpleImageCellWithImage_action(const Text& image, Block action);
    static VM imageCellWithImage_height_action(const Text& image, double height, Block action);
    static VM emptyCellWithAction(Block action);
    static VM emptyCellWithHeight_action(double height, Block action);
    static VM separatorCell();
    static VM separatorCellWithTitle(const Text& title);
    static VM regularCellWithIcon_title_action(const Text& icon, const Text& title, Block action);
    static VM gifImageCellWithImage_action(const Text& image, Block action);
};

}  // namespace kestrune
