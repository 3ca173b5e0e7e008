#include "features/updates/RemoteChecker.h"

#include "app/support/KSUrlManager.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"
#include "platform/base/Strings.h"
#include "platform/services/SoftwareUpdater.h"

namespace kestrune {

namespace {

std::optional<std::string> versionFor(const platform::Value& root, const char* key) {
    const platform::Value& value = root[key];
    if (value.string() && platform::SoftwareUpdater::isDottedVersion(*value.string())) return *value.string();
    if (value.string())
        platform::logf(
            "RemoteChecker: the configuration's \"%s\" is \"%s\", not dotted numbers; it counts "
            "as missing",
            key, platform::printableForLog(*value.string()).c_str());
    else if (!value.isNull())
        platform::logf("RemoteChecker: the configuration's \"%s\" is %s, not a text; it counts as missing",
                       key, value.description().c_str());
    return std::nullopt;
}
}  // namespace

std::shared_ptr<RemoteChecker> RemoteChecker::create() {
    std::shared_ptr<RemoteChecker> checker(new RemoteChecker());
    checker->configFile_ = std::make_shared<ConfigFile>();
    checker->configFetch_ = RemoteConfigFetch::create();
    checker->configFetch_->delegate = checker;
    checker->automaticTrigger_ = EventAutomaticTriggerer::create(checker);
    checker->automaticTrigger_->checkVersionWhenPossible();
    return checker;
}

bool RemoteChecker::readConfiguration(const platform::Value& root, ConfigFile& into) {
    if (!root.dictionary()) {
        platform::logf("RemoteChecker: the configuration's root is %s, not a dictionary; it is ignored",
                       root.description().c_str());
        return false;
    }
    into.setVersions(versionFor(root, "iOSVersion"), versionFor(root, "macVersion"));
    return true;
}

void RemoteChecker::fetchConfigWhenPossible() {
    automaticTrigger_->checkVersionWhenPossible();
}

bool RemoteChecker::didFetchConfigAtLeastOnce() const {
    return configFile_->iOSVersion().has_value();
}

void RemoteChecker::eventAutomaticTriggererShouldCheckUpdate(EventAutomaticTriggerer&) {
    if (fetching_) return;
    fetching_ = true;
    configFetch_->fetchConfigFileWithURLString(KSUrlManager::feedUrlCustomConfig());
}

void RemoteChecker::remoteConfigFetch_didFetchDict(RemoteConfigFetch&, const platform::Value& root) {
    fetching_ = false;
    if (!readConfiguration(root, *configFile_)) return;
    // A document was read: the next check waits at least the minimal interval.
    automaticTrigger_->didCheckUpdateSuccessfully();
    platform::NotificationCenter::defaultCenter().post(kNotificationConfigFetched, this);
}

void RemoteChecker::remoteConfigFetch_didFaileToFetchConfigWithError(RemoteConfigFetch&, const std::string&) {
    fetching_ = false;
}

}  // namespace kestrune
