#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Button.h"
#include "uikit/buttons/ButtonViewModel.h"

namespace kestrune {

namespace ui = platform::ui;

// The application's flat push button: rounded, coloured, its title always in upper case and its width
// following the title (never below `initialWidth`), growing or shrinking about its centre 0.01 s after
// each title change. Set up when loaded from a layout and again at its first drawing, unless a view
// model was given first.
class KSButton3 : public ui::Button {
public:
    static std::shared_ptr<KSButton3> create(ui::Rect frame = {}) { return ui::make<KSButton3>(frame); }

    void awakeFromNib() override;
    virtual void setDefaultProperties();
    void setDefaultValues();
    virtual void updateView();
    void updateTextColor();
    void setTitle(std::string title) override;
    void setStringValue(const std::string& value) override;
    virtual void setViewModel(const std::shared_ptr<ButtonViewModel>& model);
    void drawRect(ui::Rect dirty) override;
    void updateSizeDependingOnText();
    void executeSizeUpdate();
    void layout() override;
    virtual ui::Rect getFrameForSizeUpdate();
    double getTitleLabelWidth() const;

    double initialWidth() const { return initialWidth_; }
    void setInitialWidth(double width) { initialWidth_ = width; }
    double edgeInsets() const { return edgeInsets_; }
    void setEdgeInsets(double insets) { edgeInsets_ = insets; }
    double customCornerRadius() const { return customCornerRadius_; }
    void setCustomCornerRadius(double radius) { customCornerRadius_ = radius; }
    bool alwaysUseNibWidth() const { return alwaysUseNibWidth_; }
    void setAlwaysUseNibWidth(bool flag) { alwaysUseNibWidth_ = flag; }
    const std::optional<ui::Color>& customTextColor() const { return customTextColor_; }
    void setCustomTextColor(std::optional<ui::Color> color) { customTextColor_ = std::move(color); }
    const std::optional<ui::Color>& customBackgroundColor() const { return customBackgroundColor_; }
    void setCustomBackgroundColor(std::optional<ui::Color> color) {
        customBackgroundColor_ = std::move(color);
    }
    const std::shared_ptr<ButtonViewModel>& viewModel() const { return viewModel_; }
    bool didSetupView() const { return didSetupView_; }
    void setDidSetupView(bool flag) { didSetupView_ = flag; }
    double nibWidth() const { return nibWidth_; }
    void setNibWidth(double width) { nibWidth_ = width; }
    ui::Point nibCenter() const { return nibCenter_; }
    void setNibCenter(ui::Point center) { nibCenter_ = center; }

private:
    double initialWidth_ = 0;
    double edgeInsets_ = 0;
    double customCornerRadius_ = 0;
    bool alwaysUseNibWidth_ = false;
    std::optional<ui::Color> customTextColor_;
    std::optional<ui::Color> customBackgroundColor_;
    std::shared_ptr<ButtonViewModel> viewModel_;
    bool didSetupView_ = false;
    double nibWidth_ = 0;
    ui::Point nibCenter_;
    // A size update that waits for the window's first layout pass on screen.
    bool sizeUpdatePending_ = false;
};

}  // namespace kestrune
