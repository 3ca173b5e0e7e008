// The settings window's pictures, drawn on a 24-unit grid from the top left so that each scales to the
// size a cell gives it: thin white line icons for the master list (its cells tint them), coloured
// rounded badges with a white sign for the rows, and the application's badge large for the welcome.

#include "menubar/SettingsArtwork.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/AttributedString.h"
#include "platform/ui/BezierPath.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Image.h"
#include "uikit/images/Sketch.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {

namespace {

// Drawing on the grid of one picture.
class Pen {
public:
    Pen(ui::GraphicsContext& context, ui::Rect destination) : c_(context), d_(destination) {}

    ui::Point at(double x, double y) const {
        return {d_.minX() + x * d_.width() / 24, d_.maxY() - y * d_.height() / 24};
    }
    ui::Rect box(double x, double y, double w, double h) const {
        return {d_.minX() + x * d_.width() / 24, d_.maxY() - (y + h) * d_.height() / 24, w * d_.width() / 24,
                h * d_.height() / 24};
    }
    double unit() const { return d_.width() / 24; }

    void line(std::vector<std::pair<double, double>> points, double width = 1.8) {
        ui::BezierPath path;
        for (size_t i = 0; i < points.size(); ++i) {
            const auto p = at(points[i].first, points[i].second);
            i == 0 ? path.moveToPoint(p) : path.lineToPoint(p);
        }
        stroke(path, width);
    }
    // An arc about (cx, cy), angles in degrees counter-clockwise from the right.
    void arc(double cx, double cy, double radius, double from, double to, double width = 1.8) {
        ui::BezierPath path;
        for (int i = 0; i <= 24; ++i) {
            const double a = (from + (to - from) * i / 24) * M_PI / 180;
            const auto p = at(cx + radius * std::cos(a), cy - radius * std::sin(a));
            i == 0 ? path.moveToPoint(p) : path.lineToPoint(p);
        }
        stroke(path, width);
    }
    // A lock's shackle: up from the bottom on the left, over the top and down on the right, one stroke.
    void shackle(double cx, double cy, double radius, double bottom, double width = 1.8) {
        ui::BezierPath path;
        path.moveToPoint(at(cx - radius, bottom));
        for (int i = 0; i <= 24; ++i) {
            const double a = M_PI - M_PI * i / 24;
            path.lineToPoint(at(cx + radius * std::cos(a), cy - radius * std::sin(a)));
        }
        path.lineToPoint(at(cx + radius, bottom));
        stroke(path, width);
    }
    void roundedBox(double x, double y, double w, double h, double radius, bool fill, double width = 1.8) {
        auto path = ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(
            box(x, y, w, h), radius * unit(), radius * unit());
        fill ? c_.fillPath(path) : stroke(path, width);
    }
    void disc(double cx, double cy, double radius) {
        c_.fillPath(
            ui::BezierPath::bezierPathWithOvalInRect(box(cx - radius, cy - radius, 2 * radius, 2 * radius)));
    }
    void ring(double cx, double cy, double radius, double width = 1.8) {
        stroke(
            ui::BezierPath::bezierPathWithOvalInRect(box(cx - radius, cy - radius, 2 * radius, 2 * radius)),
            width);
    }
    // A sign of text, centred on the grid.
    void sign(const std::string& text, double size, const ui::Color& color) {
        ui::TextAttributes attributes = ui::TextAttributes::withFont(
            ui::Font::fontWithName_size(ui::Font::kBoldSystemFontName, size * unit()), color);
        ui::ParagraphStyle centred;
        centred.alignment = ui::TextAlignment::Center;
        attributes.paragraphStyle = centred;
        const double height = size * 1.3;
        c_.drawText(ui::AttributedString(text, attributes), box(0, 12 - height / 2, 24, height));
    }
    ui::GraphicsContext& context() { return c_; }
    ui::Rect area() const { return d_; }

private:
    void stroke(ui::BezierPath path, double width) {
        path.setLineWidth(width * unit());
        c_.strokePath(path);
    }
    ui::GraphicsContext& c_;
    ui::Rect d_;
};

using Glyph = std::function<void(Pen&)>;

void add(const std::string& name, ui::Size size, std::function<void(Pen&)> draw) {
    if (ui::Image::imageNamed(name)) return;
    auto image = ui::Image::imageWithSize_flipped_drawingHandler(size, false, [draw](ui::Rect destination) {
        auto* context = ui::GraphicsContext::current();
        if (!context) return false;
        Pen pen(*context, destination);
        draw(pen);
        return true;
    });
    image->setName(name);
    ui::ImageRegistry::add(name, image);
}

// A line icon of the master list, white on clear.
void lineIcon(const std::string& name, Glyph glyph) {
    add(name, {22, 22}, [glyph](Pen& pen) {
        pen.context().setColor(ui::Color::whiteColor());
        glyph(pen);
    });
}

// A row's badge: the sign in white on a rounded square of the colour.
void badge(const std::string& name, const ui::Color& color, Glyph glyph) {
    add(name, {64, 64}, [color, glyph](Pen& pen) {
        pen.context().setColor(color);
        pen.roundedBox(0, 0, 24, 24, 5.5, true);
        pen.context().setColor(ui::Color::whiteColor());
        glyph(pen);
    });
}

Glyph text(const std::string& sign, double size = 11) {
    return [sign, size](Pen& pen) { pen.sign(sign, size, ui::Color::whiteColor()); };
}

// The signs, on the 24-unit grid.
void lockSign(Pen& p, bool open) {
    p.roundedBox(6, 11, 12, 9, 1.5, true);
    if (open) {
        p.shackle(15.5, 8, 3.5, 8);
        p.line({{19, 8}, {19, 11}});
    } else {
        p.shackle(12, 8.5, 4, 11);
    }
}
void phoneSign(Pen& p) {
    p.roundedBox(7.5, 3, 9, 18, 2, false);
    p.disc(12, 18, 1);
}
void monitorSign(Pen& p) {
    p.roundedBox(4, 5, 16, 11, 1.5, false);
    p.line({{12, 16}, {12, 19}});
    p.line({{8, 19.5}, {16, 19.5}});
}
void bluetoothSign(Pen& p) {
    p.line({{8, 8}, {16, 16}, {12, 20}, {12, 4}, {16, 8}, {8, 16}});
}
void clipboardSign(Pen& p) {
    p.roundedBox(6, 5, 12, 15, 1.5, false);
    p.roundedBox(9, 3.5, 6, 3, 1, true);
    p.line({{9, 11}, {15, 11}}, 1.4);
    p.line({{9, 15}, {15, 15}}, 1.4);
}
void cameraSign(Pen& p) {
    p.roundedBox(3, 7, 18, 12, 2, false);
    p.ring(12, 13, 3.5);
    p.roundedBox(8, 4.5, 6, 2.5, 0.5, true);
}
void wifiSign(Pen& p) {
    p.arc(12, 18, 11, 50, 130);
    p.arc(12, 18, 6.5, 50, 130);
    p.disc(12, 18, 1.8);
}
void slidersSign(Pen& p) {
    for (double y : {6.0, 12.0, 18.0}) p.line({{3, y}, {21, y}});
    p.disc(8, 6, 2.5);
    p.disc(16, 12, 2.5);
    p.disc(10, 18, 2.5);
}
void arrowsCircleSign(Pen& p) {
    p.arc(12, 12, 7, 20, 300);
    p.line({{15, 6}, {18.5, 5.5}, {18, 9}});
}
void shareSign(Pen& p) {
    p.line({{8, 10}, {6, 10}, {6, 20}, {18, 20}, {18, 10}, {16, 10}});
    p.line({{12, 14}, {12, 3}});
    p.line({{8.5, 6.5}, {12, 3}, {15.5, 6.5}});
}
void noteSign(Pen& p) {
    p.disc(8, 18, 3);
    p.disc(17, 16, 3);
    p.line({{10.8, 18}, {10.8, 5}, {19.8, 3}, {19.8, 16}});
}
void knockSign(Pen& p) {
    p.disc(9, 12, 2.5);
    p.arc(9, 12, 6, -50, 50);
    p.arc(9, 12, 10, -45, 45);
}
void fingerprintSign(Pen& p) {
    // Ridges open towards the bottom.
    for (double r : {2.5, 5.0, 7.5}) p.arc(12, 13, r, -35, 215, 1.5);
    p.line({{12, 13}, {12, 19}}, 1.5);
}
void checkSign(Pen& p) {
    p.line({{6, 12.5}, {10.5, 17}, {18.5, 7.5}}, 2.4);
}
void moonSign(Pen& p) {
    p.arc(12, 12, 7, 80, 330, 2.2);
    p.arc(15, 9, 5.5, 140, 290, 2.2);
}
void arrowsInSign(Pen& p) {
    p.line({{3, 12}, {10, 12}});
    p.line({{7, 9}, {10, 12}, {7, 15}});
    p.line({{21, 12}, {14, 12}});
    p.line({{17, 9}, {14, 12}, {17, 15}});
}
void peopleSign(Pen& p) {
    p.ring(8.5, 8, 2.5);
    p.ring(15.5, 8, 2.5);
    p.arc(8.5, 18, 5, 0, 180);
    p.arc(15.5, 18, 5, 0, 180);
}
void powerSign(Pen& p) {
    p.arc(12, 13, 7, 120, 420);
    p.line({{12, 4}, {12, 12}});
}
void keySign(Pen& p) {
    p.ring(8, 12, 3.5);
    p.line({{11.5, 12}, {20, 12}});
    p.line({{17, 12}, {17, 15}});
    p.line({{20, 12}, {20, 15}});
}
void bellSign(Pen& p) {
    p.arc(12, 11, 5.5, 0, 180);
    p.line({{6.5, 11}, {6.5, 16}, {4.5, 18}, {19.5, 18}, {17.5, 16}, {17.5, 11}});
    p.disc(12, 19.5, 1.5);
}
void laptopSign(Pen& p) {
    p.roundedBox(5, 6, 14, 10, 1, false);
    p.line({{3, 18.5}, {21, 18.5}}, 2.2);
}
void wrenchSign(Pen& p) {
    p.arc(15, 9, 4.5, 200, 470, 2.2);
    p.line({{12, 12}, {5, 19}}, 3);
}

void registerLineIcons() {
    lineIcon("menu_icon_devices", phoneSign);
    lineIcon("menu_icon_setup", slidersSign);
    lineIcon("menu_icon_wifi_unlock", wifiSign);
    lineIcon("menu_icon_photos", cameraSign);
    lineIcon("menu_icon_clipboard", clipboardSign);
    lineIcon("menu_icon_music", noteSign);
    lineIcon("menu_icon_advanced", [](Pen& p) { p.sign("\u2699", 17, ui::Color::whiteColor()); });
    lineIcon("menu_icon_updates", arrowsCircleSign);
    lineIcon("menu_icon_help", [](Pen& p) {
        p.ring(12, 12, 9);
        p.sign("?", 12, ui::Color::whiteColor());
    });
    lineIcon("menu_icon_share", shareSign);
}

void registerBadges() {
    const ui::Color green = kestruneGreen();
    const ui::Color blue = colorWithHexColorString("2F7BF6");
    const ui::Color indigo = colorWithHexColorString("5856D6");
    const ui::Color orange = colorWithHexColorString("FF9500");
    const ui::Color red = colorWithHexColorString("FF3B30");
    const ui::Color teal = colorWithHexColorString("1FB5C4");
    const ui::Color graphite = colorWithHexColorString("5B6470");
    badge("cell_icon_kestrune", green, [](Pen& p) { lockSign(p, false); });
    badge("lock_leave", green, [](Pen& p) { lockSign(p, false); });
    badge("unlock_approach", green, [](Pen& p) { lockSign(p, true); });
    badge("cell_icon_double_knock", blue, knockSign);
    badge("cell_icon_touch_id", red, fingerprintSign);
    badge("cell_icon_yes_no", teal, checkSign);
    badge("cell_icon_sleep", indigo, moonSign);
    badge("cell_icon_screensaver", indigo, monitorSign);
    badge("cell_icon_bt_disconnect", blue, bluetoothSign);
    badge("cell_icon_smaller_distances", orange, arrowsInSign);
    badge("cell_icon_open_space", teal, peopleSign);
    badge("cell_icon_startup", green, powerSign);
    badge("cell_icon_auth_auto", graphite, keySign);
    badge("cell_icon_notification", red, bellSign);
    badge("cell_icon_login_photos", green, cameraSign);
    badge("cell_icon_failed_login_photos", red, cameraSign);
    badge("cell_icon_login_history", indigo, [](Pen& p) { lockSign(p, true); });
    badge("cell_icon_manual_snapshots", orange, cameraSign);
    badge("cell_icon_sleep_screen", indigo, [](Pen& p) {
        monitorSign(p);
        p.roundedBox(9.5, 10, 5, 4, 0.8, true);
        p.arc(12, 9.5, 1.7, 0, 180, 1.2);
    });
    badge("cell_icon_lock_shortcut", graphite, text("\u2318", 13));
    badge("cell_icon_clipboard_shortcut", graphite, clipboardSign);
    badge("cell_icon_pause_music", orange, noteSign);
    badge("cell_icon_more_options", graphite, text("\u2022\u2022\u2022", 8));
    badge("cell_icon_facebook", colorWithHexColorString("3B5998"), text("f", 15));
    badge("cell_icon_twitter", colorWithHexColorString("1DA1F2"), text("t", 14));
    badge("cell_icon_rate", orange, text("\u2605", 13));
    badge("cell_icon_check_for_update_mac", blue, laptopSign);
    badge("cell_icon_automatic_check", green, arrowsCircleSign);
    badge("cell_icon_iphone", graphite, phoneSign);
    badge("cell_icon_faq", blue, text("?", 14));
    badge("cell_icon_about", green, text("i", 14));
    badge("cell_icon_feedback", orange, text("\u2709", 13));
    badge("cell_icon_mac_wake_unlock_tutorial", indigo, [](Pen& p) {
        monitorSign(p);
        p.roundedBox(9.5, 10, 5, 4, 0.8, true);
    });
    badge("cell_icon_clear_bt_cache_tutorial", blue, bluetoothSign);
    badge("cell_icon_troubleshooting_connection_tutorial", red, wrenchSign);
    // The interface languages, by their codes.
    const std::pair<const char*, const char*> languages[] = {
        {"english", "EN"}, {"spain", "ES"},      {"german", "DE"},   {"russian", "RU"},
        {"chinese", "ZH"}, {"portuguese", "PT"}, {"japanese", "JA"}, {"italian", "IT"},
        {"korean", "KO"},  {"arabic", "AR"},     {"dutch", "NL"}};
    const ui::Color shades[] = {blue, red, graphite, indigo, red, green, red, green, blue, teal, orange};
    for (size_t i = 0; i < std::size(languages); ++i)
        badge(languages[i].first, shades[i], text(languages[i].second, 9));
}

// Four players on a 288 by 72 grid: a mark of 44 points centred in each quarter, the name under it.
void drawPlayers(Sketch& s) {
    const ui::Color white = ui::Color::whiteColor();
    const ui::TextAlignment centre = ui::TextAlignment::Center;
    const ui::Color nameColor = colorWithHexColorString("5B6470");
    // A note: two heads joined by a beam.
    {
        const double cx = 36;
        const ui::Color red = colorWithHexColorString("FA3C5A");
        s.disc(cx, 25, 22, red);
        s.fillOval(cx - 11, 29, 8, 6.5, white);
        s.fillOval(cx + 3, 26, 8, 6.5, white);
        s.fill(s.path({{cx - 4.6, 32},
                       {cx - 4.6, 13},
                       {cx + 11, 10},
                       {cx + 11, 29},
                       {cx + 9.4, 29},
                       {cx + 9.4, 15},
                       {cx - 3, 17.3},
                       {cx - 3, 32}},
                      true),
               white);
        s.text("iTunes", cx - 36, 54, 72, 16, 10, nameColor, false, centre);
    }
    // Sound bars of five heights.
    {
        const double cx = 108;
        s.disc(cx, 25, 22, colorWithHexColorString("1DB954"));
        const double heights[] = {10, 18, 24, 16, 8};
        for (int i = 0; i < 5; ++i)
            s.fillBox(cx - 12 + i * 5, 25 - heights[i] / 2, 3.2, heights[i], 1.6, white);
        s.text("Spotify", cx - 36, 54, 72, 16, 10, nameColor, false, centre);
    }
    // A cone with two bands on its base.
    {
        const double cx = 180;
        const ui::Color orange = colorWithHexColorString("FF8800");
        s.disc(cx, 25, 22, orange);
        s.fillBox(cx - 13, 35, 26, 4, 1.5, white);
        s.fill(s.path({{cx - 2.5, 9}, {cx + 2.5, 9}, {cx + 10, 34}, {cx - 10, 34}}, true), white);
        s.fill(s.path({{cx - 5.1, 17}, {cx + 5.1, 17}, {cx + 6.1, 20.5}, {cx - 6.1, 20.5}}, true), orange);
        s.fill(s.path({{cx - 7.5, 25}, {cx + 7.5, 25}, {cx + 8.5, 28.5}, {cx - 8.5, 28.5}}, true), orange);
        s.text("VLC", cx - 36, 54, 72, 16, 10, nameColor, false, centre);
    }
    // A play sign in a ring with a tail.
    {
        const double cx = 252;
        s.disc(cx, 25, 22, colorWithHexColorString("2F6FD6"));
        s.ring(cx, 25, 12, white, 3.2);
        s.line({{cx + 7, 32}, {cx + 13, 38}}, white, 3.6);
        s.fill(s.path({{cx - 3.5, 18.5}, {cx + 6.5, 25}, {cx - 3.5, 31.5}}, true), white);
        s.text("QuickTime", cx - 36, 54, 72, 16, 10, nameColor, false, centre);
    }
}

// Clipboard sharing on a 480 by 240 grid: the Mac and the phone side by side, a page of text on each,
// an arrow each way between them.
void drawClipboardSharing(Sketch& s) {
    const ui::Color graphite = colorWithHexColorString("5B6470");
    const ui::Color green = kestruneGreen();
    // Its ink runs from 20 to 460, centred on the grid.
    s.strokeBox(40, 44, 172, 116, 10, graphite, 8);
    s.fillBox(20, 170, 212, 12, 6, graphite);
    s.strokeBox(370, 24, 86, 176, 16, graphite, 8);
    s.disc(413, 180, 6, graphite);
    for (int i = 0; i < 3; ++i) {
        const double y = 76 + 24 * i;
        s.line({{76, y}, {i == 2 ? 136.0 : 176.0, y}}, green, 9);
        s.line({{390, y}, {i == 2 ? 416.0 : 436.0, y}}, green, 9);
    }
    s.line({{254, 92}, {342, 92}}, green, 8);
    s.line({{326, 76}, {344, 92}, {326, 108}}, green, 8);
    s.line({{258, 140}, {346, 140}}, green, 8);
    s.line({{274, 124}, {256, 140}, {274, 156}}, green, 8);
}

void registerPictures() {
    // The application's badge, large, for the welcome page.
    add("mainicon", {220, 220}, [](Pen& p) {
        p.context().setColor(kestruneGreen());
        p.roundedBox(3, 3, 18, 18, 4.5, true);
        p.context().setColor(ui::Color::whiteColor());
        p.roundedBox(8, 11.5, 8, 6, 1, true);
        p.shackle(12, 9.5, 2.7, 11.5, 1.3);
    });
    // Clipboard sharing: the Mac and the phone with an arrow each way, in its own proportions whatever
    // the row's.
    add("initial_clipboard", {480, 240}, [](Pen& p) {
        Sketch sketch(p.context(), p.area(), {480, 240});
        drawClipboardSharing(sketch);
    });
    add("Dock", {288, 72}, [](Pen& p) {
        Sketch sketch(p.context(), p.area(), {288, 72});
        drawPlayers(sketch);
    });
}

}  // namespace

void registerBluetoothAnimation() {
    constexpr int kFrames = 8;
    for (int frame = 0; frame < kFrames; ++frame) {
        Sketch::registerImage("BT_frame" + std::to_string(frame + 1), {120, 120}, [frame](Sketch& s) {
            const ui::Color blue = colorWithHexColorString("2F7BF6");
            // Three rings 12 apart, each moving an eighth of that every picture, fading as they go: after the
            // eighth picture each ring stands where the next one started.
            for (int ring = 0; ring < 3; ++ring) {
                const double travel = std::fmod(ring * 12 + frame * 12.0 / kFrames, 36);
                s.ring(60, 60, 26 + travel, blue.colorWithAlphaComponent(0.5 * (1 - travel / 36)), 2.5);
            }
            s.disc(60, 60, 24, blue);
            s.line({{54, 52.5}, {66, 66}, {60, 72}, {60, 48}, {66, 54}, {54, 67.5}}, ui::Color::whiteColor(),
                   2.6);
        });
    }
}

void registerPhoneIcon() {
    Sketch::registerImage("menubar_iphone", {28, 52}, [](Sketch& s) {
        s.fillBox(1, 1, 26, 50, 4.5, colorWithHexColorString("E6E8EB"));
        s.strokeBox(1, 1, 26, 50, 4.5, colorWithHexColorString("B8BDC4"), 0.8);
        s.fillBox(3, 8, 22, 35, 0.8, colorWithHexColorString("2C6DA8"));
        s.fillBox(10.5, 4, 7, 1.4, 0.7, colorWithHexColorString("9AA0A6"));
        s.ring(14, 47.2, 2.2, colorWithHexColorString("9AA0A6"), 0.9);
    });
}

void registerSettingsArtwork() {
    registerBluetoothAnimation();
    registerLineIcons();
    registerBadges();
    registerPictures();
}

}  // namespace kestrune
