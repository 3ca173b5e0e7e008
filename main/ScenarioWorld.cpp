#include "main/ScenarioWorld.h"

#include <algorithm>

#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/base/UnicodeClasses.h"
#include "platform/sim/PhoneApplication.h"
#include "platform/sim/keyboard/SimulatedHotKeys.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/pasteboard/SimulatedPasteboard.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/system/ProcessInfo.h"
#include "platform/ui/Button.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "windows/screens/TutorialFactory.h"
#include "windows/wizard/InitalWizzardController.h"

namespace kestrune {

namespace {

// Texts compared as read: a flat button draws its title in capitals ("AÑADIR", "ДОБАВИТЬ"), in whatever
// script the interface's language writes.
std::string folded(const std::string& text) {
    return platform::caseFoldedString(text);
}

// What a view shows to read and click: a button's title, a label's text.
std::optional<std::string> shownText(const platform::ui::View& view) {
    if (auto button = dynamic_cast<const platform::ui::Button*>(&view)) return button->title();
    if (auto field = dynamic_cast<const platform::ui::TextField*>(&view)) return field->stringValue();
    return std::nullopt;
}

// The views showing the text under the view, depth first; titles are compared as read, whatever their case.
void collect(const std::shared_ptr<platform::ui::View>& view, const std::string& text,
             std::vector<std::shared_ptr<platform::ui::View>>& found) {
    if (!view || view->isHidden() || view->alphaValue() <= 0) return;
    if (auto shown = shownText(*view); shown && folded(*shown) == text) found.push_back(view);
    for (const auto& sub : view->subviews()) collect(sub, text, found);
}

}  // namespace

std::shared_ptr<ScenarioWorld> ScenarioWorld::create(std::shared_ptr<platform::Radio> radio,
                                                     std::shared_ptr<platform::SimulatedSession> session,
                                                     FeatureDevices devices) {
    std::shared_ptr<ScenarioWorld> world(
        new ScenarioWorld(std::move(radio), std::move(session), std::move(devices)));
    // An alert that asks (the crash kit's send prompt) is answered as the user at the Mac would: with
    // its default button, said on the timeline.
    if (auto desktop = world->session_->desktop()) {
        std::weak_ptr<ScenarioWorld> weak = world;
        desktop->setAlertAnswerer([weak](const std::string& message,
                                         const std::vector<std::string>& buttons) -> std::optional<size_t> {
            auto self = weak.lock();
            if (!self || buttons.empty()) return std::nullopt;
            if (self->onAct) self->onAct("you", "answer the alert \"" + message + "\" with " + buttons[0]);
            return 0;
        });
    }
    return world;
}

ScenarioWorld::~ScenarioWorld() {
    if (workTimer_) workTimer_->invalidate();
}

ScenarioWorld::ScenarioWorld(std::shared_ptr<platform::Radio> radio,
                             std::shared_ptr<platform::SimulatedSession> session, FeatureDevices devices)
    : radio_(std::move(radio)), session_(std::move(session)), devices_(std::move(devices)) {
    if (!devices_.wifi) devices_.wifi = platform::SimulatedWifi::create();
    if (!devices_.players) devices_.players = platform::SimulatedMusicPlayers::createWithTheFourPlayers();
    platform::PhoneApplication::Configuration configuration;
    // The phone application's copy of the key, as shipped with it.
    configuration.passwordKey = DataManager::kPasswordKey;
    phone_ = std::make_unique<platform::PhoneApplication>(radio_, configuration);
}

std::shared_ptr<TutorialScreens> ScenarioWorld::tutorialScreens() {
    auto tutorials = std::make_shared<TutorialFactory>();
    tutorials_ = tutorials;
    return tutorials;
}

std::vector<std::string> ScenarioWorld::readScreenChanges() {
    std::vector<std::string> changes;
    auto tutorials = tutorials_.lock();
    if (!tutorials) return changes;
    // What the user would see of the pairing wizard and the proximity tutorial: the page each shows.
    static const char* const kWizardPages[] = {"its first page, looking for phones that ask to pair",
                                               "the page that asks you to accept the phone",
                                               "the page that sets the phone up"};
    static const char* const kTutorialPages[] = {
        "its page that connects the phone", "its set-up page", "its page that asks you to walk away",
        "its page that celebrates the lock and unlock", "its last page"};
    auto follow = [&changes](const auto& screen, int64_t& shown, const char* name, const auto& pages) {
        if (!screen) return;
        const int64_t page = screen->pageIndex();
        if (page == shown) return;
        shown = page;
        const bool known = page >= 0 && page < static_cast<int64_t>(std::size(pages));
        changes.push_back(std::string(name) + " shows " +
                          (known ? std::string(pages[page]) : "page " + std::to_string(page)));
    };
    follow(tutorials->wizzardViewController(), wizardPageShown_, "the pairing wizard", kWizardPages);
    follow(tutorials->initialTutorialController(), tutorialPageShown_, "the proximity tutorial",
           kTutorialPages);
    static const char* const kAccessibilityPages[] = {
        "its first page", "its page that opens Security & Privacy", "its page that says it is done"};
    follow(tutorials->accessibilityPreferenceViewController(), accessibilityPageShown_,
           "the Accessibility wizard", kAccessibilityPages);
    return changes;
}

std::string ScenarioWorld::user() const {
    return platform::ProcessInfo::shared().userName();
}

std::shared_ptr<platform::ui::View> ScenarioWorld::findOnScreen(const std::string& text) const {
    auto window = settingsWindow_.lock();
    if (!window || !window->isVisible() || !window->contentView()) return nullptr;
    std::vector<std::shared_ptr<platform::ui::View>> found;
    collect(window->contentView(), folded(text), found);
    auto& content = *window->contentView();
    for (const auto& view : found) {
        // Only what a click at its middle reaches: not a page scrolled away, nor one under another.
        const auto middle =
            view->convertPoint_toView({view->bounds().midX(), view->bounds().midY()}, nullptr);
        const platform::ui::View* hit = content.hitTest(middle);
        if (hit && (hit == view.get() || hit->isDescendantOf(view.get()))) return view;
    }
    return nullptr;
}

bool ScenarioWorld::sees(const std::string& text) const {
    return findOnScreen(text) != nullptr;
}

bool ScenarioWorld::click(const std::string& text) {
    auto view = findOnScreen(text);
    auto window = view ? view->window() : nullptr;
    if (!window) return false;
    session_->userInput();
    const auto middle = view->convertPoint_toView({view->bounds().midX(), view->bounds().midY()}, nullptr);
    for (auto type : {platform::ui::EventType::LeftMouseDown, platform::ui::EventType::LeftMouseUp})
        window->sendEvent(platform::ui::Event::mouseEvent(type, middle, window));
    return true;
}

bool ScenarioWorld::openPairingWizard() {
    return click(localizable("add_new_device_action"));
}

bool ScenarioWorld::pairingWizardShows(int64_t page) const {
    auto tutorials = tutorials_.lock();
    auto wizard = tutorials ? tutorials->wizzardViewController() : nullptr;
    if (!wizard || wizard->pageIndex() != page) return false;
    auto shown = wizard->controllerAtPageIndex(page);
    return shown && shown->isVisible();
}

bool ScenarioWorld::pairingWizardAsksToAccept() const {
    return pairingWizardShows(InitalWizzardController::kAcceptPage) && sees(localizable("accept")) &&
           sees(localizable("deny"));
}

bool ScenarioWorld::pairingWizardAwaitsThePhone() const {
    return pairingWizardShows(InitalWizzardController::kConfigurePage);
}

bool ScenarioWorld::answerPairingRequest(bool accept) {
    if (!pairingWizardAsksToAccept()) return false;
    return click(localizable(accept ? "accept" : "deny"));
}

void ScenarioWorld::userInput() {
    session_->userInput();
}

void ScenarioWorld::typeAtLockScreen(const std::string& text) {
    constexpr uint16_t kKeyReturn = 36;
    // A touch of the mouse wakes the displays and brings up the password field.
    session_->wakeDisplays();
    session_->userInput();
    const size_t first = session_->keyLog().size();
    for (char ch : text) session_->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
    session_->postKeyEvent(platform::KeyEvent{kKeyReturn, 0, true, {}});
    peoplesKeys_.emplace_back(first, session_->keyLog().size());
}

void ScenarioWorld::lockWithKeyboard() {
    constexpr uint16_t kKeyQ = 12;
    session_->userInput();
    const size_t first = session_->keyLog().size();
    session_->postKeyEvent(platform::KeyEvent{
        kKeyQ, platform::kEventFlagMaskControl | platform::kEventFlagMaskCommand, true, {}});
    peoplesKeys_.emplace_back(first, session_->keyLog().size());
}

bool ScenarioWorld::pressShortcut(uint16_t keyCode, uint32_t modifiers) {
    auto keys = std::dynamic_pointer_cast<platform::SimulatedHotKeys>(platform::HotKeyRegistry::current());
    if (!keys) return false;
    session_->userInput();
    keys->press(keyCode, modifiers);
    return keys->release(keyCode, modifiers);
}

bool ScenarioWorld::shortcutRegistered(uint16_t keyCode, uint32_t modifiers) const {
    auto keys = std::dynamic_pointer_cast<platform::SimulatedHotKeys>(platform::HotKeyRegistry::current());
    return keys && keys->isRegistered(keyCode, modifiers);
}

void ScenarioWorld::clickMenuBarIcon() {
    session_->userInput();
    const auto& items = platform::ui::StatusBar::systemStatusBar().statusItems();
    if (items.empty()) return;
    auto window = items.front()->window();
    if (!window) return;
    const platform::ui::Point middle{window->frame().width() * 0.5, window->frame().height() * 0.5};
    for (auto type : {platform::ui::EventType::LeftMouseDown, platform::ui::EventType::LeftMouseUp})
        window->sendEvent(platform::ui::Event::mouseEvent(type, middle, window));
}

void ScenarioWorld::closeSettingsWindow() {
    session_->userInput();
    if (auto window = settingsWindow_.lock(); window && window->isVisible()) window->performClose(nullptr);
}

void ScenarioWorld::switchToApplication(const std::string& name) {
    session_->userInput();
    session_->setFrontApplication(name);
}

void ScenarioWorld::closeLid() {
    session_->closeLid();
    // With its displays in the lid, a closed Mac sleeps; one driving an external display goes on.
    const auto displays = session_->displays();
    const bool external =
        std::any_of(displays.begin(), displays.end(), [](const auto& display) { return !display.builtin; });
    if (!external) session_->sleepSystem();
}

void ScenarioWorld::openLid() {
    session_->wakeSystem();
    session_->openLid();
    session_->userInput();
}

void ScenarioWorld::copyOnMac(const std::string& text) {
    session_->userInput();
    if (devices_.pasteboard) devices_.pasteboard->copyText(text);
}

std::optional<std::string> ScenarioWorld::macClipboardText() const {
    if (!devices_.pasteboard) return std::nullopt;
    return devices_.pasteboard->dataForType(platform::kPasteboardTypeString);
}

bool ScenarioWorld::typedByPerson(size_t keyIndex) const {
    for (const auto& [first, end] : peoplesKeys_)
        if (keyIndex >= first && keyIndex < end) return true;
    return false;
}

void ScenarioWorld::keepWorking(double seconds) {
    workUntil_ = platform::Clock::now() + seconds;
    userInput();
    if (workTimer_ && workTimer_->isValid()) return;
    std::weak_ptr<ScenarioWorld> weak = weak_from_this();
    workTimer_ = platform::Timer::scheduledTimer(1.0, true, [weak](platform::Timer& timer) {
        auto self = weak.lock();
        if (!self || platform::Clock::now() >= self->workUntil_) {
            timer.invalidate();
            return;
        }
        self->userInput();
    });
}

bool ScenarioWorld::paired() const {
    return DataManager::shared().getTrackingMobileDevice() != nullptr;
}

bool ScenarioWorld::sessionLocked() const {
    return session_->isLocked();
}

}  // namespace kestrune
