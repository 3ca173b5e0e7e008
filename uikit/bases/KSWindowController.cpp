#include "uikit/bases/KSWindowController.h"

#include "app/shell/PerformBlockAfterDelay.h"
#include "platform/ui/Application.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Screen.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/ViewAdditions.h"

namespace kestrune {

namespace {
constexpr double kCloseButtonSide = 24;
constexpr double kCloseButtonInset = 10;
constexpr double kSecondBringToFrontDelay = 0.5;
}  // namespace

void KSWindowController::init() {
    if (auto name = existingUserDefinedOrFallbackNibName()) initWithWindowNibName(*name);
    initialize();
}

std::optional<std::string> KSWindowController::existingUserDefinedOrFallbackNibName() const {
    if (auto named = nibName(); named && ui::NibRegistry::has(*named)) return named;
    const std::string ownClass = className();
    if (ui::NibRegistry::has(ownClass)) return ownClass;
    return std::nullopt;
}

void KSWindowController::windowDidLoad() {
    WindowController::windowDidLoad();
    if (auto w = window()) w->setBackgroundColor(ui::Color::clearColor());
    centerFrame();
}

double KSWindowController::defaultPositioningRatioForScreenHeight(double height) {
    if (height < 600) return 2.0;
    if (height < 1000) return 1.9;
    return 1.8;
}

void KSWindowController::centerFrame() {
    auto w = window();
    if (!w) return;
    auto screen = ui::Screen::mainScreen();
    const ui::Rect s = screen ? screen->frame() : ui::Rect{};
    const ui::Rect frame = w->frame();
    const double ratio = defaultPositioningRatioForScreenHeight(s.height());
    const ui::Point origin{s.minX() + s.width() * 0.5 - frame.width() * 0.5,
                           s.minY() + s.height() / ratio - frame.height() * 0.5};
    w->setFrame_display({origin, frame.size}, true);
}

void KSWindowController::showWindow(ui::Responder*) {
    showWindowInFront();
    // The second bring-to-front keeps the controller alive until it has run.
    auto self = sharedAs<KSWindowController>();
    performAfterDelay_block(self, kSecondBringToFrontDelay, [self] { self->showWindowInFront(); });
}

void KSWindowController::showWindowInFront() {
    createCloseButton();
    ui::Application::shared().activateIgnoringOtherApps(true);
    WindowController::showWindow(nullptr);
    if (auto w = window()) {
        w->makeKeyAndOrderFront(nullptr);
        w->orderFront(nullptr);
    }
    windowIsShown_ = true;
}

std::shared_ptr<ui::View> KSWindowController::mainView() {
    if (!contentView_) {
        if (auto w = window()) contentView_ = w->contentView();
    }
    return contentView_;
}

void KSWindowController::createCloseButton() {
    if (closeButton_) return;
    auto main = mainView();
    if (!main) return;
    const ui::Rect b = main->bounds();
    const double inset = kCloseButtonInset + kCloseButtonSide;
    auto button =
        MyButton::create({b.width() - inset, b.height() - inset, kCloseButtonSide, kCloseButtonSide});
    button->setImage(ui::Image::imageNamed("wizzard_close_button"));
    setToDefaultProperties(*button);
    button->initalize();
    button->setDefaultValue();
    button->setImagePosition(ui::ImagePosition::ImageOnly);
    button->setAutoresizingMask(ui::kViewMinXMargin | ui::kViewMinYMargin);
    button->setTarget(weakAs<ui::UIObject>());
    button->setAction([](const std::shared_ptr<ui::UIObject>& target, ui::Control&) {
        if (auto controller = std::dynamic_pointer_cast<KSWindowController>(target))
            controller->closeButtonPressed();
    });
    main->addSubview(button);
    closeButton_ = button;
}

void KSWindowController::showCloseButton(bool show) {
    if (closeButton_) closeButton_->setHidden(!show);
    bringCloseButtonToFront();
}

void KSWindowController::bringCloseButtonToFront() {
    auto main = mainView();
    if (!closeButton_ || !main) return;
    auto keep = closeButton_;
    keep->removeFromSuperview();
    main->addSubview(keep);
}

void KSWindowController::closeButtonPressed() {
    closeWindow();
}

void KSWindowController::closeWindow() {
    WindowController::close();
}

void KSWindowController::setBackgroundImage(const std::shared_ptr<ui::Image>& image) {
    if (auto w = window()) w->setBackgroundColor(ui::Color::clearColor());
    if (auto main = mainView()) kestrune::setBackgroundImage(*main, image);
}

void KSWindowController::windowWillClose(ui::Window&) {
    if (auto delegate = windowDelegate_.lock()) delegate->windowControllerWillClose(*this);
}

}  // namespace kestrune
