// The proximity tutorial's pages: connect the phone, switch Kestrune on, walk away, the celebration
// and the last page, and the small preview of the phone's row in the menu-bar panel.

#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/ScreenLayout.h"
#include "windows/tutorial/FinishPreviewController.h"
#include "windows/tutorial/FinishViewController.h"
#include "windows/tutorial/MacSleepScreenConnectToiPhone.h"
#include "windows/tutorial/TutorialFinished.h"
#include "windows/tutorial/TutorialSetUpKestrune.h"
#include "windows/tutorial/TutorialWalkAway.h"

namespace kestrune {

namespace {

namespace sl = screenlayout;
using ui::Rect;

// The pages' bottom buttons stand high enough over the green strip for the tutorial's page dots to have
// room between the two.
constexpr double kBottomButtonY = 44;
using Views = std::vector<std::shared_ptr<ui::View>>;

std::shared_ptr<ui::ImageView> picture(ui::NibLoader& nib, Rect frame, const std::string& name = "") {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    if (!name.empty()) view->setImage(ui::Image::imageNamed(name));
    return view;
}

// The phone's row of the menu-bar panel, drawn at the given place: a rounded card with the phone's
// name, the Kestrune switch and the distance.
struct PanelRow {
    std::shared_ptr<ui::View> card;
    std::shared_ptr<ui::TextField> name, title, switchLabel, distance;
};

PanelRow panelRow(ui::NibLoader& nib, Rect frame) {
    PanelRow row;
    row.card = nib.make<ui::View>(frame);
    setBackgouroundColor(*row.card, colorWithHexColorString("F1F3F2"));
    row.card->layer()->setCornerRadius(10);
    const double w = frame.width();
    row.name = sl::label(nib, {16, frame.height() - 40, w - 32, 24}, 16, true, ui::TextAlignment::Left);
    row.title = sl::label(nib, {16, frame.height() - 72, w - 32, 20}, 12, false, ui::TextAlignment::Left);
    row.switchLabel =
        sl::label(nib, {16, frame.height() - 104, w - 100, 22}, 14, true, ui::TextAlignment::Left);
    auto toggle = picture(nib, {w - 70, frame.height() - 106, 50, 28}, "tutorial_switch_on");
    row.distance = sl::label(nib, {16, 44, w - 32, 20}, 12, false, ui::TextAlignment::Left);
    auto slider = picture(nib, {16, 18, w - 32, 20}, "tutorial_distance_slider");
    slider->setImageScaling(ui::ImageScaling::AxesIndependently);
    sl::addAll(*row.card, {row.name, row.title, row.switchLabel, toggle, row.distance, slider});
    return row;
}

}  // namespace

extern const ui::NibRegistry::Registration kMacSleepScreenConnectToiPhoneLayout;
const ui::NibRegistry::Registration kMacSleepScreenConnectToiPhoneLayout(
    "MacSleepScreenConnectToiPhone", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        // The title a page of neither tutorial keeps.
        title->setStringValue("Kestrune");
        auto image = picture(nib, {325, 190, 200, 220});
        auto text = sl::label(nib, {110, 100, 630, 70}, 15);
        auto button = sl::actionButton(nib, {325, kBottomButtonY, 200, 40});
        auto strip = nib.make<ui::View>({0, 0, sl::kPageWidth, 5});
        sl::addAll(*page, {title, image, text, button, strip});
        auto owner = nib.owner<MacSleepScreenConnectToiPhone>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->mainImage = image;
        owner->connectLabel = text;
        owner->button = button;
        owner->bottomSeparatorView = strip;
        sl::bind<MacSleepScreenConnectToiPhone>(*button, owner,
                                                &MacSleepScreenConnectToiPhone::buttonToggled);
    });

extern const ui::NibRegistry::Registration kTutorialSetUpKestruneLayout;
const ui::NibRegistry::Registration kTutorialSetUpKestruneLayout(
    "TutorialSetUpKestrune", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto top = sl::label(nib, {75, 455, 700, 36}, 24, true);
        auto bottom = sl::label(nib, {75, 418, 700, 28}, 17);
        auto first = sl::label(nib, {70, 300, 360, 70}, 15, false, ui::TextAlignment::Left);
        auto second = sl::label(nib, {70, 220, 360, 70}, 15, false, ui::TextAlignment::Left);
        auto openMenu = sl::actionButton(nib, {70, 150, 260, 40});
        auto row = panelRow(nib, {480, 190, 300, 190});
        auto finish = sl::actionButton(nib, {335, kBottomButtonY, 180, 40});
        sl::addAll(*page, {top, bottom, first, second, openMenu, row.card, finish, sl::separator(nib)});
        auto owner = nib.owner<TutorialSetUpKestrune>();
        if (!owner) return;
        owner->topTitleLabel = top;
        owner->bottomTitleLabel = bottom;
        owner->firstText = first;
        owner->secondText = second;
        owner->openMainMenuButton = openMenu;
        owner->iPhoneNameTitle = row.name;
        owner->kestruneTitleLabel = row.title;
        owner->kestruneSwitchLabel = row.switchLabel;
        owner->distanceLabel = row.distance;
        owner->finishButton = finish;
        sl::bind<TutorialSetUpKestrune>(*openMenu, owner, &TutorialSetUpKestrune::openMainMenuToggled);
    });

extern const ui::NibRegistry::Registration kTutorialWalkAwayLayout;
const ui::NibRegistry::Registration kTutorialWalkAwayLayout("TutorialWalkAway", [](ui::NibLoader& nib) {
    auto page = sl::pageView(nib);
    auto title = sl::label(nib, {75, 440, 700, 44}, 28, true);
    auto image = picture(nib, {365, 300, 120, 120}, "tutorial_walk_away");
    auto currentText = sl::label(nib, {110, 262, 300, 24}, 15);
    auto currentValue = sl::label(nib, {110, 200, 300, 56}, 40, true);
    auto metric1 = sl::label(nib, {110, 176, 300, 22}, 13);
    auto lockText = sl::label(nib, {440, 262, 300, 24}, 15);
    auto lockValue = sl::label(nib, {440, 200, 300, 56}, 40, true);
    lockValue->setTextColor(kestruneGreen());
    auto metric2 = sl::label(nib, {440, 176, 300, 22}, 13);
    auto active = sl::label(nib, {110, 146, 630, 24}, 14, true);
    active->setTextColor(redTextColor());
    auto note = sl::label(nib, {110, 88, 630, 48}, 12);
    auto finish = sl::actionButton(nib, {335, kBottomButtonY, 180, 40});
    sl::addAll(*page, {title, image, currentText, currentValue, metric1, lockText, lockValue, metric2, active,
                   note, finish, sl::separator(nib)});
    auto owner = nib.owner<TutorialWalkAway>();
    if (!owner) return;
    owner->walkAwayLable = title;
    owner->currentDistanceTextLabel = currentText;
    owner->currentDistanceValueLabel = currentValue;
    owner->metricLabel1 = metric1;
    owner->kestruneDistanceTextLabel = lockText;
    owner->kestruneDistanceValueLabel = lockValue;
    owner->metricLabel2 = metric2;
    owner->userActiveLabel = active;
    owner->noteLabel = note;
    owner->finishButton = finish;
    sl::bind<TutorialWalkAway>(*finish, owner, &TutorialWalkAway::finishToggled);
});

extern const ui::NibRegistry::Registration kTutorialFinishedLayout;
const ui::NibRegistry::Registration kTutorialFinishedLayout("TutorialFinished", [](ui::NibLoader& nib) {
    auto page = sl::pageView(nib);
    auto thumbs = picture(nib, {345, 190, 160, 170}, "tutorial_thumbs_up");
    auto confetti = nib.make<ui::View>({0, 0, sl::kPageWidth, sl::kPageHeight});
    auto title = sl::label(nib, {75, 400, 700, 84}, 26, true);
    auto share = sl::label(nib, {110, 128, 630, 28}, 15);
    auto facebook = sl::pictureButton(nib, {330, 70, 90, 36}, "share_facebook");
    auto twitter = sl::pictureButton(nib, {430, 70, 90, 36}, "share_twitter");
    // The confetti falls behind the texts and buttons, which stay clickable.
    sl::addAll(*page, {confetti, thumbs, title, share, facebook, twitter, sl::separator(nib)});
    auto owner = nib.owner<TutorialFinished>();
    if (!owner) return;
    owner->image = thumbs;
    owner->animationContainer = confetti;
    owner->titleTextField = title;
    owner->shareTextField = share;
    sl::bind<TutorialFinished>(*facebook, owner, &TutorialFinished::facebookShare);
    sl::bind<TutorialFinished>(*twitter, owner, &TutorialFinished::twitterShare);
});

extern const ui::NibRegistry::Registration kFinishViewControllerLayout;
const ui::NibRegistry::Registration kFinishViewControllerLayout(
    "FinishViewController", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 40}, 28, true);
        auto text = sl::label(nib, {70, 330, 380, 90}, 16, false, ui::TextAlignment::Left);
        auto finish = sl::actionButton(nib, {70, 260, 220, 40});
        auto share = sl::label(nib, {70, 150, 380, 28}, 15, false, ui::TextAlignment::Left);
        auto facebook = sl::pictureButton(nib, {70, 100, 90, 36}, "share_facebook");
        auto twitter = sl::pictureButton(nib, {170, 100, 90, 36}, "share_twitter");
        auto preview = nib.make<ui::View>({480, 190, 300, 190});
        sl::addAll(*page, {title, text, finish, share, facebook, twitter, preview, sl::separator(nib)});
        auto owner = nib.owner<FinishViewController>();
        if (!owner) return;
        owner->titleTextField = title;
        owner->textLabel = text;
        owner->finishButton = finish;
        owner->shareLabel = share;
        owner->facebookButton = facebook;
        owner->twitterButton = twitter;
        owner->finishPreview = preview;
        sl::bind<FinishViewController>(*finish, owner, &FinishViewController::finishToggled);
        sl::bind<FinishViewController>(*facebook, owner, &FinishViewController::facebookToggled);
        sl::bind<FinishViewController>(*twitter, owner, &FinishViewController::twitterToggled);
    });

extern const ui::NibRegistry::Registration kFinishPreviewControllerLayout;
const ui::NibRegistry::Registration kFinishPreviewControllerLayout(
    "FinishPreviewController", [](ui::NibLoader& nib) {
        auto view = nib.make<ui::View>({0, 0, 300, 190});
        nib.addTopLevel(view);
        auto row = panelRow(nib, {0, 0, 300, 190});
        view->addSubview(row.card);
        auto owner = nib.owner<FinishPreviewController>();
        if (!owner) return;
        owner->setView(view);
        owner->backgroundView = row.card;
        owner->iPhoneNameTitle = row.name;
        owner->kestruneTitleLabel = row.title;
        owner->kestruneSwitchLabel = row.switchLabel;
        owner->distanceLabel = row.distance;
    });

std::optional<std::string> MacSleepScreenConnectToiPhone::nibName() const {
    return kMacSleepScreenConnectToiPhoneLayout.name;
}
std::optional<std::string> TutorialSetUpKestrune::nibName() const {
    return kTutorialSetUpKestruneLayout.name;
}
std::optional<std::string> TutorialWalkAway::nibName() const {
    return kTutorialWalkAwayLayout.name;
}
std::optional<std::string> TutorialFinished::nibName() const {
    return kTutorialFinishedLayout.name;
}
std::optional<std::string> FinishViewController::nibName() const {
    return kFinishViewControllerLayout.name;
}

std::shared_ptr<FinishPreviewController> FinishPreviewController::create() {
    return ui::ViewController::createWithNibName<FinishPreviewController>(
        kFinishPreviewControllerLayout.name);
}

}  // namespace kestrune
