#include "features/photos/FailedLoginFactory.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/records/FailedLoginEntry.h"
#include "app/records/ManaulSnapshotEntry.h"
#include "app/store/DataManager.h"
#include "app/store/MainThreadCheck.h"
#include "app/support/Utilities.h"
#include "features/photos/FailedLoginHelper.h"
#include "features/photos/PhotoCollection.h"
#include "features/photos/TakePhotoManager.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"

namespace kestrune {

namespace {
void insertFirst(std::optional<ApplicationDataModel::EntryList>& list,
                 std::shared_ptr<platform::Object> entry) {
    if (!list) list.emplace();
    list->insert(list->begin(), std::move(entry));
}

bool removeFrom(std::optional<ApplicationDataModel::EntryList>& list,
                const std::shared_ptr<BaseEntry>& entry) {
    if (!list) return false;
    auto before = list->size();
    std::erase_if(*list,
                  [&](const std::shared_ptr<platform::Object>& held) { return held.get() == entry.get(); });
    return list->size() != before;
}

// Removes one of the photo folders, and only the folder itself: never the Documents folder that stands
// in for it when it could not be made, nor a link in its place, which leads to a folder of the user's
// and was never written through.
void removePhotoFolder(const char* folder) {
    const std::string path = FailedLoginHelper::ownFolderPath(folder);
    if (path == Utilities::documentsDirectory()) return;
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        platform::logf("FailedLoginFactory: the photo folder %s is a link; it is left as it is",
                       path.c_str());
        return;
    }
    if (platform::Files::exists(path) && !Utilities::removeFileAtPath(path))
        platform::logf("FailedLoginFactory: the folder %s could not be removed", path.c_str());
}

// Removes the records' photos one by one: those kept in the Documents folder, standing in for a photo
// folder that could not be made or was a link, go with their records, which removing the folder does
// not reach.
void removePhotosOf(const std::optional<ApplicationDataModel::EntryList>& list) {
    if (!list) return;
    PhotoCollection::Entries entries;
    for (const auto& held : *list)
        if (auto entry = std::dynamic_pointer_cast<BaseEntry>(held)) entries.push_back(std::move(entry));
    for (const auto& entry : PhotoCollection::entriesWithMugShots(entries))
        platform::Files::removeRegularFile(*entry->imagePath());
}
}  // namespace

void FailedLoginFactory::createAndSaveFailedLoginEventTakePhoto(bool takePhoto) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto entry = FailedLoginEntry::init();
    const platform::Date now = platform::Date::now();
    entry->setDate(now);
    if (takePhoto) {
        const std::string path = FailedLoginHelper::newImageFilePathFailedLoginAttemptsForDate(now);
        entry->setImagePath(path);
        TakePhotoManager::takePhotoAndSaveToFilePath_completion(path, nullptr);
    }
    auto data = DataManager::shared().applicationData();
    if (!data) return;
    insertFirst(data->arrayOfFailedLogins(), entry);
    DataManager::shared().saveApplicationData();
    platform::logf("Outcome: failed login recorded%s",
                   takePhoto ? ", a photo in 1.5 s" : ", without a photo");
}

void FailedLoginFactory::createAndSaveManualSnapshotWithCompletion(
    std::function<void(bool success)> completion) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto entry = ManaulSnapshotEntry::init();
    const platform::Date now = platform::Date::now();
    entry->setDate(now);
    const std::string path = FailedLoginHelper::newImageFilePathManualSnapshotsForDate(now);
    entry->setImagePath(path);
    if (auto data = DataManager::shared().applicationData()) {
        insertFirst(data->arrayOfManualSnapshots(), entry);
        DataManager::shared().saveApplicationData();
    }
    TakePhotoManager::takePhotoAndSaveToFilePath_completion(path, std::move(completion));
}

void FailedLoginFactory::deleteBaseEntry(const std::shared_ptr<BaseEntry>& entry) {
    if (!entry) return;
    // The one photo file and nothing else: a record damaged or edited by hand may point at a folder, a
    // link or a file of the user's, which stays as it is.
    if (const auto& path = entry->imagePath()) {
        if (PhotoCollection::isOwnPhotoFile(*path))
            platform::Files::removeRegularFile(*path);
        else if (platform::Files::exists(*path))
            platform::logf("FailedLoginFactory: %s is no photo of this application; it is left as it is",
                           path->c_str());
    }
    completelyRemoveEntryFromDatabaseIfNeeded(entry);
}

void FailedLoginFactory::completelyRemoveEntryFromDatabaseIfNeeded(const std::shared_ptr<BaseEntry>& entry) {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (!entry) return;
    const std::string kind = entry->className();
    if (kind != FailedLoginEntry::kClassName && kind != ManaulSnapshotEntry::kClassName) return;
    auto data = DataManager::shared().applicationData();
    if (!data) return;
    const bool removed =
        removeFrom(data->arrayOfFailedLogins(), entry) | removeFrom(data->arrayOfManualSnapshots(), entry);
    if (removed) DataManager::shared().saveApplicationData();
}

void FailedLoginFactory::deleteAllFaileLoginEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto data = DataManager::shared().applicationData();
    if (data) removePhotosOf(data->arrayOfFailedLogins());
    removePhotoFolder(FailedLoginHelper::kFailedLoginsFolder);
    if (data) {
        data->removeAllFailedLoginEntries();
        DataManager::shared().saveApplicationData();
    }
}

void FailedLoginFactory::deleteAllSnapshotEntries() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    auto data = DataManager::shared().applicationData();
    if (data) removePhotosOf(data->arrayOfManualSnapshots());
    removePhotoFolder(FailedLoginHelper::kManualSnapshotsFolder);
    if (data) {
        data->removeAllManualSnapshotEntries();
        DataManager::shared().saveApplicationData();
    }
}

void FailedLoginFactory::deleteAllLoginEntryImages() {
    KESTRUNE_REQUIRE_MAIN_THREAD();
    if (auto data = DataManager::shared().applicationData()) removePhotosOf(data->arrayOfLoginLogouts());
    removePhotoFolder(FailedLoginHelper::kLoginsFolder);
}

}  // namespace kestrune
