#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Value.h"

namespace platform {

// A user-defaults store: the settings of one suite, kept in one XML property list
// ($XDG_CONFIG_HOME/Kestrune/<suite>.plist), with defaults registered in memory beneath them.
//
// Every change reaches the file, atomically, before the setter returns; a setter answers false when it
// could not, keeps the new value in memory and leaves synchronize() to try again. The file is read on
// first use; a file that exists but cannot be read is moved aside and reported, never overwritten. Any
// thread may use a store.
class UserDefaults {
public:
    static constexpr const char* kStandardSuiteName = "com.kestrune.Kestrune";

    // The application's own suite.
    static std::shared_ptr<UserDefaults> standard();
    // The store of the named suite; the same object for the same name within the process.
    static std::shared_ptr<UserDefaults> suite(const std::string& name);
    // Tests: forget every store, so that the next use reads its file afresh (in the test's own folders).
    static void resetAllForTesting();

    const std::string& suiteName() const { return suiteName_; }
    const std::string& filePath() const { return path_; }

    // The stored value, else the registered default, else none.
    Value objectForKey(const std::string& key);
    // Stores the value (none removes the key) and writes the file. A value a property list cannot hold
    // (a record, none inside a list) is refused. False when the value was refused or the file not written.
    bool setObject_forKey(const Value& value, const std::string& key);
    bool removeObjectForKey(const std::string& key);

    // Adds to the defaults that answer for keys never stored; memory only.
    void registerDefaults(const Value::Dictionary& defaults);
    // The registered defaults overlaid by the stored values.
    Value::Dictionary dictionaryRepresentation();

    // Typed reads. A number or a text that reads as one converts; anything else reads NO, 0 or none.
    bool boolForKey(const std::string& key);
    int64_t integerForKey(const std::string& key);
    double doubleForKey(const std::string& key);
    std::optional<std::string> stringForKey(const std::string& key);
    std::optional<Date> dateForKey(const std::string& key);

    bool setBool_forKey(bool value, const std::string& key);
    bool setInteger_forKey(int64_t value, const std::string& key);
    bool setDouble_forKey(double value, const std::string& key);
    bool setString_forKey(const std::string& value, const std::string& key);
    bool setDate_forKey(const Date& value, const std::string& key);

    // Removes every stored value of the named suite (this one or another) and its file.
    bool removePersistentDomainForName(const std::string& name);
    // Writes the file when a change has not reached it yet; true when the file matches memory.
    bool synchronize();

    // Where an unreadable file of this suite was moved on loading, if that happened.
    std::optional<std::string> unreadableFileMovedTo();

    explicit UserDefaults(std::string suiteName);
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

private:
    void loadIfNeededLocked();
    bool writeLocked();
    bool clearPersistentDomain();
    Value lookupLocked(const std::string& key);

    const std::string suiteName_;
    const std::string path_;
    std::mutex mutex_;
    bool loaded_ = false;
    bool dirty_ = false;
    // The file exists but could neither be read nor moved aside: writing would destroy it.
    bool fileUnsafeToReplace_ = false;
    std::optional<std::string> movedAside_;
    Value::Dictionary stored_;
    Value::Dictionary registered_;
};

}  // namespace platform
