#include "engine/session/KeyboardPressSimulator.h"

#include <cstdio>
#include <cstring>

#include "app/shell/ThreadHelpers.h"
#include "engine/evidence/CommandLine.h"
#include "engine/evidence/VersionSwitch.h"
#include "engine/session/LockMacController.h"
#include "platform/base/Strings.h"
#include "platform/system/KeyboardEvents.h"
#include "platform/system/ThreadPause.h"
#include "platform/system/WindowServer.h"

namespace kestrune {

namespace {

constexpr uint16_t kKeyA = 0;
constexpr uint16_t kKeyQ = 12;
constexpr uint16_t kKeyDelete = 51;
constexpr uint16_t kKeyEnter = 52;
constexpr uint16_t kKeyEscape = 53;

}  // namespace

void KeyboardPressSimulator::execute_flag(uint16_t keyCode, uint64_t flags) {
    auto keyboard = platform::KeyboardEvents::current();
    keyboard->postKeyEvent(platform::KeyEvent{keyCode, flags, true, {}});
    keyboard->postKeyEvent(platform::KeyEvent{keyCode, flags, false, {}});
}

void KeyboardPressSimulator::executeChar(char16_t unit) {
    auto keyboard = platform::KeyboardEvents::current();
    keyboard->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, unit)});
    keyboard->postKeyEvent(platform::KeyEvent{0, 0, false, std::u16string(1, unit)});
}

void KeyboardPressSimulator::simulateSelectAll() {
    execute_flag(kKeyA, kFlagCommand);
}

void KeyboardPressSimulator::simulateDelete() {
    execute_flag(kKeyDelete, 0);
}

void KeyboardPressSimulator::simulateEnter() {
    execute_flag(kKeyEnter, 0);
}

void KeyboardPressSimulator::simulateEscape() {
    execute_flag(kKeyEscape, 0);
}

void KeyboardPressSimulator::executeSleepCommandForHighSierraOrHigher() {
    execute_flag(kKeyQ, kFlagControlCommand);
}

void KeyboardPressSimulator::hideScreensaver() {
    simulateEscape();
}

void KeyboardPressSimulator::simulateDeleteAll() {
    simulateSelectAll();
    platform::sleepForTimeInterval(0.1);
    simulateDelete();
    platform::sleepForTimeInterval(0.1);
}

void KeyboardPressSimulator::simulatePressString_shouldContinueWithEntry_withCompletion(
    const std::string& text, std::function<bool()> shouldContinue,
    std::function<void(bool finished, size_t index)> completion) {
    // One closure types every unit in turn, as one piece of work of the main queue.
    runOnMainQueueAsync([units = platform::toUTF16(text), shouldContinue = std::move(shouldContinue),
                         completion = std::move(completion)] {
        const bool paced = systemIsBelow("10.13");
        for (size_t index = 0; index < units.size(); ++index) {
            if (shouldContinue && !shouldContinue()) {
                if (completion) completion(false, index);
                return;
            }
            if (paced) platform::sleepForTimeInterval(0.02);
            executeChar(units[index]);
        }
        if (completion) completion(true, 0);
    });
}

void KeyboardPressSimulator::putComputerToSleep() {
    runOnMainThreadSync([] { LockMacController::lockScreen(); });
}

void KeyboardPressSimulator::turnOffDisplay() {
    CommandLine::putComputerToSleep();
}

void KeyboardPressSimulator::wakeComputerFromSleep() {
    runOnMainThreadSync([] { wakeComputerFromSleepMainThread(); });
}

void KeyboardPressSimulator::wakeComputerFromSleepMainThread() {
    platform::WindowServer::current()->setDisplayIdleRequest(false);
}

int keyCodeForKeyString(const char* keyString) {
    static const struct {
        const char* name;
        int code;
    } kKeys[] = {
        {"a", 0},      {"s", 1},      {"d", 2},       {"f", 3},      {"h", 4},       {"g", 5},
        {"z", 6},      {"x", 7},      {"c", 8},       {"v", 9},      {"b", 11},      {"q", 12},
        {"w", 13},     {"e", 14},     {"r", 15},      {"y", 16},     {"t", 17},      {"1", 18},
        {"2", 19},     {"3", 20},     {"4", 21},      {"6", 22},     {"5", 23},      {"=", 24},
        {"9", 25},     {"7", 26},     {"-", 27},      {"8", 28},     {"0", 29},      {"]", 30},
        {"o", 31},     {"u", 32},     {"[", 33},      {"i", 34},     {"p", 35},      {"RETURN", 36},
        {"l", 37},     {"j", 38},     {"'", 39},      {"k", 40},     {";", 41},      {"\\", 42},
        {",", 43},     {"/", 44},     {"n", 45},      {"m", 46},     {".", 47},      {"TAB", 48},
        {"SPACE", 49}, {"`", 50},     {"DELETE", 51}, {"ENTER", 52}, {"ESCAPE", 53}, {"*", 67},
        {"+", 69},     {"CLEAR", 71}, {"F5", 96},     {"F6", 97},    {"F7", 98},     {"F3", 99},
        {"F8", 100},   {"F9", 101},   {"F11", 103},   {"F13", 105},  {"F14", 107},   {"F10", 109},
        {"F12", 111},  {"F15", 113},  {"HELP", 114},  {"HOME", 115}, {"PGUP", 116},  {"F4", 118},
        {"END", 119},  {"F2", 120},   {"PGDN", 121},  {"F1", 122},   {"LEFT", 123},  {"RIGHT", 124},
        {"DOWN", 125}, {"UP", 126},
    };
    if (keyString) {
        for (const auto& key : kKeys)
            if (std::strcmp(key.name, keyString) == 0) return key.code;
    }
    std::fprintf(stderr, "keyString %s Not Found. Aborting...\n", keyString ? keyString : "(null)");
    return 0;
}

}  // namespace kestrune
