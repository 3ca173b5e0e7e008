#include "menubar/lists/ListViewModelFactory.h"

#include "app/support/Localizable.h"
#include "app/support/StringAddition.h"
#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/ConnectedDevicesCell.h"
#include "menubar/cells/CustomCheckBoxCell.h"
#include "menubar/cells/DescriptionCellCentered.h"
#include "menubar/cells/DoubleButtonCell.h"
#include "menubar/cells/EmptyCell.h"
#include "menubar/cells/GifImageCell.h"
#include "menubar/cells/IconTitleDescriptionCell.h"
#include "menubar/cells/IconTitleDescriptionCell2.h"
#include "menubar/cells/LoadingCell.h"
#include "menubar/cells/ReadMoreButtonCell.h"
#include "menubar/cells/SeparatorCell.h"
#include "menubar/cells/SimpleButtonCell.h"
#include "menubar/cells/SimpleButtonCell3.h"
#include "menubar/cells/SimpleCheckBoxCell.h"
#include "menubar/cells/SimpleImageCell.h"
#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/SliderCell.h"
#include "menubar/cells/TItleCellRoundedValue.h"
#include "menubar/cells/TitleCell.h"
#include "menubar/cells/TitleCellCentered.h"
#include "menubar/cells/TitleDescriptionCell.h"
#include "menubar/cells/TitleDescriptionCellCentered.h"

namespace kestrune {

namespace {

using VM = ListViewModelFactory::VM;

// A check box's content moves in by this much per indentation level.
constexpr int64_t kIndentationStep = 40;

template <typename Model = ListCellViewModel>
std::shared_ptr<Model> rowOf(const KestruneListViewCellProtocol& cellClass) {
    auto vm = Model::init();
    vm->setViewClass(&cellClass);
    return vm;
}

}  // namespace

std::shared_ptr<SliderCellVM> ListViewModelFactory::sliderWithMax_min_value_textValue_description_action(
    int32_t max, int32_t min, int32_t value, std::function<std::string(int32_t)> textValue,
    const Text& description, std::function<void(int32_t)> action) {
    auto vm = rowOf<SliderCellVM>(SliderCell::cellClass());
    vm->setMaxValue(max);
    vm->setMinValue(min);
    vm->setCurrentValue(value);
    vm->setTextValueFunc(std::move(textValue));
    vm->setDidUpdate(std::move(action));
    vm->setAdditionalText(description);
    return vm;
}

VM ListViewModelFactory::iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
    const Text& icon, const Text& title, const Text& description, const Text& buttonTitle, Block action) {
    auto vm = rowOf(IconTitleDescriptionCell::cellClass());
    vm->setIconName(icon);
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setAdditionalText(buttonTitle);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::iconTitleDescriptionCellWithIcon_title_description_buttonVM(
    const Text& icon, const Text& title, const Text& description, std::shared_ptr<ButtonViewModel> button) {
    auto vm = rowOf(IconTitleDescriptionCell::cellClass());
    vm->setIconName(icon);
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setPrimaryButtonVM(std::move(button));
    return vm;
}

VM ListViewModelFactory::largeIconTitleDescriptionCell_title_description(const Text& icon, const Text& title,
                                                                         const Text& description) {
    return largeIconTitleDescriptionCell_title_description_action(icon, title, description, nullptr);
}

VM ListViewModelFactory::largeIconTitleDescriptionCell_title_description_action(const Text& icon,
                                                                                const Text& title,
                                                                                const Text& description,
                                                                                Block action) {
    auto vm = rowOf(IconTitleDescriptionCell2::cellClass());
    vm->setIconName(icon);
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::iconTitleDescriptionCellWithIcon_title_description_action(const Text& icon,
                                                                                   const Text& title,
                                                                                   const Text& description,
                                                                                   Block action) {
    return iconTitleDescriptionCellWithIcon_title_description_buttonTitle_action(
        icon, title, description, std::nullopt, std::move(action));
}

VM ListViewModelFactory::titleDescriptionCellWithTitle_description_action(const Text& title,
                                                                          const Text& description,
                                                                          Block action) {
    return titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
        title, description, std::move(action), std::nullopt, nullptr);
}

VM ListViewModelFactory::titleDescriptionCellWithTitle_description_action_buttonTitle_buttonAction(
    const Text& title, const Text& description, Block action, const Text& buttonTitle, Block buttonAction) {
    auto vm = rowOf(TitleDescriptionCell::cellClass());
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setSecondaryActionHandler(std::move(buttonAction));
    vm->setAdditionalText(buttonTitle);
    return vm;
}

VM ListViewModelFactory::titleValueCell_value_action_buttonTitle_buttonAction(const Text& title,
                                                                              const Text& value, Block action,
                                                                              const Text& buttonTitle,
                                                                              Block buttonAction) {
    auto vm = rowOf(TItleCellRoundedValue::cellClass());
    vm->setTitle(title);
    vm->setValueText(value);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setSecondaryActionHandler(std::move(buttonAction));
    vm->setAdditionalText(buttonTitle);
    return vm;
}

VM ListViewModelFactory::titleCell_action_buttonTitle_buttonAction(const Text& title, Block action,
                                                                   const Text& buttonTitle,
                                                                   Block buttonAction) {
    auto vm = rowOf(TitleCell::cellClass());
    vm->setTitle(title);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setSecondaryActionHandler(std::move(buttonAction));
    vm->setAdditionalText(buttonTitle);
    return vm;
}

VM ListViewModelFactory::titleDescriptionCellCenteredWithTitle_description_action(const Text& title,
                                                                                  const Text& description,
                                                                                  Block action) {
    auto vm = rowOf(TitleDescriptionCellCentered::cellClass());
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::titleCellCenteredWithTitle_action(const Text& title, Block action) {
    auto vm = rowOf(TitleCellCentered::cellClass());
    vm->setTitle(title);
    vm->setCustomRowHeight(50);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::descriptionCellCenteredWithText_action(const Text& text, Block action) {
    auto vm = rowOf(DescriptionCellCentered::cellClass());
    vm->setTitle(text);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::buttonCellWithTitle_button_action(const Text& title, const Text& button,
                                                           Block action) {
    auto vm = rowOf(SimpleButtonCell3::cellClass());
    vm->setTitle(title);
    vm->setPrimaryActionText(button);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::doubleButtonCellWithButton1_action1_button2_action2(const Text& button1,
                                                                             Block action1,
                                                                             const Text& button2,
                                                                             Block action2) {
    auto vm = rowOf(DoubleButtonCell::cellClass());
    vm->setTitle(button1);
    vm->setDescriptionText(button2);
    vm->setPrimaryActionHandler(std::move(action1));
    vm->setSecondaryActionHandler(std::move(action2));
    return vm;
}

VM ListViewModelFactory::readMoreButtonCellWithTitle_action(const Text& title, Block action) {
    auto vm = rowOf(ReadMoreButtonCell::cellClass());
    vm->setTitle(title);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

std::shared_ptr<ConnectedDevicesVM>
ListViewModelFactory::devicesCellWithMacImage_macName_mobileImage_mobileName_connected_distance(
    const Text& macImage, const Text& macName, const Text& mobileImage, const Text& mobileName,
    bool connected, const Text& distance) {
    auto vm = rowOf<ConnectedDevicesVM>(ConnectedDevicesCell::cellClass());
    vm->setIconName(macImage);
    vm->setSecondaryIconName(mobileImage);
    vm->setMacName(macName);
    vm->setIPhoneName(mobileName);
    vm->setIsOn(connected);
    vm->setTitle(distance);
    return vm;
}

VM ListViewModelFactory::customCheckBoxWithIcon_title_description_isOn_indentation_action(
    const Text& icon, const Text& title, const Text& description, bool isOn, int64_t indentation,
    Block action) {
    return checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction_closeAction(
        icon, title, description, isOn, indentation, std::move(action), std::nullopt, nullptr, nullptr);
}

VM ListViewModelFactory::
    checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction_closeAction(
        const Text& icon, const Text& title, const Text& description, bool isOn, int64_t indentation,
        Block action, const Text& readMoreButton, Block readMoreAction, Block closeAction) {
    auto vm = rowOf(CustomCheckBoxCell::cellClass());
    vm->setIconName(icon);
    vm->setTitle(title);
    vm->setLeftMargin(indentation * kIndentationStep);
    vm->setDescriptionText(isEmptyString(description) ? localizable(isOn ? "enabled" : "disabled")
                                                      : description);
    vm->setIsOn(isOn);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setAdditionalText(readMoreButton);
    vm->setSecondaryActionHandler(std::move(readMoreAction));
    vm->setTertiaryActionHandler(std::move(closeAction));
    return vm;
}

VM ListViewModelFactory::customCheckBoxWithIcon_title_description_isOn_action(const Text& icon,
                                                                              const Text& title,
                                                                              const Text& description,
                                                                              bool isOn, Block action) {
    return customCheckBoxWithIcon_title_description_isOn_indentation_action(icon, title, description, isOn, 0,
                                                                            std::move(action));
}

VM ListViewModelFactory::
    checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction(
        const Text& icon, const Text& title, const Text& description, bool isOn, int64_t indentation,
        Block action, const Text& readMoreButton, Block readMoreAction) {
    return checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction_closeAction(
        icon, title, description, isOn, indentation, std::move(action), readMoreButton,
        std::move(readMoreAction), nullptr);
}

VM ListViewModelFactory::checkBoxWithIcon_title_description_isOn_action_readMoreButton_readMoreAction(
    const Text& icon, const Text& title, const Text& description, bool isOn, Block action,
    const Text& readMoreButton, Block readMoreAction) {
    return checkBoxWithIcon_title_description_isOn_indentation_action_readMoreButton_readMoreAction(
        icon, title, description, isOn, 0, std::move(action), readMoreButton, std::move(readMoreAction));
}

VM ListViewModelFactory::simpleCheckBoxWithIcon_title_isOn_action(const Text& icon, const Text& title,
                                                                  bool isOn, Block action) {
    return simpleCheckBoxWithIcon_title_isOn_indentation_action(icon, title, isOn, 0, std::move(action));
}

VM ListViewModelFactory::simpleCheckBoxWithIcon_title_isOn_indentation_action(const Text& icon,
                                                                              const Text& title, bool isOn,
                                                                              int64_t indentation,
                                                                              Block action) {
    return simpleCheckBoxWithIcon_title_isOn_indentation_action_readMoreText_readMoreAction(
        icon, title, isOn, indentation, std::move(action), std::nullopt, nullptr);
}

VM ListViewModelFactory::simpleCheckBoxWithIcon_title_isOn_indentation_action_readMoreText_readMoreAction(
    const Text& icon, const Text& title, bool isOn, int64_t indentation, Block action,
    const Text& readMoreText, Block readMoreAction) {
    auto vm = rowOf(SimpleCheckBoxCell::cellClass());
    vm->setIconName(icon);
    vm->setTitle(title);
    vm->setIsOn(isOn);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setAdditionalText(readMoreText);
    vm->setSecondaryActionHandler(std::move(readMoreAction));
    vm->setLeftMargin(indentation * kIndentationStep);
    return vm;
}

VM ListViewModelFactory::buttonCellWithTitle_action(const Text& title, Block action) {
    return buttonCellWithTitle_color_action(title, std::nullopt, std::move(action));
}

VM ListViewModelFactory::buttonCell_action(std::shared_ptr<ButtonViewModel> button, Block action) {
    return buttonCellWithVM_action(std::move(button), std::move(action));
}

VM ListViewModelFactory::buttonCellWithVM_action(std::shared_ptr<ButtonViewModel> button, Block action) {
    auto vm = rowOf(SimpleButtonCell::cellClass());
    vm->setPrimaryButtonVM(std::move(button));
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::buttonCellWithTitle_color_action(const Text& title, std::optional<ui::Color> color,
                                                          Block action) {
    auto vm = rowOf(SimpleButtonCell::cellClass());
    vm->setTitle(title);
    vm->setCustomColor(std::move(color));
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::loadingCellWithTitle_description_action(const Text& title, const Text& description,
                                                                 Block action) {
    auto vm = rowOf(LoadingCell::cellClass());
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

std::shared_ptr<CollapseCellVM>
ListViewModelFactory::collapsableCellWithTitle_description_collapsed_actionTitle_action_collapseAction(
    const Text& title, const Text& description, bool collapsed, const Text& actionTitle, Block action,
    Block collapseAction) {
    return collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
        title, 2, description, collapsed, actionTitle, std::move(action), std::move(collapseAction));
}

std::shared_ptr<CollapseCellVM>
ListViewModelFactory::collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction(
    const Text& title, int32_t type, const Text& description, bool collapsed, const Text& actionTitle,
    Block action, Block collapseAction) {
    return collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction_closeAction(
        title, type, description, collapsed, actionTitle, std::move(action), std::move(collapseAction),
        nullptr);
}

std::shared_ptr<CollapseCellVM> ListViewModelFactory::
    collapsableCellWithTitle_type_description_collapsed_actionTitle_action_collapseAction_closeAction(
        const Text& title, int32_t type, const Text& description, bool collapsed, const Text& actionTitle,
        Block action, Block collapseAction, Block closeAction) {
    auto vm = rowOf<CollapseCellVM>(CollapseCell::cellClass());
    vm->setCollapseCell(type);
    vm->setTitle(title);
    vm->setDescriptionText(description);
    vm->setAdditionalText(actionTitle);
    vm->setPrimaryActionHandler(std::move(action));
    vm->setSecondaryActionHandler(std::move(collapseAction));
    vm->setIsCollapsed(collapsed);
    vm->setTertiaryActionHandler(std::move(closeAction));
    return vm;
}

VM ListViewModelFactory::simpleImageCellWithImage_action(const Text& image, Block action) {
    auto vm = rowOf(SimpleListCell::cellClass());
    vm->setIconName(image);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::imageCellWithImage_height_action(const Text& image, double height, Block action) {
    auto vm = rowOf(SimpleImageCell::cellClass());
    vm->setIconName(image);
    vm->setCustomRowHeight(height);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::emptyCellWithAction(Block action) {
    auto vm = rowOf(EmptyCell::cellClass());
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::emptyCellWithHeight_action(double height, Block action) {
    auto vm = emptyCellWithAction(std::move(action));
    vm->setCustomRowHeight(height);
    return vm;
}

VM ListViewModelFactory::separatorCell() {
    return separatorCellWithTitle(std::string());
}

VM ListViewModelFactory::separatorCellWithTitle(const Text& title) {
    auto vm = rowOf(SeparatorCell::cellClass());
    vm->setTitle(title);
    return vm;
}

VM ListViewModelFactory::regularCellWithIcon_title_action(const Text& icon, const Text& title, Block action) {
    auto vm = rowOf(SimpleListCell::cellClass());
    vm->setTitle(title);
    vm->setIconName(icon);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

VM ListViewModelFactory::gifImageCellWithImage_action(const Text& image, Block action) {
    auto vm = rowOf(GifImageCell::cellClass());
    vm->setIconName(image);
    vm->setPrimaryActionHandler(std::move(action));
    return vm;
}

}  // namespace kestrune
