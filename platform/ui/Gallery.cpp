// The control gallery: one scene per group of the layer's own controls, for looking at them without a
// display (`kestrune --snapshot DIR`).

#include <algorithm>
#include <cmath>

#include "platform/ui/Button.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/Slider.h"
#include "platform/ui/SplitView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextView.h"
#include "platform/ui/Window.h"

namespace platform::ui {

namespace {
std::shared_ptr<Window> galleryWindow(const std::string& title, Size size) {
    auto w = Window::create({{100, 100}, size}, kWindowStyleTitled | kWindowStyleClosable);
    w->setTitle(title);
    w->orderFront(nullptr);
    return w;
}

// A picture made in code: a disc shaded from blue to green on a clear ground. Pixels on the rim are
// covered in part, so the edge is smooth (pixels are premultiplied by their coverage).
std::shared_ptr<Image> sampleImage(int side) {
    Bitmap b;
    b.width = b.height = side;
    b.pixels.resize(static_cast<size_t>(side) * side);
    const double r = side / 2.0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double d = std::hypot(x + 0.5 - r, y + 0.5 - r);
            const double coverage = std::clamp(r - d + 0.5, 0.0, 1.0);
            if (coverage <= 0) continue;
            auto premultiplied = [&](double v) { return static_cast<uint32_t>(std::lround(v * coverage)); };
            const double g = 255.0 * y / side;
            b.pixels[static_cast<size_t>(y) * side + x] = (premultiplied(255) << 24) |
                                                          (premultiplied(30) << 16) |
                                                          (premultiplied(g) << 8) | premultiplied(255 - g);
        }
    }
    auto image =
        Image::createWithBitmap(std::move(b), {static_cast<double>(side), static_cast<double>(side)});
    image->setName("gallery-disc");
    return image;
}

// A flipped document of striped rows, for the scroll view.
class StripedDocument : public View {
public:
    bool isFlipped() const override { return true; }
    void drawRect(Rect) override {
        auto* c = GraphicsContext::current();
        if (!c) return;
        for (int row = 0; row * 24 < bounds().height(); ++row) {
            c->setFillColor(row % 2 ? Color::colorWithCalibratedWhite_alpha(0.95, 1) : Color::whiteColor());
            c->fillRect({0, row * 24.0, bounds().width(), 24});
            AttributedString(("Row " + std::to_string(row + 1)).c_str(),
                             TextAttributes::withFont(Font::systemFontOfSize(12)))
                .drawInRect({8, row * 24.0 + 4, 200, 16});
        }
    }
};

Scene buttons() {
    auto w = galleryWindow("Buttons", {320, 200});
    auto content = w->contentView();
    auto push = Button::create({20, 150, 120, 28});
    push->setTitle("Push");
    auto pressed = Button::create({160, 150, 120, 28});
    pressed->setTitle("Toggled");
    pressed->setButtonType(ButtonType::PushOnPushOff);
    pressed->setState(kStateOn);
    auto check = Button::create({20, 110, 200, 20});
    check->setButtonType(ButtonType::Switch);
    check->setTitle("Check box, on");
    check->setState(kStateOn);
    auto unchecked = Button::create({20, 85, 200, 20});
    unchecked->setButtonType(ButtonType::Switch);
    unchecked->setTitle("Check box, off");
    auto radio = Button::create({20, 55, 200, 20});
    radio->setButtonType(ButtonType::Radio);
    radio->setTitle("Radio, chosen");
    radio->setState(kStateOn);
    auto disabled = Button::create({20, 15, 120, 28});
    disabled->setTitle("Disabled");
    disabled->setEnabled(false);
    for (auto& v : std::vector<std::shared_ptr<View>>{push, pressed, check, unchecked, radio, disabled})
        content->addSubview(v);
    return {w, nullptr};
}

Scene text() {
    auto w = galleryWindow("Text", {320, 220});
    auto content = w->contentView();
    auto label = TextField::labelWithString("A label in the system font");
    label->setFrameOrigin({20, 180});
    auto field = TextField::create({20, 140, 280, 24});
    field->setStringValue("Editable text");
    auto placeholder = TextField::create({20, 105, 280, 24});
    placeholder->setPlaceholderString("Placeholder");
    auto secure = TextField::create({20, 70, 280, 24});
    secure->setStringValue("secret");
    secure->setSecure(true);
    auto view = TextView::create({20, 10, 280, 50});
    view->setString("A text view wraps its text over several lines when it is longer than its width.");
    for (auto& v : std::vector<std::shared_ptr<View>>{label, field, placeholder, secure, view})
        content->addSubview(v);
    // The field being typed into shows the focus ring.
    w->makeKeyWindow();
    w->makeFirstResponder(field);
    return {w, nullptr};
}

Scene sliders() {
    auto w = galleryWindow("Sliders and progress", {320, 200});
    auto content = w->contentView();
    auto slider = Slider::create({20, 150, 280, 24});
    slider->setMinValue(0);
    slider->setMaxValue(10);
    slider->setDoubleValue(3);
    auto bar = ProgressIndicator::create({20, 110, 280, 12});
    bar->setIndeterminate(false);
    bar->setDoubleValue(60);
    auto spinner = ProgressIndicator::create({20, 50, 40, 40});
    spinner->setStyle(ProgressIndicator::Style::Spinning);
    spinner->startAnimation();
    auto image = ImageView::create({200, 20, 80, 80});
    image->setImage(sampleImage(64));
    image->setImageScaling(ImageScaling::ProportionallyUpOrDown);
    for (auto& v : std::vector<std::shared_ptr<View>>{slider, bar, spinner, image}) content->addSubview(v);
    return {w, nullptr};
}

Scene layers() {
    auto w = galleryWindow("Layers", {320, 200});
    auto content = w->contentView();
    auto card = View::create({20, 40, 120, 120});
    card->setWantsLayer(true);
    card->layer()->setBackgroundColor(
        Color::colorWithCalibratedRed_green_blue_alpha(9 / 255.0, 210 / 255.0, 97 / 255.0, 1));
    card->layer()->setCornerRadius(20);
    card->layer()->setMasksToBounds(true);
    auto corner = View::create({-20, 80, 60, 60});  // cut by the card's rounded corner
    corner->setWantsLayer(true);
    corner->layer()->setBackgroundColor(Color::blueColor());
    card->addSubview(corner);
    auto bordered = View::create({170, 40, 120, 120});
    bordered->setWantsLayer(true);
    bordered->layer()->setBackgroundColor(Color::whiteColor());
    bordered->layer()->setBorderWidth(3);
    bordered->layer()->setBorderColor(Color::darkGrayColor());
    bordered->layer()->setCornerRadius(10);
    bordered->layer()->setShadowOpacity(0.4);
    bordered->layer()->setShadowRadius(4);
    auto caption = TextLayer::layer();
    caption->setString("ON");
    caption->setFontSize(18);
    caption->setForegroundColor(Color::darkGrayColor());
    caption->setAlignmentMode("center");
    caption->setFrame({0, 45, 120, 30});
    bordered->layer()->addSublayer(caption);
    auto faded = View::create({20, 5, 280, 25});
    faded->setWantsLayer(true);
    faded->layer()->setBackgroundColor(Color::redColor());
    faded->setAlphaValue(0.5);
    for (auto& v : std::vector<std::shared_ptr<View>>{card, bordered, faded}) content->addSubview(v);
    return {w, nullptr};
}

Scene scrolling() {
    auto w = galleryWindow("Scrolling and splitting", {360, 220});
    auto split = SplitView::create({0, 0, 360, 220});
    split->setDividerStyle(SplitView::DividerStyle::Thick);
    auto scroll = ScrollView::create({0, 0, 180, 220});
    scroll->setBorderType(BorderType::Line);
    scroll->setScrollerStyle(ScrollerStyle::Legacy);
    scroll->setHasVerticalScroller(true);
    // The rows are as wide as what the scroll view shows, and follow it when the split moves.
    auto doc = make<StripedDocument>(Rect{0, 0, scroll->contentSize().width, 480});
    doc->setAutoresizingMask(kViewWidthSizable);
    scroll->setDocumentView(doc);
    doc->scrollPoint({0, 96});
    auto right = View::create({189, 0, 171, 220});
    right->setWantsLayer(true);
    right->layer()->setBackgroundColor(Color::colorWithCalibratedWhite_alpha(0.9, 1));
    split->addSubview(scroll);
    split->addSubview(right);
    split->setPosition_ofDividerAtIndex(200, 0);
    w->setContentView(split);
    return {w, nullptr};
}
}  // namespace

void registerControlGallery() {
    SceneRegistry::add("gallery-buttons", buttons);
    SceneRegistry::add("gallery-text", text);
    SceneRegistry::add("gallery-sliders", sliders);
    SceneRegistry::add("gallery-layers", layers);
    SceneRegistry::add("gallery-scrolling", scrolling);
}

}  // namespace platform::ui
