#include "platform/storage/UserDefaults.h"

#include <map>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"

namespace platform {

namespace {

std::mutex& storesMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::map<std::string, std::shared_ptr<UserDefaults>>& stores() {
    static auto* map = new std::map<std::string, std::shared_ptr<UserDefaults>>;
    return *map;
}

// A suite name becomes a file name: anything that could leave the folder or hide the file is replaced.
std::string fileNameForSuite(const std::string& suite) {
    std::string name;
    for (char c : suite) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                     c == '-' || c == '_';
        name += plain ? c : '_';
    }
    if (name.empty() || name[0] == '.') name = "_" + name;
    return name + ".plist";
}

}  // namespace

UserDefaults::UserDefaults(std::string suiteName)
    : suiteName_(std::move(suiteName)),
      path_(StandardFolders::config() + "/Kestrune/" + fileNameForSuite(suiteName_)) {}

std::shared_ptr<UserDefaults> UserDefaults::standard() {
    return suite(kStandardSuiteName);
}

std::shared_ptr<UserDefaults> UserDefaults::suite(const std::string& name) {
    std::lock_guard lock(storesMutex());
    auto& store = stores()[name];
    if (!store) store = std::make_shared<UserDefaults>(name);
    return store;
}

void UserDefaults::resetAllForTesting() {
    std::lock_guard lock(storesMutex());
    stores().clear();
}

void UserDefaults::loadIfNeededLocked() {
    if (loaded_) return;
    loaded_ = true;
    Files::removeLeftoverTemporaryFiles(path_);
    if (!Files::exists(path_)) return;
    auto bytes = Files::read(path_);
    std::optional<Value> contents;
    if (bytes) contents = PropertyList::valueFromData(*bytes);
    if (contents && contents->dictionary()) {
        stored_ = std::move(*contents->dictionary());
        return;
    }
    logf("User defaults %s: the file %s cannot be read; starting without its values", suiteName_.c_str(),
         path_.c_str());
    movedAside_ = Files::moveAside(path_);
    if (!movedAside_) fileUnsafeToReplace_ = true;
}

bool UserDefaults::writeLocked() {
    if (fileUnsafeToReplace_) {
        logf("User defaults %s: not saving over the unreadable file %s", suiteName_.c_str(), path_.c_str());
        dirty_ = true;
        return false;
    }
    auto data = PropertyList::dataFromValue(Value(stored_), PropertyList::Format::XML);
    // The folder is ours alone; one made looser by an earlier version is tightened.
    if (Files::isDirectory(Files::parentPath(path_))) Files::makePrivate(Files::parentPath(path_));
    // A save that would put the same bytes back (a value set to what it already was, a write retried
    // after another process saved the same) leaves the file alone: it already holds the change.
    if (!data || !Files::writeAtomicallyUnlessUnchanged(path_, *data, 0600)) {
        if (!Files::isInUnwritableFolder(path_))
            logf("User defaults %s: could not save %s", suiteName_.c_str(), path_.c_str());
        dirty_ = true;
        return false;
    }
    dirty_ = false;
    return true;
}

Value UserDefaults::lookupLocked(const std::string& key) {
    loadIfNeededLocked();
    auto it = stored_.find(key);
    if (it != stored_.end()) return it->second;
    auto registered = registered_.find(key);
    return registered != registered_.end() ? registered->second : Value();
}

Value UserDefaults::objectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    return lookupLocked(key);
}

bool UserDefaults::setObject_forKey(const Value& value, const std::string& key) {
    if (value.isNull()) return removeObjectForKey(key);
    if (!PropertyList::nodeFromValue(value)) {
        logf("User defaults %s: refused the value %s for \"%s\"; a property list cannot hold it",
             suiteName_.c_str(), value.description().c_str(), key.c_str());
        return false;
    }
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    stored_[key] = value;
    return writeLocked();
}

bool UserDefaults::removeObjectForKey(const std::string& key) {
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    if (stored_.erase(key) == 0 && !dirty_) return true;
    return writeLocked();
}

void UserDefaults::registerDefaults(const Value::Dictionary& defaults) {
    std::lock_guard lock(mutex_);
    for (const auto& [key, value] : defaults) registered_[key] = value;
}

Value::Dictionary UserDefaults::dictionaryRepresentation() {
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    Value::Dictionary all = registered_;
    for (const auto& [key, value] : stored_) all[key] = value;
    return all;
}

bool UserDefaults::boolForKey(const std::string& key) {
    Value value = objectForKey(key);
    if (auto number = value.number()) return number->boolValue();
    if (auto text = value.string()) {
        std::string lower = toLowerASCII(trimWhitespace(*text));
        if (lower == "yes" || lower == "true") return true;
        auto parsed = Number::parse(lower);
        return parsed && parsed->boolValue();
    }
    return false;
}

int64_t UserDefaults::integerForKey(const std::string& key) {
    Value value = objectForKey(key);
    if (auto number = value.number()) return number->longLongValue();
    if (auto text = value.string())
        if (auto parsed = Number::parse(*text)) return parsed->longLongValue();
    return 0;
}

double UserDefaults::doubleForKey(const std::string& key) {
    Value value = objectForKey(key);
    if (auto number = value.number()) return number->doubleValue();
    if (auto text = value.string())
        if (auto parsed = Number::parse(*text)) return parsed->doubleValue();
    return 0;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) {
    Value value = objectForKey(key);
    if (auto text = value.string()) return *text;
    if (auto number = value.number()) return number->stringValue();
    return std::nullopt;
}

std::optional<Date> UserDefaults::dateForKey(const std::string& key) {
    Value value = objectForKey(key);
    if (auto date = value.date()) return *date;
    return std::nullopt;
}

bool UserDefaults::setBool_forKey(bool value, const std::string& key) {
    return setObject_forKey(Value(value), key);
}
bool UserDefaults::setInteger_forKey(int64_t value, const std::string& key) {
    return setObject_forKey(Value(Number(static_cast<long long>(value))), key);
}
bool UserDefaults::setDouble_forKey(double value, const std::string& key) {
    return setObject_forKey(Value(value), key);
}
bool UserDefaults::setString_forKey(const std::string& value, const std::string& key) {
    return setObject_forKey(Value(value), key);
}
bool UserDefaults::setDate_forKey(const Date& value, const std::string& key) {
    return setObject_forKey(Value(value), key);
}

bool UserDefaults::clearPersistentDomain() {
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    stored_.clear();
    dirty_ = false;
    if (fileUnsafeToReplace_) {
        logf("User defaults %s: left the unreadable file %s in place", suiteName_.c_str(), path_.c_str());
        return false;
    }
    if (Files::exists(path_) && !Files::remove(path_)) {
        dirty_ = true;  // the old values are still on disk; a later synchronize writes the empty domain
        return false;
    }
    return true;
}

bool UserDefaults::removePersistentDomainForName(const std::string& name) {
    if (name == suiteName_) return clearPersistentDomain();
    return suite(name)->clearPersistentDomain();
}

bool UserDefaults::synchronize() {
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    if (!dirty_) return true;
    return writeLocked();
}

std::optional<std::string> UserDefaults::unreadableFileMovedTo() {
    std::lock_guard lock(mutex_);
    loadIfNeededLocked();
    return movedAside_;
}

}  // namespace platform
