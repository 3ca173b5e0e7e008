#include "features/history/LoginTrackerFactory.h"

#include "app/records/LoginLogoutEntry.h"
#include "app/store/ApplicationDataModel.h"
#include "app/store/DataManager.h"
#include "app/store/MainThreadCheck.h"
#include "features/photos/FailedLoginHelper.h"
#include "features/photos/TakePhotoManager.h"
#include "platform/base/Log.h"

namespace kestrune {

void LoginTrackerFactory::insertCurrentEvent_trigger_takePhoto(uint32_t event, uint32_t trigger,
                                                               bool takePhoto) {
    insertEvent_forDate_trigger_takePhoto(event, platform::Date::now(), trigger, takePhoto);
}

void LoginTrackerFactory::insertEvent_forDate_trigger_takePhoto(uint32_t event, platform::Date date,
                                                                uint32_t trigger, bool takePhoto) {
    insertEvent_forDate_trigger_takePhoto_completion(event, date, trigger, takePhoto, nullptr);
}

void LoginTrackerFactory::insertEvent_forDate_trigger_takePhoto_completion(
    uint32_t event, platform::Date date, uint32_t trigger, bool takePhoto,
    std::function<void(bool)> completion) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto entry = LoginLogoutEntry::initWithEvent_date_reason(event, date, trigger);
    if (takePhoto) {
        const std::string path = FailedLoginHelper::newImageFilePathLoginForDate(date);
        entry->setImagePath(path);
        TakePhotoManager::takePhotoAndSaveToFilePath_completion(path, nullptr);
    }
    insertLastEntry_takePhoto(entry, takePhoto);
    if (completion) completion(true);
}

void LoginTrackerFactory::insertLastEntry_takePhoto(const std::shared_ptr<LoginLogoutEntry>& entry, bool) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto data = applicationData();
    if (!data || !entry) return;
    auto& list = data->arrayOfLoginLogouts();
    if (!list) list.emplace();
    list->insert(list->begin(), entry);
    removeExtraTrackEntriesIfNeeded();
    saveTrackEvents();
    // "Outcome: " lines make the timeline of a scenario run.
    platform::logf("Outcome: history entry \"%s\"%s", entry->descriptionForTrackEvent().c_str(),
                   entry->imagePath() ? ", with a photo to come" : "");
}

void LoginTrackerFactory::appendOlderEntries(
    const std::vector<std::shared_ptr<LoginLogoutEntry>>& newestFirst) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto data = applicationData();
    if (!data) return;
    auto& list = data->arrayOfLoginLogouts();
    if (!list) list.emplace();
    for (const auto& entry : newestFirst)
        if (entry) list->push_back(entry);
    removeExtraTrackEntriesIfNeeded();
}

void LoginTrackerFactory::removeExtraTrackEntriesIfNeeded() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto data = applicationData();
    if (!data || !data->arrayOfLoginLogouts()) return;
    auto& list = *data->arrayOfLoginLogouts();
    if (list.size() > kMaximumEntries) list.resize(kMaximumEntries);
}

void LoginTrackerFactory::saveTrackEvents() {
    DataManager::shared().saveApplicationData();
}

void LoginTrackerFactory::removeAllTrackEvents() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (auto data = applicationData()) data->removeAllLoginLogoutEntries();
}

std::shared_ptr<ApplicationDataModel> LoginTrackerFactory::applicationData() {
    return loadApplicationData();
}

std::shared_ptr<ApplicationDataModel> LoginTrackerFactory::loadApplicationData() {
    return DataManager::shared().applicationData();
}

bool LoginTrackerFactory::applicationDataIsEmpty() {
    auto data = applicationData();
    if (!data) return true;
    const auto& failed = data->arrayOfFailedLogins();
    const auto& history = data->arrayOfLoginLogouts();
    return (!failed || failed->empty()) && (!history || history->empty());
}

std::vector<std::shared_ptr<LoginLogoutEntry>> LoginTrackerFactory::copyOfLoginLogoutEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    std::vector<std::shared_ptr<LoginLogoutEntry>> copies;
    auto data = applicationData();
    if (!data || !data->arrayOfLoginLogouts()) return copies;
    for (const auto& held : *data->arrayOfLoginLogouts()) {
        if (auto entry = std::dynamic_pointer_cast<LoginLogoutEntry>(held)) {
            auto copy = LoginLogoutEntry::initWithEvent_date_reason(0, platform::Date::now(), 0);
            copy->setEvent(entry->event());
            copy->setResponsible(entry->responsible());
            copy->setDate(entry->date());
            copy->setImagePath(entry->imagePath());
            copies.push_back(std::move(copy));
        }
    }
    return copies;
}

}  // namespace kestrune
