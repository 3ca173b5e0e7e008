#pragma once

#include <memory>
#include <optional>

#include "platform/ui/SplitView.h"
#include "platform/ui/Window.h"
#include "uikit/splitwindow/WAYSourceListSplitView.h"
#include "uikit/views/MovableWindow.h"

namespace kestrune {

// A window split into a source list on a translucent background (the master pane, left) and a detail
// pane, with a hidden title over full-size content. It builds its own split view; whatever a layout puts
// into its content view is not shown (a warning says so).
class WAYSourceListWindow : public MovableWindow, public ui::WindowDelegate, public ui::SplitViewDelegate {
public:
    static std::shared_ptr<WAYSourceListWindow> create(ui::Rect contentRect,
                                                       unsigned style = ui::kWindowStyleTitled |
                                                                        ui::kWindowStyleClosable |
                                                                        ui::kWindowStyleResizable);
    // The platform's initialiser, then the window's set-up; the screen-specific initialiser the window
    // inherits runs this one too, on the screen it is given.
    void initWithContentRect_styleMask_backing_defer(ui::Rect contentRect, unsigned style, int backing,
                                                     bool defer) override;

    const std::shared_ptr<ui::View>& masterView() const { return masterView_; }
    void setMasterView(const std::shared_ptr<ui::View>& view);
    const std::shared_ptr<ui::View>& detailView() const { return detailView_; }
    void setDetailView(const std::shared_ptr<ui::View>& view);
    void setMasterViewWidth(double width);
    double initialMasterViewWidth() const { return initialMasterViewWidth_; }
    void setInitialMasterViewWidth(double width);
    double minimumMasterViewWidth() const { return minimumMasterViewWidth_; }
    void setMinimumMasterViewWidth(double width) { minimumMasterViewWidth_ = width; }
    double maximumMasterViewWidth() const { return maximumMasterViewWidth_; }
    void setMaximumMasterViewWidth(double width) { maximumMasterViewWidth_ = width; }
    bool darkMasterViewMaterial() const { return darkMasterViewMaterial_; }
    void setDarkMasterViewMaterial(bool dark);
    const ui::Color& detailViewBackgroundColor() const { return detailViewBackgroundColor_; }
    // The detail pane's background; the divider takes the colour at 0.7 of its brightness.
    void setDetailViewBackgroundColor(const ui::Color& color);

    // The window's real content view is its own; a view with subviews given here is refused with a
    // warning.
    void setContentView(const std::shared_ptr<ui::View>& view) override;
    // Lays the panes out after the divider moved.
    void setNeedsLayout();

    const std::shared_ptr<WAYSourceListSplitView>& splitView() const { return splitView_; }
    const std::shared_ptr<ui::VisualEffectView>& masterViewWrapper() const { return masterViewWrapper_; }
    const std::shared_ptr<ui::View>& detailViewWrapper() const { return detailViewWrapper_; }
    const std::shared_ptr<ui::View>& customContentView() const { return customContentView_; }

    // The split view asks these.
    bool implements(ui::SplitViewDelegate::Op op) const override;
    double splitView_constrainMinCoordinate_ofSubviewAt(ui::SplitView&, double proposed, size_t) override;
    double splitView_constrainMaxCoordinate_ofSubviewAt(ui::SplitView&, double proposed, size_t) override;
    bool splitView_shouldAdjustSizeOfSubview(ui::SplitView&, ui::View* view) override;

    void awakeFromNib() override {}
    void windowWillClose(ui::Window&) override {}

private:
    void setUp();
    void installInPane(const std::shared_ptr<ui::View>& view, ui::View& wrapper,
                       std::shared_ptr<ui::View>& slot);

    std::shared_ptr<WAYSourceListSplitView> splitView_;
    std::shared_ptr<ui::VisualEffectView> masterViewWrapper_;
    std::shared_ptr<ui::View> detailViewWrapper_;
    std::shared_ptr<ui::View> masterView_;
    std::shared_ptr<ui::View> detailView_;
    ui::Color detailViewBackgroundColor_ = ui::Color::whiteColor();
    bool darkMasterViewMaterial_ = false;
    double minimumMasterViewWidth_ = 150.0;
    double maximumMasterViewWidth_ = 300.0;
    double initialMasterViewWidth_ = 0;
    std::shared_ptr<ui::View> customContentView_;
};

}  // namespace kestrune
