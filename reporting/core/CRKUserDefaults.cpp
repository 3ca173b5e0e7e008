#include "reporting/core/CRKUserDefaults.h"

#include <mutex>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"
#include "reporting/core/RKTIdentifiers.h"

namespace reporting {

namespace {

std::mutex gSharedDefaultsMutex;
std::shared_ptr<CRKUserDefaults> gSharedDefaults;

std::string queueLabel(const char* suffix) {
    return std::string(RKTCrashKitReverseDomainPrefix) + suffix;
}

}  // namespace

std::shared_ptr<CRKUserDefaults> CRKUserDefaults::standardUserDefaults() {
    std::lock_guard lock(gSharedDefaultsMutex);
    if (!gSharedDefaults) gSharedDefaults = std::make_shared<CRKUserDefaults>();
    return gSharedDefaults;
}

void CRKUserDefaults::resetStandardUserDefaultsForTesting() {
    std::lock_guard lock(gSharedDefaultsMutex);
    gSharedDefaults.reset();
}

CRKUserDefaults::CRKUserDefaults()
    : serialDictionaryQueue_(platform::DispatchQueue::createSerial(queueLabel(".CRKUserDefaults.access"))),
      synchronizationQueue_(platform::DispatchQueue::createSerial(queueLabel(".CRKUserDefaults.io"))) {
    serialDictionaryQueue_->sync([this] {
        directoryURL_ = generateDirectoryURL();
        fileURL_ = directoryURL_ + "/CRKUserDefaults.plist";
        // A process killed in the middle of a save leaves its temporary copy behind; nothing else would
        // ever read or remove it.
        platform::Files::removeLeftoverTemporaryFiles(fileURL_);
        persistedDataDictionary_ = loadDefaults().value_or(platform::Value::Dictionary{});
        dataDictionary_ = persistedDataDictionary_;
    });
}

std::string CRKUserDefaults::generateDirectoryURL() {
    return generateDirectoryURLForBaseURL_hostAppBundleIdentifier(
        platform::StandardFolders::applicationSupport(), getEscapedAppBundleIdentifier());
}

std::string CRKUserDefaults::generateDirectoryURLForBaseURL_hostAppBundleIdentifier(
    const std::string& base, const std::string& identifier) {
    std::string path = base;
    if (!identifier.empty()) path += "/" + identifier;
    return path + "/" + RKTCrashKitReverseDomainPrefix;
}

std::string CRKUserDefaults::getEscapedAppBundleIdentifier() {
    return platform::replaceAll(platform::Bundle::main().bundleIdentifier(), "/", "_");
}

platform::Value CRKUserDefaults::objectForKey(const std::string& key) const {
    platform::Value value;
    serialDictionaryQueue_->sync([&] {
        auto it = dataDictionary_.find(key);
        if (it != dataDictionary_.end()) value = it->second;
    });
    return value;
}

std::optional<std::string> CRKUserDefaults::stringForKey(const std::string& key) const {
    const platform::Value value = objectForKey(key);
    if (const auto* text = value.string()) return *text;
    return std::nullopt;
}

bool CRKUserDefaults::boolForKey(const std::string& key) const {
    const platform::Value value = objectForKey(key);
    const auto* number = value.number();
    return number && number->boolValue();
}

int64_t CRKUserDefaults::integerForKey(const std::string& key) const {
    const platform::Value value = objectForKey(key);
    const auto* number = value.number();
    return number ? number->longLongValue() : 0;
}

void CRKUserDefaults::setObject_forKey(const platform::Value& value, const std::string& key) {
    serialDictionaryQueue_->sync([&] {
        if (value.isNull()) {
            dataDictionary_.erase(key);
        } else {
            dataDictionary_[key] = value;
        }
    });
}

void CRKUserDefaults::setString_forKey(const std::string& value, const std::string& key) {
    setObject_forKey(platform::Value(value), key);
}

void CRKUserDefaults::setBool_forKey(bool value, const std::string& key) {
    setObject_forKey(platform::Value(value), key);
}

void CRKUserDefaults::setInteger_forKey(int64_t value, const std::string& key) {
    setObject_forKey(platform::Value(static_cast<long long>(value)), key);
}

void CRKUserDefaults::removeObjectForKey(const std::string& key) {
    serialDictionaryQueue_->sync([&] { dataDictionary_.erase(key); });
}

void CRKUserDefaults::removeAllObjects() {
    serialDictionaryQueue_->sync([&] { dataDictionary_.clear(); });
}

platform::Value::Dictionary CRKUserDefaults::dictionaryRepresentation() const {
    platform::Value::Dictionary copy;
    serialDictionaryQueue_->sync([&] { copy = dataDictionary_; });
    return copy;
}

bool CRKUserDefaults::synchronize() {
    bool changed = false;
    serialDictionaryQueue_->sync([&] {
        changed = !(persistedDataDictionary_ == dataDictionary_);
        synchronizeWroteToDisk_ = changed;
    });
    if (!changed) return true;

    const platform::Value::Dictionary snapshot = dictionaryRepresentation();
    bool written = false;
    synchronizationQueue_->sync([&] {
        // The kit's folder and the application's folder above it are the user's alone, also when an
        // earlier version made them open to others.
        const std::string appFolder = platform::Files::parentPath(directoryURL_);
        if (!getEscapedAppBundleIdentifier().empty()) {
            platform::Files::createDirectories(appFolder, 0700);
            platform::Files::makePrivate(appFolder);
        }
        if (!platform::Files::createDirectories(directoryURL_, 0700) ||
            !platform::Files::makePrivate(directoryURL_)) {
            platform::logf("[ReportKit:UserDefaults] failed to create directory with error:%s",
                           ("cannot create " + directoryURL_).c_str());
        }
        if (fileUnsafeToReplace_) {
            platform::logf("[ReportKit:UserDefaults] not saving over the unreadable file %s",
                           fileURL_.c_str());
            return;
        }
        auto bytes = platform::PropertyList::dataFromValue(platform::Value(snapshot),
                                                           platform::PropertyList::Format::XML);
        written = bytes && platform::Files::writeAtomically(fileURL_, *bytes, 0600);
        if (!written)
            platform::logf("[ReportKit:UserDefaults] Unable to open file for writing at path %s",
                           fileURL_.c_str());
    });

    // Only what reached the file counts as persisted: after a failed write the difference remains, so
    // the next synchronize tries again instead of believing the values saved.
    serialDictionaryQueue_->sync([&] {
        if (written) {
            persistedDataDictionary_ = snapshot;
        } else {
            synchronizeWroteToDisk_ = false;
        }
    });
    return written;
}

std::optional<platform::Value::Dictionary> CRKUserDefaults::loadDefaults() {
    std::optional<platform::Value::Dictionary> result;
    synchronizationQueue_->sync([&] {
        if (platform::Files::isDirectory(fileURL_)) {
            // Moved aside whole, never removed: what is inside was not put there by this store and may be
            // the user's. The store then starts empty and its next write makes the file in its place.
            platform::logf(
                "[ReportKit:UserDefaults] found directory where file expected. Moving the conflicting "
                "directory aside");
            // The platform's line names where it went, or why it could not be moved; in that case the
            // writes fail while the folder is in the way, and the folder stays whole.
            if (!platform::Files::moveAside(fileURL_))
                platform::logf(
                    "[ReportKit:UserDefaults] the conflicting directory stays; nothing is saved "
                    "over it");
            return;
        }
        if (!platform::Files::exists(fileURL_)) return;
        auto bytes = platform::Files::read(fileURL_);
        std::optional<platform::Value> value;
        if (bytes) value = platform::PropertyList::valueFromData(*bytes);
        if (value && value->dictionary()) {
            result = *value->dictionary();
            return;
        }
        platform::logf("[ReportKit:UserDefaults] failed to read existing UserDefaults file");
        // Kept aside rather than replaced by the next write: what it held may still be recovered. One
        // that cannot be moved is not written over either, for as long as this store lives.
        if (!platform::Files::moveAside(fileURL_)) fileUnsafeToReplace_ = true;
    });
    return result;
}

void CRKUserDefaults::migrateFromNSUserDefaults(const std::vector<std::string>& keys) {
    auto platformDefaults = platform::UserDefaults::standard();
    bool moved = false;
    for (const auto& key : keys) {
        platform::Value value = platformDefaults->objectForKey(key);
        if (value.isNull()) continue;
        setObject_forKey(value, key);
        moved = true;
    }
    if (!moved) return;
    // The platform's copies go only once this file holds the values.
    if (!synchronize()) return;
    for (const auto& key : keys) platformDefaults->removeObjectForKey(key);
    platformDefaults->synchronize();
}

platform::Value CRKUserDefaults::objectForKeyByMigratingFromNSUserDefaults(const std::string& key) {
    if (key.empty()) return {};
    platform::Value value = objectForKey(key);
    if (!value.isNull()) return value;
    auto platformDefaults = platform::UserDefaults::standard();
    value = platformDefaults->objectForKey(key);
    if (value.isNull()) return {};
    setObject_forKey(value, key);
    if (synchronize()) {
        platformDefaults->removeObjectForKey(key);
        platformDefaults->synchronize();
    }
    return value;
}

bool CRKUserDefaults::synchronizeWroteToDisk() const {
    bool wrote = false;
    serialDictionaryQueue_->sync([&] { wrote = synchronizeWroteToDisk_; });
    return wrote;
}

void CRKUserDefaults::setSynchronizeWroteToDisk(bool wrote) {
    serialDictionaryQueue_->sync([&] { synchronizeWroteToDisk_ = wrote; });
}

platform::Value::Dictionary CRKUserDefaults::persistedDataDictionary() const {
    platform::Value::Dictionary copy;
    serialDictionaryQueue_->sync([&] { copy = persistedDataDictionary_; });
    return copy;
}

platform::Value::Dictionary CRKUserDefaults::dataDictionary() const {
    return dictionaryRepresentation();
}

}  // namespace reporting
