#include "uikit/splitwindow/WAYSourceListWindow.h"

#include <algorithm>

#include "platform/base/Log.h"

namespace kestrune {

namespace {
constexpr unsigned kResizesWithSuperview = ui::kViewWidthSizable | ui::kViewHeightSizable;
}  // namespace

std::shared_ptr<WAYSourceListWindow> WAYSourceListWindow::create(ui::Rect contentRect, unsigned style) {
    auto window = std::make_shared<WAYSourceListWindow>();
    window->initWithContentRect_styleMask_backing_defer(contentRect, style, 2, false);
    return window;
}

void WAYSourceListWindow::initWithContentRect_styleMask_backing_defer(ui::Rect contentRect, unsigned style,
                                                                      int backing, bool defer) {
    MovableWindow::initWithContentRect_styleMask_backing_defer(contentRect, style, backing, defer);
    setUp();
}

void WAYSourceListWindow::setUp() {
    setTitleVisibility(TitleVisibility::Hidden);
    setTitlebarAppearsTransparent(true);
    setStyleMask(styleMask() | ui::kWindowStyleFullSizeContentView);
    const ui::Size size = frame().size;

    splitView_ = WAYSourceListSplitView::create({0, 0, size.width, size.height});
    splitView_->setVertical(true);

    masterViewWrapper_ = ui::VisualEffectView::create({0, 0, 200, size.height});
    setDarkMasterViewMaterial(false);
    masterViewWrapper_->setBlendingMode(ui::VisualEffectView::BlendingMode::BehindWindow);

    detailViewWrapper_ = ui::View::create({0, 0, size.width - 150, size.height});
    detailViewWrapper_->setWantsLayer(true);
    setDetailViewBackgroundColor(ui::Color::whiteColor());

    splitView_->addSubview(masterViewWrapper_);
    splitView_->addSubview(detailViewWrapper_);
    splitView_->setDividerStyle(ui::SplitView::DividerStyle::Thin);
    splitView_->setDelegate(std::static_pointer_cast<ui::SplitViewDelegate>(sharedAs<WAYSourceListWindow>()));
    splitView_->adjustSubviews();
    splitView_->setAutoresizingMask(kResizesWithSuperview);
    if (auto content = contentView()) content->addSubview(splitView_);

    setMinimumMasterViewWidth(150.0);
    setMaximumMasterViewWidth(300.0);
    setDelegate(std::static_pointer_cast<ui::WindowDelegate>(sharedAs<WAYSourceListWindow>()));
}

void WAYSourceListWindow::installInPane(const std::shared_ptr<ui::View>& view, ui::View& wrapper,
                                        std::shared_ptr<ui::View>& slot) {
    if (view) {
        view->removeFromSuperview();
        view->setFrame(wrapper.bounds());
        view->setAutoresizingMask(kResizesWithSuperview);
    }
    if (slot && slot != view) slot->removeFromSuperview();
    slot = view;
    if (view) wrapper.addSubview(view);
}

void WAYSourceListWindow::setMasterView(const std::shared_ptr<ui::View>& view) {
    if (masterViewWrapper_) installInPane(view, *masterViewWrapper_, masterView_);
}

void WAYSourceListWindow::setDetailView(const std::shared_ptr<ui::View>& view) {
    if (detailViewWrapper_) installInPane(view, *detailViewWrapper_, detailView_);
}

void WAYSourceListWindow::setMasterViewWidth(double width) {
    if (splitView_) splitView_->setPosition_ofDividerAtIndex(width, 0);
    setNeedsLayout();
}

void WAYSourceListWindow::setInitialMasterViewWidth(double width) {
    initialMasterViewWidth_ = width;
    setMasterViewWidth(width);
}

void WAYSourceListWindow::setDarkMasterViewMaterial(bool dark) {
    darkMasterViewMaterial_ = dark;
    if (!masterViewWrapper_) return;
    masterViewWrapper_->setMaterial(dark ? ui::VisualEffectView::Material::Dark
                                         : ui::VisualEffectView::Material::Light);
    masterViewWrapper_->setAppearanceName(dark ? "NSAppearanceNameVibrantDark"
                                               : "NSAppearanceNameVibrantLight");
}

void WAYSourceListWindow::setDetailViewBackgroundColor(const ui::Color& color) {
    detailViewBackgroundColor_ = color;
    if (detailViewWrapper_)
        if (auto layer = detailViewWrapper_->layer()) layer->setBackgroundColor(color);
    if (!splitView_) return;
    // Every colour answers RGB components (a grey its white three times, a pattern or a catalogue colour
    // its own stand-in), so any colour gives a divider and none stops the program.
    splitView_->setCustomDividerColor(ui::Color::colorWithCalibratedRed_green_blue_alpha(
        color.redComponent() * 0.7, color.greenComponent() * 0.7, color.blueComponent() * 0.7, 1.0));
}

void WAYSourceListWindow::setContentView(const std::shared_ptr<ui::View>& view) {
    if (view && !view->subviews().empty()) {
        const std::string name = className();
        platform::logf(
            "WARNING: %s does not allow to add subviews to a %s's instance content view in Interface "
            "Builder. "
            "Add the subview(s) to the master or detail view instead directly.",
            name.c_str(), name.c_str());
    }
    if (customContentView_) return;
    customContentView_ = ui::View::create({0, 0, 10, 10});
    MovableWindow::setContentView(customContentView_);
}

void WAYSourceListWindow::setNeedsLayout() {
    if (!splitView_ || splitView_->subviews().size() < 2) return;
    const ui::Rect b = splitView_->bounds();
    const auto& subs = splitView_->subviews();
    const double m = static_cast<float>(subs[0]->bounds().width());
    // The detail pane reaches 2 points past the split view's edge, as it always has.
    subs[1]->setFrame({b.minX() + m + 1, b.minY(), b.width() - m + 1, b.height()});
    subs[0]->setFrame({0, b.minY(), m, b.height()});
}

bool WAYSourceListWindow::implements(ui::SplitViewDelegate::Op op) const {
    return op == Op::ConstrainMinCoordinate || op == Op::ConstrainMaxCoordinate ||
           op == Op::ShouldAdjustSizeOfSubview;
}

double WAYSourceListWindow::splitView_constrainMinCoordinate_ofSubviewAt(ui::SplitView&, double proposed,
                                                                         size_t) {
    return std::max(proposed, minimumMasterViewWidth_);
}

double WAYSourceListWindow::splitView_constrainMaxCoordinate_ofSubviewAt(ui::SplitView&, double proposed,
                                                                         size_t) {
    return std::min(proposed, maximumMasterViewWidth_);
}

bool WAYSourceListWindow::splitView_shouldAdjustSizeOfSubview(ui::SplitView&, ui::View* view) {
    return view == detailViewWrapper_.get();
}

}  // namespace kestrune
