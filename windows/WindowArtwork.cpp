// The screens' pictures on design grids of their sizes (x from the left, y down from the top): a phone
// of 200 by 380 with one screen of the phone application or the phone's settings on it, a Mac of 340 by
// 235 with its menu bar, a settings pane of 340 by 240, and the 90 by 36 share buttons.

#include "windows/WindowArtwork.h"

#include <cmath>
#include <string>
#include <vector>

#include "app/support/Localizable.h"
#include "menubar/SettingsArtwork.h"
#include "platform/ui/AttributedString.h"
#include "uikit/images/Sketch.h"
#include "uikit/views/ColorAdditions.h"

namespace kestrune {

namespace ui = platform::ui;

namespace {

ui::Color hex(const char* code) {
    return colorWithHexColorString(code);
}

const ui::TextAlignment kCentre = ui::TextAlignment::Center;

// The phone: a dark body, the speaker slot, the round home button, and a white screen of 168 by 288 at
// (16, 46).
void phone(Sketch& s) {
    s.fillBox(4, 4, 192, 372, 30, hex("2B2F33"));
    s.fillBox(16, 46, 168, 288, 4, ui::Color::whiteColor());
    s.fillBox(78, 22, 44, 7, 3.5, hex("5B6168"));
    s.ring(100, 355, 10, hex("5B6168"), 2);
}

void phoneWelcome(Sketch& s) {
    phone(s);
    s.mark(100, 140, 40);
    s.text("Kestrune", 24, 196, 152, 26, 19, hex("2B2F33"), true, kCentre);
    s.text("Unlocks your Mac when", 24, 228, 152, 18, 12, hex("6B7178"), false, kCentre);
    s.text("you come back to it", 24, 246, 152, 18, 12, hex("6B7178"), false, kCentre);
}

// The phone's settings, the assistant's row chosen.
void phoneSettings(Sketch& s) {
    phone(s);
    s.text("Settings", 28, 58, 140, 24, 17, hex("2B2F33"), true);
    const struct {
        const char* name;
        const char* color;
    } rows[] = {{"Wi-Fi", "2F7BF6"},         {"Bluetooth", "2F7BF6"}, {"Notifications", "FF3B30"},
                {"Siri & Search", "8E5CF2"}, {"Privacy", "5B6470"},   {"Battery", "34C759"}};
    for (int i = 0; i < 6; ++i) {
        const double y = 90 + i * 38;
        const bool chosen = i == 3;
        s.fillBox(26, y, 148, 32, 6, chosen ? hex("DDF4E6") : hex("F1F2F3"));
        s.fillBox(34, y + 7, 18, 18, 4.5, hex(rows[i].color));
        s.text(rows[i].name, 60, y + 8, 108, 18, 12, chosen ? hex("0A8F44") : hex("2B2F33"), chosen);
    }
}

// The shortcuts: the application's two and two others.
void phoneShortcuts(Sketch& s) {
    phone(s);
    s.text("Shortcuts", 28, 58, 140, 24, 17, hex("2B2F33"), true);
    const struct {
        const char* title;
        const char* color;
        bool ours;
    } tiles[] = {{"Lock my Mac", "09D261", true},
                 {"Unlock my Mac", "0AA84F", true},
                 {"Play music", "FF9500", false},
                 {"Start timer", "2F7BF6", false}};
    for (int i = 0; i < 4; ++i) {
        const double x = 28 + (i % 2) * 76, y = 96 + (i / 2) * 92;
        s.fillBox(x, y, 68, 82, 10, hex(tiles[i].color));
        if (tiles[i].ours) {
            s.disc(x + 18, y + 18, 10, ui::Color::whiteColor());
            s.line({{x + 15.5, y + 12}, {x + 15.5, y + 24}}, hex(tiles[i].color), 2);
            s.line({{x + 22, y + 12}, {x + 16, y + 18}, {x + 22, y + 24}}, hex(tiles[i].color), 2);
        } else {
            s.ring(x + 18, y + 18, 8, ui::Color::whiteColor(), 2.2);
        }
        s.text(tiles[i].title, x + 7, y + 44, 58, 34, 11, ui::Color::whiteColor(), true);
    }
}

// Recording the phrase: the phrase, then the red button.
void phoneRecord(Sketch& s) {
    phone(s);
    s.text("Say your phrase", 24, 78, 152, 22, 15, hex("2B2F33"), true, kCentre);
    s.text("\u201cLock my Mac\u201d", 24, 104, 152, 20, 13, hex("0A8F44"), false, kCentre);
    s.text("Tap to record", 24, 128, 152, 18, 11, hex("8A9097"), false, kCentre);
    s.ring(100, 218, 40, hex("D3D6D9"), 3);
    s.disc(100, 218, 35, hex("E5383B"));
}

// Asking the assistant: its coloured rings, what was said and what the Mac does.
void phoneAssistant(Sketch& s) {
    phone(s);
    s.disc(100, 150, 50, hex("A070F0"));
    s.disc(100, 150, 39, hex("5080F5"));
    s.disc(100, 150, 29, hex("C05090"));
    s.disc(100, 150, 18, ui::Color::whiteColor());
    s.text("\u201cLock my Mac\u201d", 24, 222, 152, 22, 15, hex("2B2F33"), true, kCentre);
    s.text("Your Mac is locked.", 24, 250, 152, 18, 12, hex("6B7178"), false, kCentre);
}

// The Mac: its screen with a menu bar, its base. The screen's picture is (32, 16) to (308, 186), the
// menu bar 14 high.
void mac(Sketch& s) {
    s.fillBox(20, 4, 300, 196, 10, hex("2B2F33"));
    s.fillBox(32, 16, 276, 170, 1, hex("DDF4E6"));
    s.fillBox(32, 16, 276, 14, 0, ui::Color::whiteColor());
    s.fill(s.path({{6, 200}, {334, 200}, {318, 218}, {22, 218}}, true), hex("9AA0A6"));
    s.text("Finder   File   Edit   View", 40, 18, 150, 11, 7.5, hex("2B2F33"));
    s.text("9:41", 280, 18, 24, 11, 7.5, hex("2B2F33"), false, ui::TextAlignment::Right);
}

// The menu bar's item open: the application's mark in the menu bar, its panel under it.
void macMenuBar(Sketch& s) {
    mac(s);
    s.fillBox(239, 17, 14, 12, 3, hex("DDF4E6"));
    s.mark(246, 23, 5);
    s.fillBox(150, 34, 150, 104, 7, ui::Color::whiteColor());
    s.strokeBox(150, 34, 150, 104, 7, hex("D3D6D9"), 0.8);
    s.fillOval(160, 44, 14, 14, hex("09D261"));
    s.text("Ada's iPhone", 180, 43, 112, 11, 8, hex("2B2F33"), true);
    s.text("Connected, 1.2 m", 180, 53, 112, 10, 7, hex("6B7178"));
    const char* rows[] = {"Lock this Mac now", "Settings\u2026", "Help", "Quit Kestrune"};
    for (int i = 0; i < 4; ++i) {
        s.line({{158, 68 + i * 17.0}, {292, 68 + i * 17.0}}, hex("ECEEEF"), 0.7);
        s.text(rows[i], 160, 71 + i * 17, 132, 11, 8, hex("2B2F33"));
    }
}

// A notification of the application in the top right corner of the Mac's screen.
void macNotification(Sketch& s) {
    mac(s);
    s.fillBox(138, 36, 162, 46, 8, ui::Color::whiteColor());
    s.strokeBox(138, 36, 162, 46, 8, hex("D3D6D9"), 0.8);
    s.mark(156, 52, 8);
    s.text("Kestrune", 170, 42, 124, 11, 8, hex("2B2F33"), true);
    s.text("Unlocked with Ada's iPhone", 170, 54, 124, 11, 7.5, hex("4B5158"));
    s.text("now", 266, 42, 28, 11, 7, hex("8A9097"), false, ui::TextAlignment::Right);
}

// A settings pane's window: its title bar with the three lights, the lock and its line at the bottom.
void pane(Sketch& s, const std::string& title) {
    s.fillBox(10, 10, 320, 220, 12, hex("2B2F33"));
    s.fillBox(16, 16, 308, 208, 7, ui::Color::whiteColor());
    s.fillBox(16, 16, 308, 22, 7, hex("ECEEEF"));
    s.fillBox(16, 30, 308, 8, 0, hex("ECEEEF"));
    s.disc(30, 27, 4, hex("F25F57"));
    s.disc(43, 27, 4, hex("F9BC2E"));
    s.disc(56, 27, 4, hex("2ACA44"));
    s.text(title, 70, 21, 200, 12, 8.5, hex("4B5158"), true, kCentre);
    // The lock, open, and what it says.
    s.fillBox(34, 201, 12, 10, 1.5, hex("2B2F33"));
    s.line({{42, 201}, {42, 196}, {43.5, 193}, {46.5, 192}, {49.5, 193}, {51, 196}}, hex("2B2F33"), 1.8);
    s.text("Click the lock to prevent further changes.", 56, 199, 250, 12, 8, hex("4B5158"));
}

void checkBox(Sketch& s, double x, double y, bool checked) {
    if (checked) {
        s.fillBox(x, y, 12, 12, 2.5, hex("09D261"));
        s.line({{x + 2.8, y + 6.2}, {x + 5.2, y + 8.6}, {x + 9.4, y + 3.4}}, ui::Color::whiteColor(), 1.8);
    } else {
        s.strokeBox(x + 0.5, y + 0.5, 11, 11, 2.5, hex("9AA0A6"), 1);
    }
}

// The General tab: a password asked for at once after sleep or the screen saver.
void securityGeneral(Sketch& s) {
    pane(s, "Security & Privacy");
    const char* tabs[] = {"General", "FileVault", "Firewall", "Privacy"};
    for (int i = 0; i < 4; ++i) {
        const double x = 58 + i * 58;
        if (i == 0) s.fillBox(x, 46, 54, 16, 8, hex("09D261"));
        s.text(tabs[i], x, 48.5, 54, 12, 8, i == 0 ? ui::Color::whiteColor() : hex("4B5158"), i == 0,
               kCentre);
    }
    checkBox(s, 30, 76, true);
    s.text("Require password", 48, 76.5, 92, 12, 8, hex("2B2F33"), true);
    s.fillBox(140, 72, 84, 20, 5, hex("E6F8EE"));
    s.strokeBox(140, 72, 84, 20, 5, hex("09D261"), 1.4);
    s.text("immediately", 146, 76.5, 64, 12, 8, hex("0A8F44"), true);
    s.line({{211, 80}, {214.5, 84}, {218, 80}}, hex("0A8F44"), 1.4);
    s.text("after sleep or screen saver begins", 48, 95, 270, 12, 8, hex("2B2F33"));
    const char* others[] = {"Show a message when the screen is locked", "Disable automatic login",
                            "Log out after 60 minutes of inactivity"};
    for (int i = 0; i < 3; ++i) {
        checkBox(s, 30, 120 + i * 22, false);
        s.text(others[i], 48, 120.5 + i * 22, 270, 12, 8, hex("4B5158"));
    }
}

// The Privacy tab: Accessibility chosen, the application ticked among the others.
void securityPrivacy(Sketch& s) {
    pane(s, "Security & Privacy");
    s.fillBox(26, 46, 106, 140, 5, hex("F1F2F3"));
    const char* services[] = {"Location Services", "Contacts",         "Calendars",
                              "Accessibility",     "Full Disk Access", "Automation"};
    for (int i = 0; i < 6; ++i) {
        const double y = 52 + i * 22;
        if (i == 3) s.fillBox(30, y - 2, 98, 18, 4, hex("09D261"));
        s.text(services[i], 36, y + 1, 90, 12, 8, i == 3 ? ui::Color::whiteColor() : hex("4B5158"), i == 3);
    }
    s.text("Allow these apps to control your Mac:", 142, 48, 176, 12, 7.5, hex("4B5158"));
    s.strokeBox(142, 62, 174, 110, 4, hex("D3D6D9"), 1);
    const struct {
        const char* name;
        const char* color;
        bool ours;
    } apps[] = {{"Terminal", "2B2F33", false},
                {"Kestrune", "09D261", true},
                {"Script Editor", "9AA0A6", false},
                {"Keyboard Helper", "5B6470", false}};
    for (int i = 0; i < 4; ++i) {
        const double y = 66 + i * 26;
        if (apps[i].ours) s.fillBox(144, y, 170, 24, 0, hex("E6F8EE"));
        checkBox(s, 150, y + 6, apps[i].ours);
        if (apps[i].ours) {
            s.mark(176, y + 12, 7);
        } else {
            s.fillBox(169, y + 5, 14, 14, 3, hex(apps[i].color));
        }
        s.text(apps[i].name, 190, y + 6.5, 120, 12, 8.5, hex("2B2F33"), apps[i].ours);
    }
    s.strokeBox(142, 174, 18, 14, 2, hex("D3D6D9"), 1);
    s.strokeBox(160, 174, 18, 14, 2, hex("D3D6D9"), 1);
    s.text("+", 142, 174, 18, 13, 10, hex("4B5158"), false, kCentre);
    s.text("\u2212", 160, 174, 18, 13, 10, hex("4B5158"), false, kCentre);
}

// A share button: the network's colour, its word in white.
// The word is looked up each time the picture is drawn, so that it reads in the interface's language of
// the moment; a long word gets a smaller type rather than a second line the button has no room for.
void shareButton(const std::string& name, const char* color, const std::string& key) {
    Sketch::registerImage(name, {90, 36}, [color, key](Sketch& s) {
        s.fillBox(1, 1, 88, 34, 7, hex(color));
        const std::string word = localizable(key);
        double size = 14;
        for (; size > 9; size -= 0.5) {
            const auto font = ui::Font::boldSystemFontOfSize(size);
            if (ui::AttributedString(word, ui::TextAttributes::withFont(font, ui::Color::whiteColor()))
                    .size()
                    .width <= 80)
                break;
        }
        // A smaller type keeps the middle of its line where the usual one has it.
        const double top = 9 + 0.6 * (14 - size);
        s.text(word, 1, top, 88, 18, size, ui::Color::whiteColor(), true, kCentre);
    });
}

// The information pages' icons on a 40 grid: green line drawings, 3 wide.
const char* const kIconGreen = "09D261";

void padlock(Sketch& s, bool open) {
    s.fillBox(9, 18, 22, 16, 3, hex(kIconGreen));
    if (open)
        s.line({{26, 18}, {26, 12}, {25, 8.5}, {22.5, 6.5}, {19.5, 6}, {16.5, 7.5}, {15, 10.5}},
               hex(kIconGreen), 3);
    else
        s.line({{13.5, 18}, {13.5, 12}, {15, 8}, {20, 6}, {25, 8}, {26.5, 12}, {26.5, 18}}, hex(kIconGreen),
               3);
}

void trash(Sketch& s, bool all) {
    const ui::Color green = hex(kIconGreen);
    s.line({{8, 11}, {32, 11}}, green, 3);
    s.line({{16, 11}, {16, 7}, {24, 7}, {24, 11}}, green, 2.5);
    s.strokeBox(11, 11, 18, 23, 2.5, green, 3);
    if (all) {
        for (double x : {16.5, 23.5}) s.line({{x, 16}, {x, 29}}, green, 2.2);
    } else {
        s.line({{20, 16}, {20, 29}}, green, 2.2);
    }
}

void portrait(Sketch& s) {
    const ui::Color green = hex(kIconGreen);
    s.strokeBox(6, 7, 28, 26, 4, green, 3);
    s.ring(20, 16, 4.5, green, 2.6);
    s.line({{11.5, 31}, {12.5, 26.5}, {16, 23.5}, {20, 22.8}, {24, 23.5}, {27.5, 26.5}, {28.5, 31}}, green,
           2.6);
}

// A capsule of the given length and width about a centre, turned by the angle (degrees clockwise from
// upright), as a closed path on the grid.
ui::BezierPath capsule(const Sketch& s, double cx, double cy, double length, double width, double degrees) {
    const double a = degrees * M_PI / 180, r = width / 2, half = length / 2 - r;
    std::vector<std::pair<double, double>> points;
    auto turn = [&](double x, double y) {
        points.push_back({cx + x * std::cos(a) - y * std::sin(a), cy + x * std::sin(a) + y * std::cos(a)});
    };
    for (int i = 0; i <= 12; ++i)
        turn(r * std::cos(M_PI * i / 12 + M_PI), -half - r * std::sin(M_PI * i / 12));
    for (int i = 0; i <= 12; ++i) turn(r * std::cos(M_PI * i / 12), half + r * std::sin(M_PI * i / 12));
    return s.path(points, true);
}

void registerTutorialPictures() {
    // Four steps going away to the top right, fainter the further back.
    Sketch::registerImage("tutorial_walk_away", {120, 120}, [](Sketch& s) {
        const double steps[4][3] = {{30, 90, 0.35}, {48, 68, 0.55}, {74, 86, 0.75}, {96, 64, 1}};
        for (const auto& step : steps)
            s.fill(capsule(s, step[0], step[1], 22, 12, 20), hex("09D261").colorWithAlphaComponent(step[2]));
    });
    // A thumb up on a pale green disc.
    Sketch::registerImage("tutorial_thumbs_up", {160, 170}, [](Sketch& s) {
        const ui::Color green = hex("0FD05F");
        s.disc(80, 85, 78, hex("DDF4E6"));
        s.fillBox(40, 76, 20, 58, 5, green);
        s.fill(s.path({{68, 76},
                       {82, 48},
                       {85, 38},
                       {95, 47},
                       {93, 66},
                       {90, 80},
                       {124, 80},
                       {122, 126},
                       {114, 134},
                       {68, 134}},
                      true),
               green);
    });
    // The keys that send the clipboard: three caps with their names.
    Sketch::registerImage("clipboard_shortcut", {176, 36}, [](Sketch& s) {
        const struct {
            double x, w;
            const char* name;
        } keys[] = {{2, 52, "ctrl"}, {62, 52, "cmd"}, {122, 52, "V"}};
        for (const auto& key : keys) {
            s.fillBox(key.x, 1, key.w, 34, 5, hex("3E4247"));
            s.strokeBox(key.x, 1, key.w, 34, 5, hex("8A9097"), 1.2);
            s.text(key.name, key.x, 9.5, key.w, 20, 14, ui::Color::whiteColor().colorWithAlphaComponent(0.9),
                   true, kCentre);
        }
    });
}

void registerInformationIcons() {
    const ui::Size size{40, 40};
    Sketch::registerImage("info_locked", size, [](Sketch& s) { padlock(s, false); });
    Sketch::registerImage("info_unlocked", size, [](Sketch& s) { padlock(s, true); });
    Sketch::registerImage("info_delete", size, [](Sketch& s) { trash(s, false); });
    Sketch::registerImage("info_delete_all", size, [](Sketch& s) { trash(s, true); });
    Sketch::registerImage("info_login_photos", size, portrait);
    Sketch::registerImage("info_failed_login_photos", size, [](Sketch& s) {
        portrait(s);
        s.disc(31, 9, 7, ui::Color::whiteColor());
        s.disc(31, 9, 5.8, hex("E5383B"));
        s.line({{28.6, 6.6}, {33.4, 11.4}}, ui::Color::whiteColor(), 1.8);
        s.line({{33.4, 6.6}, {28.6, 11.4}}, ui::Color::whiteColor(), 1.8);
    });
    Sketch::registerImage("info_history", size, [](Sketch& s) {
        s.ring(20, 20, 13, hex(kIconGreen), 3);
        s.line({{20, 12}, {20, 20}, {26, 24}}, hex(kIconGreen), 3);
    });
    Sketch::registerImage("info_share", size, [](Sketch& s) {
        const ui::Color green = hex(kIconGreen);
        s.line({{15, 16}, {10, 16}, {10, 33}, {30, 33}, {30, 16}, {25, 16}}, green, 3);
        s.line({{20, 24}, {20, 6}}, green, 3);
        s.line({{14.5, 11.5}, {20, 6}, {25.5, 11.5}}, green, 3);
    });
    Sketch::registerImage("info_save", size, [](Sketch& s) {
        const ui::Color green = hex(kIconGreen);
        s.line({{8, 24}, {8, 33}, {32, 33}, {32, 24}}, green, 3);
        s.line({{20, 6}, {20, 25}}, green, 3);
        s.line({{13.5, 18.5}, {20, 25}, {26.5, 18.5}}, green, 3);
    });
    Sketch::registerImage("info_notification", size, [](Sketch& s) {
        const ui::Color green = hex(kIconGreen);
        s.line({{10, 28},
                {12.5, 24},
                {12.5, 17},
                {14, 12},
                {17, 9.5},
                {20, 9},
                {23, 9.5},
                {26, 12},
                {27.5, 17},
                {27.5, 24},
                {30, 28},
                {10, 28}},
               green, 3);
        s.line({{17, 32}, {23, 32}}, green, 3);
        s.line({{20, 9}, {20, 6}}, green, 3);
    });
    Sketch::registerImage("info_manual_snapshots", size, [](Sketch& s) {
        const ui::Color green = hex(kIconGreen);
        s.strokeBox(6, 12, 28, 20, 4, green, 3);
        s.fillBox(14, 7.5, 12, 5, 1.5, green);
        s.ring(20, 22, 5.5, green, 3);
    });
}

}  // namespace

void registerWindowArtwork() {
    registerBluetoothAnimation();
    Sketch::registerImage("screen_app_welcome", {200, 380}, phoneWelcome);
    Sketch::registerImage("screen_siri_settigns", {200, 380}, phoneSettings);
    Sketch::registerImage("screen_siri_shortcuts", {200, 380}, phoneShortcuts);
    Sketch::registerImage("screen_siri_record", {200, 380}, phoneRecord);
    Sketch::registerImage("screen_siri_all", {200, 380}, phoneAssistant);
    Sketch::registerImage("mac_frame_status", {340, 235}, macMenuBar);
    Sketch::registerImage("mac_osx_notification", {340, 235}, macNotification);
    Sketch::registerImage("security_general", {340, 240}, securityGeneral);
    Sketch::registerImage("security_privacy", {340, 240}, securityPrivacy);
    shareButton("share_facebook", "3B5998", "share_action");
    shareButton("share_twitter", "1DA1F2", "tweet_action");
    registerInformationIcons();
    registerTutorialPictures();
    registerPhoneIcon();
}

}  // namespace kestrune
