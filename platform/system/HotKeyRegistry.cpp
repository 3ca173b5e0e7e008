#include "platform/system/HotKeyRegistry.h"

#include <array>

#include "platform/base/BackendSlot.h"

namespace platform {

namespace {

class NoHotKeys : public HotKeyRegistry {
public:
    std::variant<Registration, Error> registerEventHotKey(uint16_t, uint32_t, Identifier) override {
        return Error{kErrorDomain, kErrorUnavailable, "no hot-key registry is installed"};
    }
    void unregisterEventHotKey(Registration) override {}
    void setReleaseHandler(ReleaseHandler) override {}
};

// The US keyboard layout: the characters of the keys that type one, without and with Shift.
struct KeyCharacters {
    uint16_t keyCode;
    const char* plain;
    const char* shifted;
};
constexpr std::array<KeyCharacters, 48> kUSLayout = {{
    {0, "a", "A"},   {1, "s", "S"},   {2, "d", "D"},  {3, "f", "F"},
    {4, "h", "H"},   {5, "g", "G"},   {6, "z", "Z"},  {7, "x", "X"},
    {8, "c", "C"},   {9, "v", "V"},   {11, "b", "B"}, {12, "q", "Q"},
    {13, "w", "W"},  {14, "e", "E"},  {15, "r", "R"}, {16, "y", "Y"},
    {17, "t", "T"},  {18, "1", "!"},  {19, "2", "@"}, {20, "3", "#"},
    {21, "4", "$"},  {22, "6", "^"},  {23, "5", "%"}, {24, "=", "+"},
    {25, "9", "("},  {26, "7", "&"},  {27, "-", "_"}, {28, "8", "*"},
    {29, "0", ")"},  {30, "]", "}"},  {31, "o", "O"}, {32, "u", "U"},
    {33, "[", "{"},  {34, "i", "I"},  {35, "p", "P"}, {37, "l", "L"},
    {38, "j", "J"},  {39, "'", "\""}, {40, "k", "K"}, {41, ";", ":"},
    {42, "\\", "|"}, {43, ",", "<"},  {44, "/", "?"}, {45, "n", "N"},
    {46, "m", "M"},  {47, ".", ">"},  {50, "`", "~"}, {10, "\u00a7", "\u00b1"},
}};

}  // namespace

std::shared_ptr<HotKeyRegistry> HotKeyRegistry::current() {
    return backendSlot<HotKeyRegistry>().getOr<NoHotKeys>();
}

void HotKeyRegistry::install(std::shared_ptr<HotKeyRegistry> registry) {
    backendSlot<HotKeyRegistry>().set(std::move(registry));
}

std::string translateKeyCode(uint16_t keyCode, uint32_t modifiers) {
    const bool shifted = (modifiers & (HotKeyRegistry::kShift | HotKeyRegistry::kCapsLock)) != 0;
    for (const auto& key : kUSLayout)
        if (key.keyCode == keyCode) return shifted ? key.shifted : key.plain;
    return {};
}

}  // namespace platform
