// Pictures of the history window, the activity chart, the photo window and its popovers for
// kestrune --snapshot. The windows read the application data as they do in the application; the scenes
// fill it in memory, in a home folder of their own made for the pictures, so that neither the user's
// records are shown nor anything of the user's is touched.

#include "windows/HistoryPhotosGallery.h"

#include <stdlib.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "app/store/DataManager.h"
#include "app/support/CachedCalendar.h"
#include "app/support/Utilities.h"
#include "features/language/BundleLanguage.h"
#include "menubar/photos/PopoverModelFactory.h"
#include "platform/base/RunLoop.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "windows/history/ActivityVizualizationController.h"
#include "windows/history/LoginLogoutHistoryWindow.h"
#include "windows/photos/KestruneCollectionWindow.h"
#include "windows/photos/PpopverContentInfoController.h"

namespace kestrune {

namespace {

// What the scenes show stays alive as long as the program.
std::vector<std::shared_ptr<void>>& keptForGallery() {
    static std::vector<std::shared_ptr<void>> objects;
    return objects;
}

// Once per program: the standard folders point into a throwaway folder, removed at exit.
const std::string& galleryHome() {
    return platform::ui::SceneRegistry::useThrowawayHome();
}

// Everything queued (rows built in the background, grids laid out) done, as a moment after opening.
void settle() {
    platform::RunLoop::main().runUntilIdle();
}

platform::Date on(int day, int hour, int minute) {
    // The first days of March 2026, in the local time zone.
    return currentCalendarCached().dateFromComponents(2026, 3, day, hour, minute, 0);
}

// The application data of the scenes' home, emptied.
std::shared_ptr<ApplicationDataModel> freshData() {
    galleryHome();
    auto data = DataManager::shared().applicationData();
    if (!data) return nullptr;
    data->arrayOfLoginLogouts().emplace();
    data->arrayOfFailedLogins().emplace();
    data->arrayOfManualSnapshots().emplace();
    return data;
}

// Newest first, as stored.
void addEvent(ApplicationDataModel& data, uint32_t event, platform::Date date, uint32_t cause,
              std::optional<std::string> photo = std::nullopt) {
    auto entry = LoginLogoutEntry::initWithEvent_date_reason(event, date, cause);
    entry->setImagePath(std::move(photo));
    data.arrayOfLoginLogouts()->insert(data.arrayOfLoginLogouts()->begin(), entry);
}

std::shared_ptr<FailedLoginEntry> addFailure(ApplicationDataModel& data, platform::Date date,
                                             std::optional<std::string> photo) {
    auto entry = FailedLoginEntry::init();
    entry->setDate(date);
    entry->setImagePath(std::move(photo));
    data.arrayOfFailedLogins()->insert(data.arrayOfFailedLogins()->begin(), entry);
    return entry;
}

// A frame of the camera written where a record points.
std::string cameraPhoto(const GalleryPhotoSource& camera, int index) {
    const platform::VideoFrame frame = camera(320, 240, index * 37);
    ui::Bitmap bitmap;
    bitmap.width = frame.width;
    bitmap.height = frame.height;
    bitmap.pixels = frame.pixels;
    galleryHome();
    // The application's own photo folder: the photo window shows no photo keptForGallery anywhere else.
    const std::string folder = Utilities::applicationDataKestruneFailedLoginImagesDirectory();
    const std::string path = folder + "/photo-" + std::to_string(index) + ".png";
    ui::Image::createWithBitmap(std::move(bitmap), {double(frame.width), double(frame.height)})
        ->writePNGToFile(path);
    return path;
}

ui::Scene historyWindow(const GalleryPhotoSource& camera, bool filtered) {
    auto data = freshData();
    if (!data) return {};
    addEvent(*data, LoginLogoutEntry::kEventStarted, on(2, 8, 55), 0);
    addEvent(*data, LoginLogoutEntry::kEventUnlocked, on(2, 9, 0), 1);
    addEvent(*data, LoginLogoutEntry::kEventLocked, on(2, 12, 30), 3);
    addEvent(*data, LoginLogoutEntry::kEventUnlocked, on(2, 13, 15), 3, cameraPhoto(camera, 1));
    addFailure(*data, on(2, 13, 40), cameraPhoto(camera, 2));
    addEvent(*data, LoginLogoutEntry::kEventLocked, on(2, 18, 5), 3);
    addEvent(*data, LoginLogoutEntry::kEventQuit, on(2, 18, 10), 0);
    auto window = KSWindowController::create<LoginLogoutHistoryWindow>();
    window->showWindow();
    settle();
    if (filtered) {
        auto bar = window->filterController();
        if (bar && bar->loginButton && bar->logoutButton) {
            bar->loginFilterToggled(*bar->loginButton);
            bar->logoutFilterToggled(*bar->logoutButton);
            settle();
        }
    }
    window->createCloseButton();
    keptForGallery().push_back(window);
    return {window->window(), nullptr};
}

ui::Scene activityChart() {
    auto data = freshData();
    if (!data) return {};
    const struct {
        int day, fromHour, fromMinute, toDay, toHour, toMinute;
    } sessions[] = {{2, 8, 40, 2, 12, 15}, {2, 13, 10, 2, 18, 30}, {3, 9, 5, 3, 17, 45},
                    {4, 7, 30, 4, 11, 0},  {4, 14, 0, 4, 16, 20},  {4, 21, 30, 5, 1, 45},
                    {5, 10, 0, 5, 19, 10}, {6, 9, 0, 6, 9, 40},    {6, 11, 0, 6, 13, 0},
                    {6, 15, 30, 6, 22, 0}, {8, 10, 15, 8, 14, 50}};
    for (const auto& s : sessions) {
        addEvent(*data, LoginLogoutEntry::kEventUnlocked, on(s.day, s.fromHour, s.fromMinute), 3);
        addEvent(*data, LoginLogoutEntry::kEventLocked, on(s.toDay, s.toHour, s.toMinute), 3);
    }
    auto chart = KSWindowController::create<ActivityVizualizationController>();
    chart->showWindow();
    settle();
    chart->createCloseButton();
    keptForGallery().push_back(chart);
    return {chart->window(), nullptr};
}

ui::Scene photoWindow(const GalleryPhotoSource& camera) {
    auto data = freshData();
    if (!data) return {};
    std::vector<std::shared_ptr<FailedLoginEntry>> failures;
    for (int i = 0; i < 5; ++i)
        failures.push_back(addFailure(*data, on(2 + i, 9 + i, 12 * i), cameraPhoto(camera, 10 + i)));
    auto window = KSWindowController::create<KestruneCollectionWindow>();
    window->showFailedLoginAttemptEntries = true;
    // The second newest, as a click on its notification would ask.
    window->showWindowWithEntry(failures[3]);
    window->showWindow();
    settle();
    window->createCloseButton();
    keptForGallery().push_back(window);
    return {window->window(), nullptr};
}

ui::Scene photoNotice() {
    if (!freshData()) return {};
    auto window = KSWindowController::create<KestruneCollectionWindow>();
    window->showLoginEntries = true;
    window->showWindow();
    settle();
    window->createCloseButton();
    keptForGallery().push_back(window);
    return {window->window(), nullptr};
}

ui::Scene popover(int32_t type) {
    auto factory = PopoverModelFactory::init();
    auto content = PpopverContentInfoController::create();
    content->setPopoverModel(factory->popoverModelForType(type));
    keptForGallery().push_back(content);
    return {nullptr, content->view()};
}

}  // namespace

void registerHistoryAndPhotosGallery(GalleryPhotoSource photos) {
    useGalleryLanguage();
    ui::SceneRegistry::add("history-window", [photos] { return historyWindow(photos, false); });
    ui::SceneRegistry::add("history-window-filtered", [photos] { return historyWindow(photos, true); });
    ui::SceneRegistry::add("activity-chart", [] { return activityChart(); });
    ui::SceneRegistry::add("photo-window", [photos] { return photoWindow(photos); });
    ui::SceneRegistry::add("photo-window-notice", [] { return photoNotice(); });
    for (int32_t type = 3; type <= 9; ++type)
        ui::SceneRegistry::add("photo-popover-" + std::to_string(type), [type] { return popover(type); });
}

}  // namespace kestrune
