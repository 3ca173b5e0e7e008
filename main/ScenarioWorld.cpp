#include "main/ScenarioWorld.h"

#include "app/store/DataManager.h"
#include "engine/coordinator/StateMachine.h"
#include "features/wifi/SafeWifiManager.h"
#include "link/requests/RequestController.h"
#include "link/transport/RecoveryManager.h"
#include "platform/base/Clock.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/PhoneApplication.h"
#include "platform/sim/keyboard/SimulatedHotKeys.h"
#include "platform/sim/music/SimulatedMusicPlayers.h"
#include "platform/sim/pasteboard/SimulatedPasteboard.h"
#include "platform/sim/radio/Radio.h"
#include "platform/sim/session/SimulatedDesktop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/sim/wifi/SimulatedWifi.h"
#include "platform/system/ProcessInfo.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/ViewController.h"
#include "platform/ui/Window.h"
#include "windows/screens/TutorialFactory.h"

namespace kestrune {

namespace {

// The application's tutorial factory, its wizards and tutorials real; the world's user at the Mac is told
// when the pairing wizard shows a phone that asks to pair, and answers it as a click would.
class ScenarioTutorials : public TutorialFactory {
public:
    explicit ScenarioTutorials(std::function<void()> asked) : asked_(std::move(asked)) {}
    void updatePairingWizzard() override {
        TutorialFactory::updatePairingWizzard();
        if (DataManager::shared().pairingMobileDevice()) asked_();
    }

private:
    std::function<void()> asked_;
};

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
    std::weak_ptr<ScenarioWorld> weak = weak_from_this();
    auto tutorials = std::make_shared<ScenarioTutorials>([weak] {
        if (auto self = weak.lock()) self->newPhoneWindowShown();
    });
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
    return changes;
}

void ScenarioWorld::attach(std::weak_ptr<StateMachine> stateMachine) {
    stateMachine_ = std::move(stateMachine);
}

std::string ScenarioWorld::user() const {
    return platform::ProcessInfo::shared().userName();
}

void ScenarioWorld::openPairingWizard() {
    RecoveryManager::shared().startRecoveryMode();
}

void ScenarioWorld::answerPairingWith(bool accept, double afterSeconds) {
    accept_ = accept;
    answerAfter_ = afterSeconds;
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

bool ScenarioWorld::trustCurrentWifiNetwork() {
    auto& manager = SafeWifiManager::shared();
    auto current = manager.generateCurrentConnectedWifiEntry();
    if (!current) return false;
    manager.addSafeWifiEntry(current);
    manager.setSafeWifiTurnedOn(true);
    manager.saveWifiEntries();
    return true;
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

void ScenarioWorld::newPhoneWindowShown() {
    askedToAcceptPhone_ = true;
    std::weak_ptr<ScenarioWorld> weak = weak_from_this();
    platform::RunLoop::main().performAfterDelay(answerAfter_, [weak] {
        auto self = weak.lock();
        if (!self) return;
        auto machine = self->stateMachine_.lock();
        auto phone = DataManager::shared().pairingMobileDevice();
        if (!machine || !phone) return;
        if (self->onAct)
            self->onAct("you", self->accept_ ? "accept the new phone in the pairing window"
                                             : "refuse the new phone in the pairing window");
        machine->wizzardViewController_didAcceptConnection_forMobileDevice(nullptr, self->accept_, phone);
    });
}

bool ScenarioWorld::paired() const {
    return DataManager::shared().getTrackingMobileDevice() != nullptr;
}

bool ScenarioWorld::sessionLocked() const {
    return session_->isLocked();
}

}  // namespace kestrune
