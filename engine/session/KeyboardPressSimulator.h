#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace kestrune {

// Every synthetic key press of the engine: single keys with modifiers, text one UTF-16 unit at a time, a
// paced password, and the display and lock actions that travel with them.
class KeyboardPressSimulator {
public:
    static constexpr uint64_t kFlagCommand = 0x100000;
    static constexpr uint64_t kFlagControlCommand = 0x140000;

    static void execute_flag(uint16_t keyCode, uint64_t flags);
    static void executeChar(char16_t unit);
    static void simulateSelectAll();
    static void simulateDelete();
    static void simulateEnter();
    static void simulateEscape();
    static void executeSleepCommandForHighSierraOrHigher();
    static void hideScreensaver();
    // Select-all, 0.1 s, delete, 0.1 s: pauses of the calling thread.
    static void simulateDeleteAll();
    // Types the text on the main queue, asking before each UTF-16 unit whether to go on; the completion
    // gets whether every unit went out and, when not, the index of the first unit not typed.
    static void simulatePressString_shouldContinueWithEntry_withCompletion(
        const std::string& text, std::function<bool()> shouldContinue,
        std::function<void(bool finished, size_t index)> completion);
    static void putComputerToSleep();
    static void turnOffDisplay();
    static void wakeComputerFromSleep();
    static void wakeComputerFromSleepMainThread();
};

// The virtual key code of a key name ("a", "RETURN", "F5", ...); an unknown name prints a line on
// standard error and answers 0.
int keyCodeForKeyString(const char* keyString);

}  // namespace kestrune
