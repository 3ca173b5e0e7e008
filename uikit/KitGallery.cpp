// The interface kit's gallery: one scene per group of the kit's controls. A scene is pictured right
// after it is built, with one layout and display pass: what the controls would do a moment later (a
// button fitting its title) each scene does itself.

#include "uikit/KitGallery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/GraphicsContext.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/ButtonViewModelFactory.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/buttons/KSButtonIcon.h"
#include "uikit/buttons/KSButtonNibWidth.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/buttons/KSRadioButton.h"
#include "uikit/buttons/MyButton.h"
#include "uikit/images/GifImageModel.h"
#include "uikit/images/GifImageView.h"
#include "uikit/images/KPCScaleToFillNSImageView.h"
#include "uikit/images/KSImageView.h"
#include "uikit/images/KSImageViewTintColor.h"
#include "uikit/scrolling/KestruneScroller.h"
#include "uikit/scrolling/MyScrollView.h"
#include "uikit/sliders/CustomSlider.h"
#include "uikit/sliders/CustomSliderCell.h"
#include "uikit/sliders/MyCustomSlider.h"
#include "uikit/splitwindow/WAYSourceListWindow.h"
#include "uikit/switches/APSwitch.h"
#include "uikit/switches/ITSwitch.h"
#include "uikit/text/KSTextFieldStyles.h"
#include "uikit/text/StringAdditions.h"
#include "uikit/text/TextFieldAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/BlurredView.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/ColorGradientView.h"
#include "uikit/views/CustomColor.h"
#include "uikit/views/FDCircleLayer.h"
#include "uikit/views/RMBlurredView.h"
#include "uikit/views/RoundedCorners.h"

namespace kestrune {

namespace {
using ui::Rect;

std::shared_ptr<ui::Window> galleryWindow(const std::string& title, ui::Size size) {
    auto w = ui::Window::create({{100, 100}, size}, ui::kWindowStyleTitled | ui::kWindowStyleClosable);
    w->setTitle(title);
    w->orderFront(nullptr);
    return w;
}

// A plain label: no bezel, no background, not editable.
template <typename Field = ui::TextField>
std::shared_ptr<Field> label(const std::string& text, Rect frame) {
    auto field = ui::make<Field>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setStringValue(text);
    return field;
}

std::shared_ptr<ui::TextField> caption(const std::string& text, Rect frame,
                                       ui::Color color = ui::Color::blackColor()) {
    auto field = label(text, frame);
    field->setFont(ui::Font::systemFontOfSize(11));
    field->setTextColor(color);
    return field;
}

// A button as its layout would give it, already fitted to its title.
template <typename Button>
std::shared_ptr<Button> flatButton(Rect frame, const std::string& title) {
    auto button = ui::make<Button>(frame);
    button->setBordered(false);
    button->awakeFromNib();
    button->setDefaultValues();
    button->setTitle(title);
    button->executeSizeUpdate();
    return button;
}

// Pictures made in code: a landscape of coloured bands, and a disc.
std::shared_ptr<ui::Image> bands(int width, int height) {
    ui::Bitmap b;
    b.width = width;
    b.height = height;
    b.pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t r = static_cast<uint32_t>(255.0 * x / width);
            const uint32_t g = static_cast<uint32_t>(255.0 * y / height);
            const uint32_t blue = (x / 20) % 2 ? 200 : 90;
            b.pixels[static_cast<size_t>(y) * width + x] = 0xff000000u | (r << 16) | (g << 8) | blue;
        }
    }
    auto image = ui::Image::createWithBitmap(std::move(b), {double(width), double(height)});
    image->setName("gallery-bands");
    return image;
}

std::shared_ptr<ui::Image> disc(int side, uint32_t rgb, const std::string& name) {
    ui::Bitmap b;
    b.width = b.height = side;
    b.pixels.resize(static_cast<size_t>(side) * side);
    const double r = side / 2.0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double d = std::hypot(x + 0.5 - r, y + 0.5 - r);
            // A soft edge: the alpha falls over the last point and a half.
            const double a = std::clamp((r - d) / 1.5, 0.0, 1.0);
            const uint32_t alpha = static_cast<uint32_t>(a * 255);
            auto premultiplied = [&](uint32_t c) { return (c * alpha + 127) / 255; };
            b.pixels[static_cast<size_t>(y) * side + x] =
                (alpha << 24) | (premultiplied((rgb >> 16) & 0xff) << 16) |
                (premultiplied((rgb >> 8) & 0xff) << 8) | premultiplied(rgb & 0xff);
        }
    }
    auto image = ui::Image::createWithBitmap(std::move(b), {double(side), double(side)});
    image->setName(name);
    return image;
}

void addAll(ui::View& parent, const std::vector<std::shared_ptr<ui::View>>& views) {
    for (const auto& v : views) parent.addSubview(v);
}

ui::Scene buttons() {
    auto w = galleryWindow("Buttons and check boxes", {460, 300});
    // The flat buttons stand on the panels' white.
    w->setBackgroundColor(ui::Color::whiteColor());
    auto content = w->contentView();
    addAll(*content,
           {caption("Flat buttons fit their titles (upper case, at least 100 wide)", {20, 268, 420, 16})});
    auto save = flatButton<KSButton3>({20, 228, 100, 30}, "Save");
    auto longer = flatButton<KSButton3>({140, 228, 160, 30}, "Continue the set-up");
    auto modelled = ui::make<KSButton3>(Rect{320, 228, 120, 30});
    modelled->setBordered(false);
    modelled->awakeFromNib();
    auto model = ButtonViewModelFactory::checkButton();
    model->setTitle("Check");
    modelled->setViewModel(model);
    modelled->executeSizeUpdate();
    addAll(*content, {save, longer, modelled});

    addAll(*content, {caption("Icon button, layout width, disabled", {20, 200, 420, 16})});
    auto icon = ui::make<KSButtonIcon>(Rect{20, 160, 100, 30});
    icon->setBordered(false);
    icon->awakeFromNib();
    icon->setDefaultValues();
    icon->setTitle_withIcon("Back", "back_arrow");
    icon->executeSizeUpdate();
    auto fixed = ui::make<KSButtonNibWidth>(Rect{140, 160, 140, 30});
    fixed->setBordered(false);
    fixed->awakeFromNib();
    fixed->setAlwaysUseNibWidth(true);
    fixed->setDefaultValues();
    fixed->setTitle("Layout width");
    fixed->executeSizeUpdate();
    auto disabled = flatButton<KSButton3>({300, 160, 140, 30}, "Disabled");
    setKestruneDisabledButtonWithText(*disabled, "Disabled");
    disabled->executeSizeUpdate();
    addAll(*content, {icon, fixed, disabled});

    addAll(*content, {caption("Check boxes and radio buttons", {20, 132, 420, 16})});
    auto checked = KSCustomCheckBox::create({20, 104, 200, 20});
    checked->setTitle("Lock when I walk away");
    checked->setState(ui::kStateOn);
    auto unchecked = KSCustomCheckBox::create({20, 80, 200, 20});
    unchecked->setTitle("Unlock on approach");
    auto chosen = KSRadioButton::create({240, 104, 200, 20});
    chosen->setTitle("Yes or no on the phone");
    chosen->setImagePosition(ui::ImagePosition::ImageLeft);
    chosen->setAlignment(ui::TextAlignment::Left);
    chosen->setBordered(false);
    chosen->setSelectedImageName_unselectedImageName("checkbox_checked", "checkbox_unchecked");
    chosen->setIsSelected(true);
    auto other = KSRadioButton::create({240, 80, 200, 20});
    other->setTitle("No confirmation");
    other->setImagePosition(ui::ImagePosition::ImageLeft);
    other->setAlignment(ui::TextAlignment::Left);
    other->setBordered(false);
    other->setSelectedImageName_unselectedImageName("checkbox_checked", "checkbox_unchecked");
    addAll(*content, {checked, unchecked, chosen, other});

    addAll(*content, {caption("Hover button at rest (0.6), a hidden button (custom disabled) between",
                              {20, 52, 420, 16})});
    auto hover = ui::make<MyButton>(Rect{20, 14, 120, 28});
    hover->setTitle("Help");
    hover->awakeFromNib();
    auto hidden = ui::Button::create({160, 14, 120, 28});
    hidden->setTitle("Hidden");
    setCustomEnabled(*hidden, false);
    auto plain = ui::Button::create({300, 14, 140, 28});
    setToDefaultProperties(*plain);
    setKestruneEnabledButtonWithText(*plain, "Plain text button");
    setTextColor(*plain, redTextColor());
    addAll(*content, {hover, hidden, plain});
    return {w, nullptr};
}

// One label of a style, made as a layout would make it: the style arrives at the first layout pass.
template <typename Style>
std::shared_ptr<ui::View> styled(const std::string& name, double y, double height) {
    return label<Style>(name, {20, y, 420, height});
}

ui::Scene text() {
    auto w = galleryWindow("Text styles", {460, 500});
    auto content = w->contentView();
    double y = 466;
    auto next = [&](double height) {
        y -= height + 4;
        return y + height + 4;
    };
    addAll(*content, {
                         styled<KSTextFieldTitle>("KSTextFieldTitle", next(30), 32),
                         styled<KSTextFieldTitle1>("KSTextFieldTitle1", next(24), 26),
                         styled<KSTextFieldTitle1_2>("KSTextFieldTitle1_2", next(20), 20),
                         styled<KSTextFieldTitle2>("KSTextFieldTitle2", next(18), 18),
                         styled<KSTextFieldTitle2_2>("KSTextFieldTitle2_2", next(17), 17),
                         styled<KSTextFieldTitle3>("KSTextFieldTitle3", next(18), 18),
                         styled<KSTextFieldDescription>("KSTextFieldDescription", next(20), 20),
                         styled<NSTextFieldDescription2>("NSTextFieldDescription2", next(17), 17),
                         styled<KSTextFieldDescription3>("KSTextFieldDescription3", next(16), 16),
                         styled<KSTextFieldDescription4>("KSTextFieldDescription4", next(16), 16),
                         styled<KSTextFieldDescription5>("KSTextFieldDescription5", next(12), 12),
                     });
    // The white styles on the dark palette grey.
    auto dark = ui::View::create({0, y - 70, 460, 62});
    setBackgouroundColor(*dark, customLightGray());
    addAll(*dark, {styled<KSTextFieldTitleWhite>("KSTextFieldTitleWhite", 24, 32),
                   styled<KSTextFieldDescription3White>("KSTextFieldDescription3White", 4, 16)});
    content->addSubview(dark);
    y -= 74;

    auto bold = label("Your Mac locks when iPhone is 3 metres away", {20, y - 22, 420, 18});
    bold->setFont(ui::Font::fontWithName_size("Helvetica", 13));
    boldSubstring(*bold, "3 metres");
    auto shortened = label("Shortened to 12: \"" + stringWithMaxLengt("Very close to the Mac", 12) + "\"",
                           {20, y - 44, 420, 18});
    shortened->setFont(ui::Font::fontWithName_size("Helvetica", 13));
    auto centred = label("A label sized to its text at 200 points wide and centred under this line", {});
    centred->setFont(ui::Font::fontWithName_size("Helvetica Neue Light", 12));
    setWidth_centerPoint(*centred, 200, {230, y - 80});
    auto frameOf = ui::View::create(centred->frame().insetBy(-1, -1));
    setBackgouroundColor(*frameOf, custom1());
    addAll(*content, {bold, shortened, frameOf, centred});
    return {w, nullptr};
}

ui::Scene images() {
    auto w = galleryWindow("Image views and sliders", {460, 450});
    auto content = w->contentView();
    auto picture = bands(200, 100);
    addAll(*content,
           {caption("Scale to fill: 200 x 100 into a square and a wide strip", {20, 420, 420, 16})});
    auto square = KPCScaleToFillNSImageView::create({20, 320, 90, 90});
    square->setImage(picture);
    auto strip = KPCScaleToFillNSImageView::create({130, 350, 300, 60});
    strip->setImage(picture);
    addAll(*content, {square, strip});

    addAll(*content,
           {caption("Black, tinted, untinted; a sequence at its second picture", {20, 292, 420, 16})});
    auto colourful = disc(48, 0xe74c3c, "gallery-disc");
    auto black = KSImageView::create({20, 230, 48, 48});
    black->setImage(colourful);
    auto tinted = KSImageViewTintColor::create({90, 230, 48, 48});
    tinted->setImage(colourful);
    tinted->setTintColor(kestruneGreen());
    auto untinted = KSImageViewTintColor::create({160, 230, 48, 48});
    untinted->setImage(colourful);
    auto sequence = GifImageView::create({240, 230, 48, 48});
    for (int i = 1; i <= 3; ++i) {
        const uint32_t colours[] = {0x3498db, 0xffcc00, 0x09d261};
        ui::ImageRegistry::add(numberedImageName("gallery-step", i),
                               disc(48 - 10 * (i - 1), colours[i - 1], "step"));
    }
    sequence->setImageWithName_forSuffixStartingFrom_andEndingAt("gallery-step", 1, 3);
    sequence->setImageScaling(ui::ImageScaling::None);
    sequence->changeImage();
    addAll(*content, {black, tinted, untinted, sequence});

    addAll(*content,
           {caption("Distance sliders at the minimum, a third and the maximum", {20, 202, 420, 16})});
    double y = 170;
    for (double value : {0.0, 1.0 / 3, 1.0}) {
        auto slider = CustomSlider::create({20, y, 240, 22});
        slider->setCell(std::make_shared<MyCustomSlider>());
        slider->setDoubleValue(value);
        content->addSubview(slider);
        y -= 26;
    }
    auto darkStrip = ui::View::create({280, 114, 160, 80});
    setBackgouroundColor(*darkStrip, customLightGray());
    auto line = ui::Slider::create({10, 28, 140, 24});
    line->setCell(std::make_shared<CustomSliderCell>());
    line->setDoubleValue(0.6);
    darkStrip->addSubview(line);
    darkStrip->addSubview(caption("line slider", {10, 6, 140, 16}, ui::Color::whiteColor()));
    content->addSubview(darkStrip);

    addAll(*content, {caption("Scrolled by code to rows 3 to 5; a knob-only scroller (its track erased)",
                              {20, 82, 420, 16})});
    auto scroll = MyScrollView::create({20, 12, 240, 62});
    scroll->setBorderType(ui::BorderType::Line);
    auto rows = ui::View::create({0, 0, 240, 200});
    for (int row = 0; row < 10; ++row) {
        auto text = caption("Row " + std::to_string(10 - row), {8, row * 20.0 + 2, 200, 16});
        rows->addSubview(text);
    }
    scroll->setDocumentView(rows);
    scroll->scrollToPoint_animated({0, 100}, false);
    auto scroller = KestruneScroller::create({280, 12, 12, 62});
    scroller->setScrollerStyle(ui::ScrollerStyle::Legacy);
    scroller->setKnobProportion(0.4);
    scroller->setDoubleValue(0.3);
    addAll(*content, {scroll, scroller});
    return {w, nullptr};
}

ui::Scene switches() {
    auto w = galleryWindow("Switches", {460, 250});
    auto content = w->contentView();
    setBackgouroundColor(*content, customLightGray());
    const ui::Color white = ui::Color::whiteColor();
    addAll(*content, {caption("Animated switch", {20, 222, 200, 16}, white),
                      caption("Layer switch", {250, 222, 200, 16}, white)});
    struct Row {
        std::string name;
        bool on, enabled, caption;
    };
    const Row rows[] = {{"off", false, true, false},
                        {"on", true, true, false},
                        {"on, just switched", true, true, true},
                        {"disabled, off", false, false, false},
                        {"disabled, on", true, false, false}};
    double y = 186;
    for (const auto& row : rows) {
        auto animated = ITSwitch::create({20, y, 50, 30});
        animated->setOn(row.on);
        animated->setEnabled(row.enabled);
        // At rest the caption has faded; just after a change it still shows.
        if (!row.caption) animated->hideChangedStateAnimation();
        content->addSubview(animated);
        content->addSubview(caption(row.name, {80, y + 7, 150, 16}, white));
        y -= 40;
    }
    y = 186;
    for (const auto& row : rows) {
        if (row.caption) continue;
        auto layered = APSwitch::create({250, y + 1, 80, 28});
        layered->setSwitchOn_animated(row.on, false);
        layered->setEnabled(row.enabled);
        content->addSubview(layered);
        content->addSubview(caption(row.name, {340, y + 7, 110, 16}, white));
        y -= 40;
    }
    auto green = APSwitch::create({250, y + 1, 80, 28});
    green->setOnTintColor(kestruneGreen());
    green->setSwitchOn_animated(true, false);
    content->addSubview(green);
    content->addSubview(caption("on, green tint", {340, y + 7, 110, 16}, white));
    return {w, nullptr};
}

// Swatches of the palette, each with its name and value.
class PaletteView : public ui::View {
public:
    void drawRect(ui::Rect) override {
        auto* c = ui::GraphicsContext::current();
        if (!c) return;
        const std::pair<const char*, ui::Color> entries[] = {
            {"warningYellow", warningYellow()},
            {"customLightGray", customLightGray()},
            {"kestruneGreen", kestruneGreen()},
            {"custom1", custom1()},
            {"custom2", custom2()},
            {"custom3", custom3()},
            {"redButtonColor", redButtonColor()},
            {"redTextColor", redTextColor()},
            {"redErrorBackgroundColor", redErrorBackgroundColor()},
            {"separatorColor", separatorColor()},
            {"separatorColorLight", separatorColorLight()},
            {"mockupsRedButtonColor", mockupsRedButtonColor()},
            {"mockupsBlueButtonColor", mockupsBlueButtonColor()},
        };
        const ui::Rect b = bounds();
        int i = 0;
        for (const auto& [name, color] : entries) {
            const double x = 20 + (i % 2) * 220, y = b.height() - 52 - (i / 2) * 46;
            c->setFillColor(color);
            const auto swatch =
                ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius({x, y, 36, 36}, 6, 6);
            c->fillPath(swatch);
            c->setStrokeColor(ui::Color::colorWithCalibratedWhite_alpha(0, 0.2));
            c->strokePath(swatch);
            ui::AttributedString(name, ui::TextAttributes::withFont(ui::Font::systemFontOfSize(12)))
                .drawInRect({x + 46, y + 19, 170, 16});
            char hex[16];
            std::snprintf(hex, sizeof hex, "#%02X%02X%02X", int(std::lround(color.redComponent() * 255)),
                          int(std::lround(color.greenComponent() * 255)),
                          int(std::lround(color.blueComponent() * 255)));
            ui::AttributedString(hex, ui::TextAttributes::withFont(ui::Font::systemFontOfSize(10), custom2()))
                .drawInRect({x + 46, y + 3, 170, 14});
            ++i;
        }
    }
};

ui::Scene palette() {
    auto w = galleryWindow("Palette", {460, 330});
    auto view = ui::make<PaletteView>(Rect{0, 0, 460, 330});
    w->contentView()->addSubview(view);
    return {w, nullptr};
}

ui::Scene blurred() {
    auto w = galleryWindow("Blurred views", {460, 300});
    auto content = w->contentView();
    // Something colourful behind the views.
    auto ground = ui::ImageView::create({0, 0, 460, 300});
    ground->setImage(bands(460, 300));
    ground->setImageScaling(ui::ImageScaling::AxesIndependently);
    content->addSubview(ground);

    auto blur = RMBlurredView::create({20, 160, 200, 120});
    blur->addSubview(caption("RMBlurredView: tint only here", {10, 50, 180, 16}));
    auto plain = BlurredView::create({240, 160, 200, 120});
    setRoundedCornerSize(*plain, 12);
    plain->addSubview(caption("BlurredView: draws nothing", {10, 50, 180, 16}, ui::Color::whiteColor()));

    // Without an ending colour the view is filled with its starting colour: the phone picture as a pattern.
    auto gradient = ColorGradientView::create({20, 20, 130, 120});
    gradient->setEndingColor(std::nullopt);
    auto colours = ColorGradientView::create({165, 20, 130, 120});
    colours->setStartingColor(kestruneGreen());
    colours->setEndingColor(mockupsBlueButtonColor());
    colours->setAngle(0);
    setRoundedCornerSize(*colours, 10);

    auto circles = ui::View::create({310, 20, 130, 120});
    setBackgouroundColor_withAlpha(*circles, ui::Color::whiteColor(), 0.85);
    setRoundedCornerSize(*circles, 10);
    double x = 30;
    for (double radius : {10.0, 16.0, 24.0}) {
        auto circle = FDCircleLayer::initWithRadius(radius);
        circle->setPosition({x, 60});
        circle->setBackgroundColor(
            colorWithHexColorString("0x3498DB").colorWithAlphaComponent(0.35 + radius / 48));
        circles->layer()->addSublayer(circle);
        x += radius + 24;
    }
    addAll(*content, {blur, plain, gradient, colours, circles});
    return {w, nullptr};
}

ui::Scene splitWindow() {
    auto w = WAYSourceListWindow::create({100, 100, 720, 420});
    w->setTitle("Settings");
    auto list = ui::View::create();
    const char* items[] = {"My devices",         "Set-up",    "Wi-Fi unlock",
                           "Photos and history", "Clipboard", "Music",
                           "Advanced",           "Updates",   "Help"};
    double y = 370;
    for (const char* item : items) {
        auto row = label<KSTextFieldTitle3>(item, {20, y, 170, 20});
        list->addSubview(row);
        y -= 32;
    }
    w->setMasterView(list);
    auto detail = ui::View::create();
    detail->addSubview(label<KSTextFieldTitle>("Set-up", {30, 350, 400, 32}));
    detail->addSubview(
        label<KSTextFieldDescription>("Choose how your Mac locks and unlocks.", {30, 318, 440, 22}));
    auto toggle = ITSwitch::create({30, 270, 50, 30});
    toggle->setTintColor(kestruneGreen());
    toggle->setOn(true);
    toggle->hideChangedStateAnimation();
    detail->addSubview(toggle);
    detail->addSubview(label<KSTextFieldTitle2>("Proximity lock", {90, 276, 300, 20}));
    detail->addSubview(flatButton<KSButton3>({30, 220, 100, 30}, "Pair a phone"));
    w->setDetailView(detail);
    w->setInitialMasterViewWidth(200);
    w->setDetailViewBackgroundColor(ui::Color::colorWithCalibratedWhite_alpha(0.98, 1));
    w->orderFront(nullptr);
    return {w, nullptr};
}
}  // namespace

void registerInterfaceKitGallery() {
    ui::SceneRegistry::add("kit-buttons", buttons);
    ui::SceneRegistry::add("kit-text", text);
    ui::SceneRegistry::add("kit-images", images);
    ui::SceneRegistry::add("kit-switches", switches);
    ui::SceneRegistry::add("kit-palette", palette);
    ui::SceneRegistry::add("kit-blur", blurred);
    ui::SceneRegistry::add("kit-split-window", splitWindow);
}

}  // namespace kestrune
