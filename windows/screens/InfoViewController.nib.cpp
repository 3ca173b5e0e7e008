// The information page's layouts. Every layout has the same outlets; they differ in where the picture
// and the texts sit: centred (the base), the picture at the left (phone pages), at the right (the second
// phone layout), a wide picture of the Mac over the text, two pictures side by side, or three steps.

#include "windows/screens/InfoViewController.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

namespace {

using ui::Rect;
namespace sl = screenlayout;

struct Frames {
    Rect title, text, icon, smallIcon, main, left, right;
    ui::TextAlignment alignment = ui::TextAlignment::Center;
};

// The centred arrangement the base, the Mac and the two-picture layouts share.
Frames centred(Rect icon) {
    return {{75, 452, 700, 36}, {110, 92, 630, 100}, icon, {365, 235, 120, 120}, {315, 32, 220, 40},
            {190, 32, 225, 40}, {435, 32, 225, 40}};
}

Frames pictureAt(double iconX, double textX) {
    return {{textX, 380, 420, 80},       {textX, 160, 420, 235}, {iconX, 80, 260, 380},
            {iconX + 80, 220, 100, 100}, {textX, 32, 240, 40},   {textX, 32, 200, 40},
            {textX + 220, 32, 200, 40},  ui::TextAlignment::Left};
}

void build(ui::NibLoader& nib, const Frames& f) {
    auto page = sl::pageView(nib);
    auto owner = nib.owner<InfoViewController>();
    auto icon = nib.make<ui::ImageView>(f.icon);
    icon->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    auto smallIcon = nib.make<ui::ImageView>(f.smallIcon);
    smallIcon->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    auto title = sl::label(nib, f.title, 24, true, f.alignment);
    auto text = sl::label(nib, f.text, 14, false, f.alignment);
    auto main = sl::actionButton(nib, f.main);
    auto left = sl::actionButton(nib, f.left);
    auto right = sl::actionButton(nib, f.right);
    auto loader = nib.make<ui::ProgressIndicator>({f.right.maxX() - 28, f.right.minY() + 10, 20, 20});
    loader->setStyle(ui::ProgressIndicator::Style::Spinning);
    loader->setIndeterminate(true);
    auto back = sl::pictureButton(nib, {20, 250, 30, 30}, "wizzard_arrow_back");
    auto next = sl::pictureButton(nib, {800, 250, 30, 30}, "wizzard_arrow_next");
    auto separator = nib.make<ui::View>({0, 0, sl::kPageWidth, 5});
    separator->setAutoresizingMask(ui::kViewWidthSizable);
    for (const std::shared_ptr<ui::View>& view : std::vector<std::shared_ptr<ui::View>>{
             icon, smallIcon, title, text, main, left, right, loader, back, next, separator})
        page->addSubview(view);
    if (!owner) return;
    owner->mainIcon = icon;
    owner->mainIconSmall = smallIcon;
    owner->titleTextField = title;
    owner->textField = text;
    owner->button = main;
    owner->leftbutton = left;
    owner->rightbutton = right;
    owner->rightbuttonLoader = loader;
    owner->backButton = back;
    owner->nextButton = next;
    owner->bottomSeparatorView = separator;
    sl::bind<InfoViewController>(*main, owner, &InfoViewController::buttonToggled);
    sl::bind<InfoViewController>(*left, owner, &InfoViewController::leftButtonToggled);
    sl::bind<InfoViewController>(*right, owner, &InfoViewController::rightButtonToggled);
    sl::bind<InfoViewController>(*back, owner, &InfoViewController::previousButtonToggled);
    sl::bind<InfoViewController>(*next, owner, &InfoViewController::nextButtonToggled);
}

}  // namespace

extern const ui::NibRegistry::Registration kInfoViewControllerLayout;
const ui::NibRegistry::Registration kInfoViewControllerLayout("InfoViewController", [](ui::NibLoader& nib) {
    build(nib, centred({325, 215, 200, 200}));
});

extern const ui::NibRegistry::Registration kDeviceInfoViewControllerLayout;
const ui::NibRegistry::Registration kDeviceInfoViewControllerLayout("DeviceInfoViewController",
                                                                    [](ui::NibLoader& nib) {
                                                                        build(nib, pictureAt(70, 370));
                                                                    });

extern const ui::NibRegistry::Registration kDeviceInfoViewController2Layout;
const ui::NibRegistry::Registration kDeviceInfoViewController2Layout("DeviceInfoViewController2",
                                                                     [](ui::NibLoader& nib) {
                                                                         build(nib, pictureAt(520, 60));
                                                                     });

extern const ui::NibRegistry::Registration kMacDeviceInfoViewControllerLayout;
const ui::NibRegistry::Registration kMacDeviceInfoViewControllerLayout(
    "MacDeviceInfoViewController", [](ui::NibLoader& nib) {
        build(nib, centred({255, 205, 340, 235}));
    });

extern const ui::NibRegistry::Registration kMacPhoneDeviceViewControllerLayout;
const ui::NibRegistry::Registration kMacPhoneDeviceViewControllerLayout(
    "MacPhoneDeviceViewController", [](ui::NibLoader& nib) {
        build(nib, centred({150, 205, 260, 235}));
        auto second = nib.make<ui::ImageView>({440, 205, 260, 235});
        second->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        std::dynamic_pointer_cast<ui::View>(nib.topLevelObjects().front())->addSubview(second);
        if (auto owner = nib.owner<MacPhoneDeviceViewController>()) owner->secondaryImage = second;
    });

extern const ui::NibRegistry::Registration kIphoneMultiStepViewControllerLayout;
const ui::NibRegistry::Registration kIphoneMultiStepViewControllerLayout(
    "IphoneMultiStepViewController", [](ui::NibLoader& nib) {
        Frames f = centred({40, 455, 50, 50});
        f.text = {110, 400, 630, 44};
        build(nib, f);
        auto page = std::dynamic_pointer_cast<ui::View>(nib.topLevelObjects().front());
        std::shared_ptr<ui::ImageView> images[3];
        std::shared_ptr<ui::TextField> texts[3];
        for (int i = 0; i < 3; ++i) {
            const double x = 95 + i * 230;
            images[i] = nib.make<ui::ImageView>({x, 170, 200, 220});
            images[i]->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
            texts[i] = screenlayout::label(nib, {x, 90, 200, 72}, 12);
            page->addSubview(images[i]);
            page->addSubview(texts[i]);
        }
        auto owner = nib.owner<IphoneMultiStepViewController>();
        if (!owner) return;
        owner->item1Image = images[0];
        owner->item2Image = images[1];
        owner->item3Image = images[2];
        owner->item1TextField = texts[0];
        owner->item2TextField = texts[1];
        owner->item3TextField = texts[2];
    });

std::optional<std::string> InfoViewController::nibName() const {
    return kInfoViewControllerLayout.name;
}
std::optional<std::string> DeviceInfoViewController::nibName() const {
    return kDeviceInfoViewControllerLayout.name;
}
std::optional<std::string> DeviceInfoViewController2::nibName() const {
    return kDeviceInfoViewController2Layout.name;
}
std::optional<std::string> MacDeviceInfoViewController::nibName() const {
    return kMacDeviceInfoViewControllerLayout.name;
}
std::optional<std::string> MacPhoneDeviceViewController::nibName() const {
    return kMacPhoneDeviceViewControllerLayout.name;
}
std::optional<std::string> IphoneMultiStepViewController::nibName() const {
    return kIphoneMultiStepViewControllerLayout.name;
}

}  // namespace kestrune
