#include "features/updates/RemoteChecker.h"

#include "app/support/KSUrlManager.h"
#include "platform/base/Log.h"
#include "platform/base/NotificationCenter.h"

namespace kestrune {

namespace {
// Digits, in groups joined by single dots ("3", "3.6.1"). Anything else ("latest", "1.2.3-beta", "")
// would compare as newer or older than it is meant, and the panel would warn about it every day.
bool isDottedNumbers(const std::string& text) {
    bool digitBefore = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            digitBefore = true;
        } else if (c == '.' && digitBefore) {
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

// The text as a log line may show it: short, on one line, printable.
std::string shown(const std::string& text) {
    constexpr size_t kLongest = 40;
    std::string out;
    for (size_t i = 0; i < text.size() && i < kLongest; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        out += (c >= 0x20 && c < 0x7f) ? static_cast<char>(c) : '?';
    }
    return text.size() > kLongest ? out + "..." : out;
}

std::optional<std::string> versionFor(const platform::Value& root, const char* key) {
    const platform::Value& value = root[key];
    if (value.string() && isDottedNumbers(*value.string())) return *value.string();
    if (value.string())
        platform::logf(
            "RemoteChecker: the configuration's \"%s\" is \"%s\", not dotted numbers; it counts "
            "as missing",
            key, shown(*value.string()).c_str());
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
