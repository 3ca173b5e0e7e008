// Pictures of the menu bar for kestrune --snapshot: the twelve status icons (and the dark menu bar's), the
// panel with no phone, connected with every row, not connected, with Bluetooth off, in edit mode and with a
// notice, the twelve notices, and the settings menu with its submenus. The panel's scenes are built as the
// coordinator would drive them, from a tracked phone in throwaway data folders and fixed answers of the
// link, the updater and trusted Wi-Fi.

#include "menubar/MenuBarGallery.h"

#include <stdlib.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileDeviceInfo.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "features/FeaturePhoneRecordServices.h"
#include "features/language/BundleLanguage.h"
#include "features/updates/KestruneUpdater.h"
#include "menubar/MenuBarFacts.h"
#include "menubar/SettingsArtwork.h"
#include "menubar/settingsmenu/MenuBarSettings.h"
#include "menubar/statusitem/MainMenuBarController.h"
#include "platform/base/RunLoop.h"
#include "platform/storage/Files.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/Nib.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/TextField.h"
#include "platform/ui/Window.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

namespace {

// Fixed answers for one scene.
class SceneFacts : public MenuBarFacts {
public:
    bool bluetooth = true;
    bool scanning = false;
    bool newVersion = false;
    bool wifiUnlock = true;
    int32_t updater = KestruneUpdater::kStateIdle;

    bool bluetoothIsOn() override { return bluetooth; }
    bool bluetoothLESupported() override { return true; }
    bool bluetoothLEIsOn() override { return bluetooth; }
    bool isInitializingBLE() override { return false; }
    bool sholdShowCorruptedBluetoothCacheError() override { return false; }
    bool trackingDeviceIsConnected() override { return connected; }
    bool scanningTimerIsActive() override { return scanning; }
    bool anyNewVersionAvailable() override { return newVersion; }
    bool newiOSVersion() override { return false; }
    bool newMacVersion() override { return newVersion; }
    int32_t updaterState() override { return updater; }
    bool installAfterDownload() override { return false; }
    void setInstallAfterDownload(bool) override {}
    bool shouldAutomaticallyCheckForUpdates() override { return true; }
    void relaunchIfPossible() override {}
    void checkForUpdates() override {}
    bool safeWifiTurnedOn() override { return wifiUnlock; }
    bool shouldUnlockForSafeWifi() override { return false; }
    bool preconditionsToLockMacOnScreensaverAreSet() override { return true; }
    bool hasVideoDevice() override { return true; }
    bool lastKnownIsLauncOnStartup() override { return true; }

    bool connected = true;
};

// The scenes' controllers live as long as the process: they are never torn down after the status bar.
std::vector<std::shared_ptr<void>>& kept() {
    static auto* objects = new std::vector<std::shared_ptr<void>>();
    return *objects;
}

}  // namespace

void prepareSnapshotWorld() {
    static bool done = false;
    if (done) return;
    done = true;
    platform::ui::SceneRegistry::useThrowawayHome();
    useGalleryLanguage();
}

void trackSnapshotPhone(bool present, bool connected) {
    constexpr const char* kPhoneId = "snapshot-phone";
    prepareSnapshotWorld();
    auto& manager = DataManager::shared();
    manager.getSavedDataModel();
    PhoneRecordServices::install(std::make_shared<FeaturePhoneRecordServices>());
    manager.model()->dictOfAllMobileDevice()->erase(kPhoneId);
    manager.model()->dictOfMobileDeviceSettings()->erase(kPhoneId);
    if (!present) return;
    auto phone = MobileDevice::initWithUnId(kPhoneId);
    phone->mobileDeviceInfo()->setDeviceName("Ada's iPhone");
    phone->mobileDeviceConnectionInfo()->setIsConnected(platform::Number(connected));
    auto settings = MobileSettings::initWithUnId(kPhoneId);
    settings->pairingInfo()->setConnectionStatus(platform::Number(PairingInfo::kConnectionStatusPaired));
    settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(true));
    // The lock at a signal of 66 (1.6 m), the phone at 54 (0.8 m).
    settings->mobileDeviceTrackInfo()->setDistanceToLogin(platform::Number(66));
    settings->setDistanceFromDevice(platform::Number(54));
    if (!settings->iOSSettings()) settings->setIOSSettings(iOSPreferences::init());
    settings->iOSSettings()->setChosenMetric(platform::Number(1));
    settings->iOSSettings()->setIOSVersion(std::string("3.8.0"));
    (*manager.model()->dictOfAllMobileDevice())[kPhoneId] = phone;
    (*manager.model()->dictOfMobileDeviceSettings())[kPhoneId] = settings;
}

namespace {

// Lets fades and animated texts finish (at once in the virtual time the pictures are taken in).
void letAnimationsEnd() {
    platform::RunLoop::main().runUntil([] { return false; }, 1.2);
}

struct PanelScene {
    bool phone = true;
    bool connected = true;
    bool bluetooth = true;
    bool scanning = false;
    bool editMode = false;
    bool switchesOn = true;  // proximity locking and trusted Wi-Fi unlock
    int64_t notice = -1;
};

ui::Scene panel(const PanelScene& s) {
    trackSnapshotPhone(s.phone, s.connected);
    if (auto phone = DataManager::shared().getTrackingMobileDevice(); phone && !s.switchesOn)
        if (auto settings = DataManager::shared().settingsForDeviceId(phone->unId()))
            settings->mobileDeviceTrackInfo()->setShouldTrackMobileDevice(platform::Number(false));
    auto& local = DeviceLocalSettings::shared();
    local.setShowKestruneProximityOption(true);
    local.setShowWifiUnlockOnMainScreen(true);
    local.setShowClipboardManagerOnMainScreen(true);
    auto facts = std::make_shared<SceneFacts>();
    facts->bluetooth = s.bluetooth;
    facts->scanning = s.scanning;
    facts->connected = s.phone && s.connected;
    facts->wifiUnlock = s.switchesOn;
    MenuBarFacts::install(facts);

    auto controller = MainMenuBarController::init();
    kept().push_back(controller);
    controller->openMenuBar();
    auto& panelController = controller->panelController();
    if (s.editMode) panelController->editToggled();
    if (s.notice >= 0) {
        if (s.notice == NotificationViewController::kNewPhoneApplication)
            controller->iosVersionNotUpToDateForMobileDevice(DataManager::shared().getTrackingMobileDevice());
        else
            panelController->showNotification_withObject(s.notice, nullptr);
    }
    letAnimationsEnd();
    MenuBarFacts::install(nullptr);
    return {panelController->window(), nullptr};
}

// A strip of the menu bar showing one status item view per state.
class IconShelf : public ui::View {
public:
    bool dark = false;
    void drawRect(ui::Rect) override {
        auto* c = ui::GraphicsContext::current();
        if (!c) return;
        c->setFillColor(dark ? ui::Color::colorWithCalibratedWhite_alpha(0.12, 1)
                             : ui::Color::colorWithCalibratedWhite_alpha(0.99, 1));
        c->fillRect(bounds());
    }
};

std::shared_ptr<ui::TextField> caption(ui::View& parent, ui::Rect frame, const std::string& text, bool dark) {
    auto field = ui::TextField::create(frame);
    field->setEditable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(ui::Font::fontWithName_size("Helvetica Neue", 10));
    field->setTextColor(dark ? ui::Color::whiteColor() : ui::Color::darkGrayColor());
    field->setAlignment(ui::TextAlignment::Center);
    field->setStringValue(text);
    parent.addSubview(field);
    return field;
}

// Every icon at the status item's size, each column one state of the phone and the attention mark, the
// plain icon above the highlighted one (the panel open). On the dark bar the closed item draws the
// highlighted picture too.
ui::Scene icons(bool dark) {
    prepareSnapshotWorld();
    constexpr double kColumn = 92, kRow = 84;
    const char* links[] = {"online", "offline", "disconnected"};
    const double width = kColumn * 6, height = kRow * 2 + 10;
    auto shelf = ui::make<IconShelf>({0, 0, width, height});
    shelf->dark = dark;
    int column = 0;
    for (const char* link : links) {
        for (const char* mark : {"noupdate", "update"}) {
            for (int highlighted = 0; highlighted < 2; ++highlighted) {
                const double y = height - (highlighted + 1) * kRow;
                // Twice the item's size, so that the picture shows its detail.
                auto view = ui::make<StatusItemView>({column * kColumn + (kColumn - 48) / 2, y + 34, 48, 44});
                if (dark) view->setAppearanceName("NSAppearanceNameVibrantDark");
                const std::string base = std::string("menubar_icon_") + link;
                view->setImage(ui::Image::imageNamed(base + "_nonhl_" + mark));
                view->setAlternateImage(ui::Image::imageNamed(base + "_hl_" + mark));
                if (highlighted) {
                    // The highlighted item sits on the selection colour.
                    auto ground = ui::View::create(view->frame());
                    setBackgouroundColor(*ground, ui::Color::alternateSelectedControlColor());
                    ground->layer()->setCornerRadius(5);
                    shelf->addSubview(ground);
                }
                view->setHighlighted(highlighted == 1);
                shelf->addSubview(view);
                caption(*shelf, {column * kColumn, y + 17, kColumn, 14},
                        std::string(link) + (highlighted ? " hl" : ""), dark);
                caption(*shelf, {column * kColumn, y + 3, kColumn, 14}, mark, dark);
            }
            ++column;
        }
    }
    return {nullptr, shelf};
}

// Every notice of the panel, three in a row, on the panel's ground.
ui::Scene notices() {
    prepareSnapshotWorld();
    constexpr double kW = 275, kH = 94, kGap = 8;
    const int columns = 3, rows = 4;
    auto ground = ui::View::create({0, 0, columns * (kW + kGap) + kGap, rows * (kH + kGap) + kGap});
    setBackgouroundColor(*ground, ui::Color::colorWithCalibratedWhite_alpha(0.35, 1));
    for (int64_t state = 0; state < NotificationViewController::kStateCount; ++state) {
        auto notice = NotificationViewController::init();
        notice->setMobileDeviceName("Ada's iPhone");
        notice->setState(state);
        kept().push_back(notice);
        auto view = notice->view();
        const int column = static_cast<int>(state % columns), row = static_cast<int>(state / columns);
        view->setFrameOrigin(
            {kGap + column * (kW + kGap), ground->frame().height() - (row + 1) * (kH + kGap)});
        ground->addSubview(view);
        notice->updateSubviewLayout();
    }
    letAnimationsEnd();
    return {nullptr, ground};
}

// A menu drawn as it pops up: checks, pictures, dimmed items, separators and submenu arrows.
class MenuPicture : public ui::View {
public:
    static constexpr double kRowHeight = 20, kSeparatorHeight = 9, kInset = 5;

    static std::shared_ptr<MenuPicture> forMenu(const std::shared_ptr<ui::Menu>& menu, ui::Point origin) {
        double width = 160, height = 2 * kInset;
        for (const auto& item : menu->itemArray()) {
            if (item->isHidden()) continue;
            height += item->isSeparatorItem() ? kSeparatorHeight : kRowHeight;
            if (!item->isSeparatorItem()) width = std::max(width, text(*item).size().width + 60);
        }
        auto picture = ui::make<MenuPicture>({origin.x, origin.y, width, height});
        picture->menu_ = menu;
        return picture;
    }

    void drawRect(ui::Rect) override {
        auto* c = ui::GraphicsContext::current();
        if (!c || !menu_) return;
        const ui::Rect b = bounds();
        c->setFillColor(ui::Color::colorWithCalibratedWhite_alpha(0.97, 1));
        c->fillPath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b, 5, 5));
        c->setStrokeColor(ui::Color::colorWithCalibratedWhite_alpha(0.7, 1));
        c->strokePath(ui::BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(b.insetBy(0.5, 0.5), 5, 5));
        double top = b.maxY() - kInset;
        for (const auto& item : menu_->itemArray()) {
            if (item->isHidden()) continue;
            if (item->isSeparatorItem()) {
                c->setFillColor(ui::Color::colorWithCalibratedWhite_alpha(0.82, 1));
                c->fillRect({10, top - kSeparatorHeight / 2, b.width() - 20, 1});
                top -= kSeparatorHeight;
                continue;
            }
            const ui::Rect row{0, top - kRowHeight, b.width(), kRowHeight};
            const ui::Color ink = item->isEnabled() ? ui::Color::blackColor() : ui::Color::grayColor();
            auto small = ui::TextAttributes::withFont(ui::Font::fontWithName_size("Helvetica Neue", 13), ink);
            if (item->state() == 1)
                ui::AttributedString("\u2713", small).drawInRect({6, row.minY() + 2, 16, 16});
            double x = 22;
            if (auto image = item->image()) {
                image->drawInRect({x, row.midY() - 6, 12, 12});
                x += 16;
            }
            text(*item).drawInRect({x, row.minY() + 2, b.width() - x - 20, 17});
            if (item->hasSubmenu())
                ui::AttributedString("\u25B8", small).drawInRect({b.width() - 16, row.minY() + 2, 12, 16});
            top -= kRowHeight;
        }
    }

private:
    static ui::AttributedString text(const ui::MenuItem& item) {
        const ui::Color ink = item.isEnabled() ? ui::Color::blackColor() : ui::Color::grayColor();
        return ui::AttributedString(
            item.title(),
            ui::TextAttributes::withFont(ui::Font::fontWithName_size("Helvetica Neue", 13), ink));
    }
    std::shared_ptr<ui::Menu> menu_;
};

std::shared_ptr<MenuBarSettings> settingsMenu() {
    trackSnapshotPhone(true, true);
    auto facts = std::make_shared<SceneFacts>();
    facts->updater = KestruneUpdater::kStateNoUpdate;
    MenuBarFacts::install(facts);
    auto menu = MenuBarSettings::load();
    menu->setMobileDevice(DataManager::shared().getTrackingMobileDevice());
    MenuBarFacts::install(nullptr);
    kept().push_back(menu);
    return menu;
}

// The menu as it pops up; or each of its submenus, in rows.
ui::Scene menuScene(bool submenus) {
    constexpr double kGap = 10, kRowWidth = 1000;
    auto menu = settingsMenu();
    std::vector<std::shared_ptr<ui::Menu>> menus;
    if (!submenus) {
        menus.push_back(menu);
    } else {
        for (const auto& item : menu->itemArray())
            if (item->hasSubmenu()) menus.push_back(item->submenu());
    }
    // Places from the top left, in rows no wider than kRowWidth; then turned into the view's y-up space.
    std::vector<std::shared_ptr<MenuPicture>> pictures;
    std::vector<double> tops;
    double x = kGap, top = kGap, rowHeight = 0, width = 0;
    for (const auto& m : menus) {
        auto picture = MenuPicture::forMenu(m, {0, 0});
        const ui::Size size = picture->frame().size;
        if (x > kGap && x + size.width > kRowWidth) {
            x = kGap;
            top += rowHeight + kGap;
            rowHeight = 0;
        }
        picture->setFrameOrigin({x, 0});
        tops.push_back(top);
        pictures.push_back(picture);
        x += size.width + kGap;
        width = std::max(width, x);
        rowHeight = std::max(rowHeight, size.height);
    }
    const double height = top + rowHeight + kGap;
    auto ground = ui::View::create({0, 0, width, height});
    setBackgouroundColor(*ground, ui::Color::colorWithCalibratedWhite_alpha(0.55, 1));
    for (size_t i = 0; i < pictures.size(); ++i) {
        auto& p = pictures[i];
        p->setFrameOrigin({p->frame().minX(), height - tops[i] - p->frame().height()});
        ground->addSubview(p);
    }
    return {nullptr, ground};
}

}  // namespace

void registerMenuBarGallery() {
    // The panel's phone is drawn by code.
    registerPhoneIcon();
    ui::SceneRegistry::add("menubar-icons", [] { return icons(false); });
    ui::SceneRegistry::add("menubar-icons-dark", [] { return icons(true); });
    ui::SceneRegistry::add("menubar-panel-no-phone", [] { return panel({.phone = false}); });
    ui::SceneRegistry::add("menubar-panel-connected", [] { return panel({}); });
    ui::SceneRegistry::add("menubar-panel-not-connected",
                           [] { return panel({.connected = false, .scanning = true}); });
    ui::SceneRegistry::add("menubar-panel-switches-off", [] { return panel({.switchesOn = false}); });
    ui::SceneRegistry::add("menubar-panel-bluetooth-off", [] { return panel({.bluetooth = false}); });
    ui::SceneRegistry::add("menubar-panel-edit-mode",
                           [] { return panel({.connected = false, .editMode = true}); });
    ui::SceneRegistry::add("menubar-panel-notice",
                           [] { return panel({.notice = NotificationViewController::kUnableToUnlockMac}); });
    ui::SceneRegistry::add("menubar-notices", notices);
    ui::SceneRegistry::add("menubar-settings-menu", [] { return menuScene(false); });
    ui::SceneRegistry::add("menubar-settings-submenus", [] { return menuScene(true); });
}

}  // namespace kestrune
