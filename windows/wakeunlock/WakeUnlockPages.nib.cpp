// The wake-unlock tutorial's own pages: the introduction with a sample of the phone's notification, the
// page that switches off the two features that would unlock the Mac by themselves, and the page that
// chooses the confirmation and puts the Mac to sleep.

#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/screens/ScreenLayout.h"
#include "windows/wakeunlock/MacSleepScreenFirstViewController.h"
#include "windows/wakeunlock/MacSleepScreenTurnKestruneOff.h"
#include "windows/wakeunlock/MacSleepScreenTutorialStepViewController.h"

namespace kestrune {

namespace {

namespace sl = screenlayout;
using ui::Rect;
using Views = std::vector<std::shared_ptr<ui::View>>;

std::shared_ptr<ui::Button> radio(ui::NibLoader& nib, Rect frame, int tag) {
    auto button = nib.make<ui::Button>(frame);
    button->setButtonType(ui::ButtonType::Radio);
    button->setTitle("");
    button->setTag(tag);
    return button;
}

}  // namespace

extern const ui::NibRegistry::Registration kMacSleepScreenFirstViewControllerLayout;
const ui::NibRegistry::Registration kMacSleepScreenFirstViewControllerLayout(
    "MacSleepScreenFirstViewController", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        auto first = sl::label(nib, {70, 300, 380, 100}, 15, false, ui::TextAlignment::Left);
        auto second = sl::label(nib, {70, 200, 380, 90}, 14, false, ui::TextAlignment::Left);
        // The phone's notification as the user will see it: the application's icon and name, the
        // question, and its unlock answer under a thin line.
        auto card = nib.make<ui::View>({480, 230, 310, 150});
        setBackgouroundColor(*card, colorWithHexColorString("F1F3F2"));
        card->layer()->setCornerRadius(14);
        auto icon = nib.make<ui::ImageView>({14, 108, 28, 28});
        icon->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
        icon->setImage(ui::Image::imageNamed("kestrune_logo"));
        auto app = sl::label(nib, {50, 112, 240, 20}, 12, false, ui::TextAlignment::Left);
        app->setStringValue("KESTRUNE");
        auto question = sl::label(nib, {14, 54, 282, 46}, 15, true, ui::TextAlignment::Left);
        auto line = nib.make<ui::View>({0, 44, 310, 1});
        setBackgouroundColor(*line, colorWithHexColorString("D5D8D6"));
        auto unlock = sl::label(nib, {14, 12, 282, 24}, 15, true);
        unlock->setTextColor(kestruneGreen());
        sl::addAll(*card, {icon, app, question, line, unlock});
        auto next = sl::actionButton(nib, {325, 32, 200, 40});
        sl::addAll(*page, {title, first, second, card, next, sl::separator(nib)});
        auto owner = nib.owner<MacSleepScreenFirstViewController>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->firstLabel = first;
        owner->secondLabel = second;
        owner->notificationText = question;
        owner->notificationUnlock = unlock;
        owner->nextButton = next;
        sl::bind<MacSleepScreenFirstViewController>(*next, owner,
                                                    &MacSleepScreenFirstViewController::buttonToggled);
    });

extern const ui::NibRegistry::Registration kMacSleepScreenTurnKestruneOffLayout;
const ui::NibRegistry::Registration kMacSleepScreenTurnKestruneOffLayout(
    "MacSleepScreenTurnKestruneOff", [](ui::NibLoader& nib) {
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        auto top = sl::label(nib, {110, 360, 630, 72}, 15);
        auto proximity = sl::label(nib, {110, 282, 380, 24}, 15, true, ui::TextAlignment::Left);
        auto proximityButton = sl::actionButton(nib, {520, 274, 220, 40});
        auto wifi = sl::label(nib, {110, 212, 380, 24}, 15, true, ui::TextAlignment::Left);
        auto wifiButton = sl::actionButton(nib, {520, 204, 220, 40});
        auto footer = sl::label(nib, {110, 90, 630, 50}, 13);
        sl::addAll(*page, {title, top, proximity, proximityButton, wifi, wifiButton, footer, sl::separator(nib)});
        auto owner = nib.owner<MacSleepScreenTurnKestruneOff>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->topLabel = top;
        owner->kestruneLabel = proximity;
        owner->kestruneButton = proximityButton;
        owner->safeWifilabel = wifi;
        owner->safeWifiButton = wifiButton;
        owner->footerLabel = footer;
        sl::bind<MacSleepScreenTurnKestruneOff>(*proximityButton, owner,
                                                &MacSleepScreenTurnKestruneOff::kestruneOffToggled);
        sl::bind<MacSleepScreenTurnKestruneOff>(*wifiButton, owner,
                                                &MacSleepScreenTurnKestruneOff::safeWifiOffToggled);
    });

extern const ui::NibRegistry::Registration kMacSleepScreenTutorialStepViewControllerLayout;
const ui::NibRegistry::Registration kMacSleepScreenTutorialStepViewControllerLayout(
    "MacSleepScreenTutorialStepViewController", [](ui::NibLoader& nib) {
        using Page = MacSleepScreenTutorialStepViewController;
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        auto top = sl::label(nib, {110, 404, 630, 40}, 15);
        auto top2 = sl::label(nib, {110, 372, 630, 24}, 15, true);
        auto yesNo = radio(nib, {260, 330, 22, 22}, Page::kYesNo);
        auto yesNoText = sl::label(nib, {292, 330, 400, 22}, 15, false, ui::TextAlignment::Left);
        auto touchId = radio(nib, {260, 296, 22, 22}, Page::kTouchId);
        auto touchIdText = sl::label(nib, {292, 296, 400, 22}, 15, false, ui::TextAlignment::Left);
        auto knock = radio(nib, {260, 262, 22, 22}, Page::kDoubleKnock);
        auto knockText = sl::label(nib, {292, 262, 400, 22}, 15, false, ui::TextAlignment::Left);
        auto knockNote = sl::label(nib, {292, 240, 400, 20}, 11, false, ui::TextAlignment::Left);
        auto bottom = sl::label(nib, {110, 150, 630, 50}, 15);
        auto footer = sl::label(nib, {110, 122, 630, 22}, 13);
        auto sleep = sl::actionButton(nib, {325, 60, 200, 40});
        sl::addAll(*page, {title, top, top2, yesNo, yesNoText, touchId, touchIdText, knock, knockText, knockNote,
                       bottom, footer, sleep, sl::separator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->topLabel = top;
        owner->topLabel2 = top2;
        owner->radioYesNo = yesNo;
        owner->labelYesNo = yesNoText;
        owner->radioTouchId = touchId;
        owner->labelTouchId = touchIdText;
        owner->radioKnockKnock = knock;
        owner->labelKnock = knockText;
        owner->doubleKnockDescriptionLabel = knockNote;
        owner->bottomLabel = bottom;
        owner->footerLabel = footer;
        owner->sleepButton = sleep;
        for (const auto& button : {yesNo, touchId, knock})
            sl::bind<Page>(*button, owner, &Page::radioButtonToggled);
        sl::bind<Page>(*sleep, owner, &Page::sleepMacToggled);
    });

std::optional<std::string> MacSleepScreenFirstViewController::nibName() const {
    return kMacSleepScreenFirstViewControllerLayout.name;
}
std::optional<std::string> MacSleepScreenTurnKestruneOff::nibName() const {
    return kMacSleepScreenTurnKestruneOffLayout.name;
}
std::optional<std::string> MacSleepScreenTutorialStepViewController::nibName() const {
    return kMacSleepScreenTutorialStepViewControllerLayout.name;
}

}  // namespace kestrune
