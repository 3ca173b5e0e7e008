#include "features/hotkeys/DDHotKeyUtilities.h"

#include <map>

#include "features/hotkeys/DDHotKeyCenter.h"
#include "platform/system/HotKeyRegistry.h"
#include "platform/ui/Event.h"

namespace kestrune {

namespace {

const std::map<uint16_t, std::string>& keyGlyphs() {
    static const std::map<uint16_t, std::string> glyphs = {
        {36, "↩"},    {48, "⇥"},    {49, "⎵"},    {51, "⌫"},    {53, "⎋"},    {55, "⌘"},    {56, "⇧"},
        {57, "⇪"},    {58, "⌥"},    {59, "⌃"},    {60, "⇧"},    {61, "⌥"},    {62, "⌃"},    {63, "⌘"},
        {72, "🔊"},    {73, "🔈"},    {74, "🔇"},    {122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},
        {96, "F5"},   {97, "F6"},   {98, "F7"},   {100, "F8"},  {101, "F9"},  {109, "F10"}, {103, "F11"},
        {111, "F12"}, {105, "F13"}, {107, "F14"}, {113, "F15"}, {106, "F16"}, {64, "F17"},  {79, "F18"},
        {80, "F19"},  {90, "F20"},  {117, "⌦"},   {115, "↖"},   {119, "↘"},   {116, "⇞"},   {121, "⇟"},
        {123, "←"},   {124, "→"},   {125, "↓"},   {126, "↑"}};
    return glyphs;
}

}  // namespace

std::string hotKeyStringForKeyCode(uint16_t keyCode, uint64_t modifierFlags) {
    namespace ui = platform::ui;
    std::string text;
    if (modifierFlags & ui::kControlKeyMask) text += "⌃";
    if (modifierFlags & ui::kAlternateKeyMask) text += "⌥";
    if (modifierFlags & ui::kShiftKeyMask) text += "⇧";
    if (modifierFlags & ui::kCommandKeyMask) text += "⌘";
    if (keyCode == 55 || keyCode == 56 || keyCode == 58 || keyCode == 59) return text;
    const auto& glyphs = keyGlyphs();
    if (auto it = glyphs.find(keyCode); it != glyphs.end()) return text + it->second;
    return text + platform::translateKeyCode(keyCode, DDHotKeyCenter::carbonModifiersOf(modifierFlags));
}

}  // namespace kestrune
