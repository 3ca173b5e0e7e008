// The global shortcuts: registration as the settings say, one registration per combination, the
// shortcut acting on release, the key glyphs and the recorder field.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/records/DeviceLocalSettings.h"
#include "features/hotkeys/DDHotKeyCenter.h"
#include "features/hotkeys/DDHotKeyTextField.h"
#include "features/hotkeys/DDHotKeyTextFieldCell.h"
#include "features/hotkeys/DDHotKeyTextFieldEditor.h"
#include "features/hotkeys/DDHotKeyUtilities.h"
#include "features/hotkeys/ShortCutManager.h"
#include "platform/sim/keyboard/SimulatedHotKeys.h"
#include "platform/ui/Application.h"
#include "platform/ui/EventMonitor.h"
#include "tests/support/ui/Fixture.h"

namespace {

using kestrune::DDHotKey;
using kestrune::DDHotKeyCenter;
using kestrune::DeviceLocalSettings;
using kestrune::ShortCutManager;
using platform::HotKeyRegistry;
namespace ui = platform::ui;

constexpr uint32_t kControlCommand = HotKeyRegistry::kControl | HotKeyRegistry::kCommand;

struct Listener : kestrune::ShortCutManagerDelegate {
    std::vector<int64_t> options;
    void shortCutManager_didSelectOption(ShortCutManager&, int64_t option) override {
        options.push_back(option);
    }
};

class HotKeysTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        ui::test::Fixture::SetUp();
        registry = platform::SimulatedHotKeys::create();
        HotKeyRegistry::install(registry);
        listener = std::make_shared<Listener>();
        ShortCutManager::shared()->delegate = listener;
    }
    void TearDown() override {
        ShortCutManager::resetForTesting();
        DDHotKeyCenter::resetForTesting();
        HotKeyRegistry::install(nullptr);
        ui::test::Fixture::TearDown();
    }
    std::shared_ptr<platform::SimulatedHotKeys> registry;
    std::shared_ptr<Listener> listener;
};

TEST_F(HotKeysTest, TheSettingsDecideWhichShortcutsAreRegisteredAndTwiceOnIsOnce) {
    auto& settings = DeviceLocalSettings::shared();
    auto manager = ShortCutManager::shared();
    settings.setEnableKestruneShortCutsLock(true);
    settings.setEnableKestruneShortCutsSendClipboard(true);
    manager->updateShortcutsEnabled();
    manager->updateShortcutsEnabled();
    EXPECT_TRUE(registry->isRegistered(37, kControlCommand));
    EXPECT_TRUE(registry->isRegistered(9, kControlCommand));
    EXPECT_EQ(registry->registrationCount(), 2u);
    EXPECT_EQ(DDHotKeyCenter::sharedHotKeyCenter().registeredHotKeys().size(), 2u);

    settings.setEnableKestruneShortCutsLock(false);
    manager->updateShortcutsEnabled();
    EXPECT_FALSE(registry->isRegistered(37, kControlCommand)) << "switched off, unregistered at once";
    EXPECT_FALSE(manager->lockShortcut());
    EXPECT_TRUE(manager->clipboardShortcut());
    EXPECT_FALSE(registry->release(37, kControlCommand));
    settings.setEnableKestruneShortCutsSendClipboard(false);
    manager->updateShortcutsEnabled();
    EXPECT_EQ(registry->registrationCount(), 0u);
}

TEST_F(HotKeysTest, ACombinationIsRegisteredOnceAndARefusedOneIsNotHeld) {
    auto& center = DDHotKeyCenter::sharedHotKeyCenter();
    auto first = center.registerHotKeyWithKeyCode_modifierFlags_task(40, 0x140000, nullptr);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->hotKeyID, 1u);
    EXPECT_FALSE(center.registerHotKeyWithKeyCode_modifierFlags_task(40, 0x140000, nullptr));
    auto equal = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(40, 0x140000, nullptr);
    EXPECT_EQ(center.registerHotKey(equal), equal);
    EXPECT_FALSE(equal->hotKeyRef) << "an equal one comes back unregistered";
    EXPECT_EQ(center.registeredHotKeys().size(), 1u);
    EXPECT_EQ(center.nextHotKeyID(), 2u);

    // Another application holds Control+Command+L: not held, the setting stays on, the keys do nothing.
    registry->refuse(37, kControlCommand);
    DeviceLocalSettings::shared().setEnableKestruneShortCutsLock(true);
    ShortCutManager::shared()->updateShortcutsEnabled();
    EXPECT_FALSE(ShortCutManager::shared()->lockShortcut());
    EXPECT_TRUE(DeviceLocalSettings::shared().enableKestruneShortCutsLock());
    EXPECT_TRUE(logged("was not registered"));
    EXPECT_FALSE(registry->release(37, kControlCommand));
}

TEST_F(HotKeysTest, AShortcutActsWhenReleasedNotWhenPressed) {
    DeviceLocalSettings::shared().setEnableKestruneShortCutsLock(true);
    DeviceLocalSettings::shared().setEnableKestruneShortCutsSendClipboard(true);
    ShortCutManager::shared()->updateShortcutsEnabled();
    registry->press(9, kControlCommand);
    settle();
    EXPECT_TRUE(listener->options.empty());
    EXPECT_TRUE(registry->release(9, kControlCommand));
    EXPECT_TRUE(listener->options.empty()) << "delivered on the main run loop";
    settle();
    EXPECT_EQ(listener->options, std::vector<int64_t>{0});
    registry->press(37, kControlCommand);
    registry->release(37, kControlCommand);
    settle();
    EXPECT_EQ(listener->options, (std::vector<int64_t>{0, 1}));
    // A tag the manager does not know is ignored.
    ShortCutManager::shared()->hotkeyWithEvent_object(ui::Event{}, platform::Value("kSomethingElse"));
    EXPECT_EQ(listener->options.size(), 2u);
}

TEST_F(HotKeysTest, AReleaseNobodyHoldsRunsNothingAndSeveralLogAnError) {
    auto& center = DDHotKeyCenter::sharedHotKeyCenter();
    int ran = 0;
    auto hotKey = center.registerHotKeyWithKeyCode_modifierFlags_task(2, 0x100000, [&](const ui::Event& e) {
        ++ran;
        EXPECT_EQ(e.type, ui::EventType::KeyUp);
        EXPECT_EQ(e.keyCode, 2);
    });
    ASSERT_TRUE(hotKey);
    center.hotKeyReleased({{DDHotKeyCenter::kSignature, 99}, 0, 0, 0, 0});
    center.hotKeyReleased({{0x61626364, hotKey->hotKeyID}, 0, 0, 0, 0});
    EXPECT_EQ(ran, 0);
    center.hotKeyReleased({{DDHotKeyCenter::kSignature, hotKey->hotKeyID}, 0, 0, 0, 0});
    EXPECT_EQ(ran, 1);
    auto twin = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(3, 0x100000, nullptr);
    center.registerHotKey(twin);
    twin->hotKeyID = hotKey->hotKeyID;
    center.hotKeyReleased({{DDHotKeyCenter::kSignature, hotKey->hotKeyID}, 0, 0, 0, 0});
    EXPECT_TRUE(logged("ERROR!"));
}

TEST_F(HotKeysTest, TheCentreShutsDownExplicitlyAndHotKeysGoingAfterwardsTouchNothing) {
    auto hotKey = DDHotKeyCenter::sharedHotKeyCenter().registerHotKeyWithKeyCode_modifierFlags_task(
        4, 0x40000, nullptr);
    ASSERT_TRUE(hotKey);
    DDHotKeyCenter::shutdownShared();
    EXPECT_EQ(registry->registrationCount(), 0u);
    EXPECT_FALSE(hotKey->hotKeyRef);
    EXPECT_FALSE(registry->release(4, HotKeyRegistry::kControl)) << "the handler is gone";
    auto late = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(5, 0x40000, nullptr);
    EXPECT_EQ(DDHotKeyCenter::sharedHotKeyCenter().registerHotKey(late), late);
    EXPECT_FALSE(late->hotKeyRef) << "nothing registers into a centre that has shut down";
}

TEST_F(HotKeysTest, GlyphsComeInControlOptionShiftCommandOrder) {
    const uint64_t all =
        ui::kControlKeyMask | ui::kAlternateKeyMask | ui::kShiftKeyMask | ui::kCommandKeyMask;
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(53, all), "⌃⌥⇧⌘⎋");
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(122, 0), "F1");
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(59, ui::kControlKeyMask), "⌃")
        << "a modifier key adds nothing";
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(37, 0x140000), "⌃⌘l");
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(37, ui::kShiftKeyMask), "⇧L");
    EXPECT_EQ(kestrune::hotKeyStringForKeyCode(110, ui::kCommandKeyMask), "⌘") << "nothing the layout types";
    auto hotKey = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(37, 0x140000, nullptr);
    EXPECT_NE(
        hotKey->description().find("(key: 37\n\tflags: (NSControlKeyMask | NSCommandKeyMask)\n\tinvokes: "
                                   "(block))"),
        std::string::npos)
        << hotKey->description();
    EXPECT_EQ(hotKey->hash(), 0x140000u ^ 37u);
}

TEST_F(HotKeysTest, TheRecorderShowsHeldModifiersRecordsTheCombinationAndEscapeRestores) {
    auto w = window({100, 100, 300, 100});
    auto field = kestrune::DDHotKeyTextField::create({10, 10, 200, 24});
    w->contentView()->addSubview(field);
    auto original = DDHotKey::hotKeyWithKeyCode_modifierFlags_task(37, 0x140000, nullptr);
    field->setHotKey(original);
    EXPECT_EQ(field->ui::TextField::stringValue(), "⌃⌘L");
    int actions = 0;
    field->setTarget(field);
    field->setAction([&](const std::shared_ptr<ui::UIObject>&, ui::Control&) { ++actions; });
    auto editor = field->cell().fieldEditorForView(*field);
    ASSERT_EQ(editor, kestrune::DDHotKeyTextFieldEditor::sharedEditor());
    EXPECT_EQ(editor->insertionPointColor(), editor->backgroundColor());
    auto plain = ui::TextField::create();
    EXPECT_EQ(field->cell().fieldEditorForView(*plain), ui::FieldEditor::defaultFieldEditor());
    w->contentView()->addSubview(editor);
    ASSERT_TRUE(w->makeFirstResponder(editor));
    auto send = [&](ui::EventType type, uint16_t keyCode, uint64_t flags, std::string chars = "") {
        ui::Application::shared().sendEvent(ui::Event::keyEvent(type, keyCode, chars, w, flags));
    };
    send(ui::EventType::FlagsChanged, 59, ui::kControlKeyMask);
    EXPECT_EQ(editor->string(), "⌃");
    send(ui::EventType::FlagsChanged, 58, ui::kControlKeyMask | ui::kAlternateKeyMask);
    EXPECT_EQ(editor->string(), "⌃⌥");
    send(ui::EventType::KeyDown, 40, ui::kControlKeyMask | ui::kAlternateKeyMask, "k");
    EXPECT_EQ(editor->string(), "⌃⌥K");
    ASSERT_TRUE(field->hotKey());
    EXPECT_EQ(field->hotKey()->keyCode, 40);
    EXPECT_EQ(field->hotKey()->modifierFlags, ui::kControlKeyMask | ui::kAlternateKeyMask);
    // Modifiers after a key went down record nothing more; a plain key is ignored.
    send(ui::EventType::FlagsChanged, 56, ui::kShiftKeyMask);
    send(ui::EventType::KeyDown, 0, 0, "a");
    EXPECT_EQ(field->hotKey()->keyCode, 40);
    EXPECT_EQ(actions, 3);
    send(ui::EventType::KeyDown, ui::kKeyCodeEscape, 0);
    EXPECT_EQ(field->hotKey(), original);
    EXPECT_EQ(editor->string(), "⌃⌘L");
    EXPECT_EQ(actions, 4);
    EXPECT_NE(w->firstResponder(), editor) << "editing ended";
    EXPECT_EQ(ui::EventMonitor::monitorCount(), 0u);
    // The text setters of a plain field still work, with a word about the hot key.
    field->setStringValue("text");
    EXPECT_TRUE(logged("-[DDHotKeyTextField setStringValue:] is not what you want."));
}

TEST_F(HotKeysTest, DrawingAndSizingTheRecorderLogNothing) {
    auto w = window({100, 100, 300, 100});
    auto field = kestrune::DDHotKeyTextField::create({10, 10, 200, 24});
    w->contentView()->addSubview(field);
    field->setHotKey(DDHotKey::hotKeyWithKeyCode_modifierFlags_task(37, 0x140000, nullptr));
    const auto before = logLines().size();
    const auto& lines = drawing(*field);
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("⌃⌘L") != std::string::npos;
    })) << "the combination is what is drawn";
    field->sizeToFit();
    EXPECT_GT(field->frame().width(), 0);
    EXPECT_EQ(logLines().size(), before) << logLines().back();
    // The accessor itself still warns whoever calls it.
    EXPECT_EQ(field->stringValue(), "⌃⌘L");
    EXPECT_TRUE(logged("-[DDHotKeyTextField stringValue] is not what you want."));
}

}  // namespace
