#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/shell/ThreadHelpers.h"
#include "platform/base/Object.h"
#include "platform/ui/Color.h"
#include "uikit/buttons/ButtonViewModel.h"

namespace kestrune {

namespace ui = platform::ui;

struct KestruneListViewCellProtocol;

// One row of a list: the cell class that draws it, its texts, icons, flags and actions. A page builds
// these and the list binding turns each into a row. The chained setters store the value and re-render
// the cell that shows the view model at once; the plain setters only store it.
class ListCellViewModel : public platform::Object {
public:
    using UpdateHandler = std::function<void(const std::shared_ptr<ListCellViewModel>&)>;

    static std::shared_ptr<ListCellViewModel> init() { return std::make_shared<ListCellViewModel>(); }
    ~ListCellViewModel() override = default;
    std::string className() const override { return "ListCellViewModel"; }

    // Chained setters.
    ListCellViewModel& title(std::optional<std::string> text);
    ListCellViewModel& valueText(std::optional<std::string> text);
    ListCellViewModel& leftMargin(int64_t margin);
    ListCellViewModel& descriptionText(std::optional<std::string> text);
    ListCellViewModel& iconName(std::optional<std::string> name);
    ListCellViewModel& secondaryIconName(std::optional<std::string> name);
    ListCellViewModel& primaryActionHandler(Block action);
    ListCellViewModel& secondaryActionHandler(Block action);
    // Runs the update handler with this view model; nothing without one.
    void updateViewForViewModelUpdate();

    // Fields.
    const std::optional<std::string>& identifier() const { return identifier_; }
    void setIdentifier(std::optional<std::string> v) { identifier_ = std::move(v); }
    // The cell class; none means the simple cell.
    const KestruneListViewCellProtocol* viewClass() const { return viewClass_; }
    void setViewClass(const KestruneListViewCellProtocol* cellClass) { viewClass_ = cellClass; }
    const std::optional<std::string>& rowId() const { return rowId_; }
    void setRowId(std::optional<std::string> v) { rowId_ = std::move(v); }
    const std::optional<std::string>& title() const { return title_; }
    void setTitle(std::optional<std::string> v) { title_ = std::move(v); }
    const std::optional<std::string>& descriptionText() const { return descriptionText_; }
    void setDescriptionText(std::optional<std::string> v) { descriptionText_ = std::move(v); }
    const std::optional<std::string>& iconName() const { return iconName_; }
    void setIconName(std::optional<std::string> v) { iconName_ = std::move(v); }
    const std::optional<std::string>& secondaryIconName() const { return secondaryIconName_; }
    void setSecondaryIconName(std::optional<std::string> v) { secondaryIconName_ = std::move(v); }
    const std::optional<ui::Color>& customColor() const { return customColor_; }
    void setCustomColor(std::optional<ui::Color> v) { customColor_ = std::move(v); }
    const std::shared_ptr<ButtonViewModel>& primaryButtonVM() const { return primaryButtonVM_; }
    void setPrimaryButtonVM(std::shared_ptr<ButtonViewModel> v) { primaryButtonVM_ = std::move(v); }
    const std::optional<std::string>& primaryActionText() const { return primaryActionText_; }
    void setPrimaryActionText(std::optional<std::string> v) { primaryActionText_ = std::move(v); }
    const Block& primaryActionHandler() const { return primaryActionHandler_; }
    void setPrimaryActionHandler(Block v) { primaryActionHandler_ = std::move(v); }
    const std::optional<std::string>& secondaryActionText() const { return secondaryActionText_; }
    void setSecondaryActionText(std::optional<std::string> v) { secondaryActionText_ = std::move(v); }
    const Block& secondaryActionHandler() const { return secondaryActionHandler_; }
    void setSecondaryActionHandler(Block v) { secondaryActionHandler_ = std::move(v); }
    const std::optional<std::string>& tertiaryActionText() const { return tertiaryActionText_; }
    void setTertiaryActionText(std::optional<std::string> v) { tertiaryActionText_ = std::move(v); }
    const Block& tertiaryActionHandler() const { return tertiaryActionHandler_; }
    void setTertiaryActionHandler(Block v) { tertiaryActionHandler_ = std::move(v); }
    // Points; 0 means the height the cell class gives.
    double customRowHeight() const { return customRowHeight_; }
    void setCustomRowHeight(double v) { customRowHeight_ = v; }
    bool isCollapsed() const { return isCollapsed_; }
    void setIsCollapsed(bool v) { isCollapsed_ = v; }
    bool isOn() const { return isOn_; }
    void setIsOn(bool v) { isOn_ = v; }
    bool isDisabled() const { return isDisabled_; }
    void setIsDisabled(bool v) { isDisabled_ = v; }
    const std::optional<std::string>& additionalText() const { return additionalText_; }
    void setAdditionalText(std::optional<std::string> v) { additionalText_ = std::move(v); }
    const std::optional<std::string>& valueText() const { return valueText_; }
    void setValueText(std::optional<std::string> v) { valueText_ = std::move(v); }
    int64_t leftMargin() const { return leftMargin_; }
    void setLeftMargin(int64_t v) { leftMargin_ = v; }

    // Installed by the cell that shows the view model, which names itself as the handler's owner so
    // that it removes only a handler that is still its own.
    const UpdateHandler& viewModelUpdateHandler() const { return viewModelUpdateHandler_; }
    void setViewModelUpdateHandler(UpdateHandler handler, const void* owner = nullptr) {
        viewModelUpdateHandler_ = std::move(handler);
        viewModelUpdateHandlerOwner_ = viewModelUpdateHandler_ ? owner : nullptr;
    }
    const void* viewModelUpdateHandlerOwner() const { return viewModelUpdateHandlerOwner_; }

private:
    std::optional<std::string> identifier_;
    const KestruneListViewCellProtocol* viewClass_ = nullptr;
    std::optional<std::string> rowId_;
    std::optional<std::string> title_;
    std::optional<std::string> descriptionText_;
    std::optional<std::string> iconName_;
    std::optional<std::string> secondaryIconName_;
    std::optional<ui::Color> customColor_;
    std::shared_ptr<ButtonViewModel> primaryButtonVM_;
    std::optional<std::string> primaryActionText_;
    Block primaryActionHandler_;
    std::optional<std::string> secondaryActionText_;
    Block secondaryActionHandler_;
    std::optional<std::string> tertiaryActionText_;
    Block tertiaryActionHandler_;
    double customRowHeight_ = 0;
    bool isCollapsed_ = false;
    bool isOn_ = false;
    bool isDisabled_ = false;
    std::optional<std::string> additionalText_;
    std::optional<std::string> valueText_;
    int64_t leftMargin_ = 0;
    UpdateHandler viewModelUpdateHandler_;
    const void* viewModelUpdateHandlerOwner_ = nullptr;
};

}  // namespace kestrune
