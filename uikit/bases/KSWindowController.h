#pragma once

#include <memory>
#include <optional>
#include <string>

#include "engine/coordinator/KSWindowControllerDelegate.h"
#include "platform/ui/Image.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "platform/ui/WindowController.h"
#include "uikit/buttons/MyButton.h"

namespace kestrune {

namespace ui = platform::ui;

// The base of every window of the application's own: its layout, a transparent background, its place
// on the main screen, a close button in the top-right corner, and the report to its delegate that the
// window will close. The controller is its window's delegate.
class KSWindowController : public ui::WindowController, public ui::WindowDelegate {
public:
    template <typename T = KSWindowController>
    static std::shared_ptr<T> create() {
        auto controller = std::make_shared<T>();
        controller->init();
        return controller;
    }

    // With a layout by either name, the window comes from it on first use; then `initialize`.
    virtual void init();
    // The layout's name: `nibName` when such a layout exists, else the class name when that does.
    std::optional<std::string> existingUserDefinedOrFallbackNibName() const;
    virtual std::optional<std::string> nibName() const { return std::nullopt; }
    void showCloseButton(bool show);
    // Refreshes the window when it is shown again; nothing here.
    virtual void updateWindowView() {}
    void bringCloseButtonToFront();
    // The window's content view, kept from the first call.
    std::shared_ptr<ui::View> mainView();
    void createCloseButton();
    virtual bool performCustomActionOnBackButtonToggled() { return false; }
    virtual std::string titleDescriptionText() const { return ""; }
    void closeButtonPressed();
    void closeWindow();
    // A hook for subclasses; nothing here.
    virtual void initialize() {}
    void windowDidLoad() override;
    // Brings the window to the front now and again half a second later.
    void showWindow(ui::Responder* sender = nullptr) override;
    void showWindowInFront();
    void centerFrame();
    // 2.0 below 600 points, 1.9 below 1000, else 1.8: the window's middle sits at 1/ratio of the height.
    static double defaultPositioningRatioForScreenHeight(double height);
    virtual void setBackgroundImage(const std::shared_ptr<ui::Image>& image);
    void windowWillClose(ui::Window& window) override;

    bool windowIsShown() const { return windowIsShown_; }
    void setWindowIsShown(bool flag) { windowIsShown_ = flag; }
    std::shared_ptr<KSWindowControllerDelegate> windowDelegate() const { return windowDelegate_.lock(); }
    void setWindowDelegate(std::weak_ptr<KSWindowControllerDelegate> delegate) {
        windowDelegate_ = std::move(delegate);
    }
    const std::shared_ptr<MyButton>& closeButton() const { return closeButton_; }
    const std::shared_ptr<ui::View>& contentView() const { return contentView_; }
    void setContentView(std::shared_ptr<ui::View> view) { contentView_ = std::move(view); }
    // The page that shows this window's contents where pages go, while anything holds it.
    std::shared_ptr<ui::ViewController> detailPage() const { return detailPage_.lock(); }
    void setDetailPage(std::weak_ptr<ui::ViewController> page) { detailPage_ = std::move(page); }

private:
    bool windowIsShown_ = false;
    std::weak_ptr<KSWindowControllerDelegate> windowDelegate_;
    std::shared_ptr<MyButton> closeButton_;
    std::shared_ptr<ui::View> contentView_;
    std::weak_ptr<ui::ViewController> detailPage_;
};

}  // namespace kestrune
