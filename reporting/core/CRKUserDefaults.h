#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Value.h"

namespace reporting {

// The kit's own small key-value store, in a property-list file of its own beside the host
// application's preferences: <Application Support>/<bundle identifier, "/" as "_">/<crash kit
// prefix>/CRKUserDefaults.plist. Setters change memory only; synchronize() writes the file when
// something changed.
//
// A write that fails is reported (false) and not taken for saved: the next synchronize tries again, and
// values moved over from the platform's defaults stay there until they have reached this file.
// Any thread may call the store, but never from one of its two queues.
class CRKUserDefaults {
public:
    static std::shared_ptr<CRKUserDefaults> standardUserDefaults();
    // Tests: the next standardUserDefaults() builds a new store from the (test's) folders.
    static void resetStandardUserDefaultsForTesting();

    CRKUserDefaults();
    CRKUserDefaults(const CRKUserDefaults&) = delete;
    CRKUserDefaults& operator=(const CRKUserDefaults&) = delete;

    static std::string generateDirectoryURL();
    static std::string generateDirectoryURLForBaseURL_hostAppBundleIdentifier(const std::string& base,
                                                                              const std::string& identifier);
    static std::string getEscapedAppBundleIdentifier();

    platform::Value objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;
    int64_t integerForKey(const std::string& key) const;
    // A none value removes the key.
    void setObject_forKey(const platform::Value& value, const std::string& key);
    void setString_forKey(const std::string& value, const std::string& key);
    void setBool_forKey(bool value, const std::string& key);
    void setInteger_forKey(int64_t value, const std::string& key);
    void removeObjectForKey(const std::string& key);
    void removeAllObjects();
    platform::Value::Dictionary dictionaryRepresentation() const;

    // Writes the live values when they differ from what the file is believed to hold. True when the
    // file holds them afterwards (nothing to write counts), false when the write failed.
    bool synchronize();
    // The file's dictionary, or none when there is no readable file. A file that cannot be read is moved
    // aside; so is a folder in its place, with what it holds.
    std::optional<platform::Value::Dictionary> loadDefaults();
    void migrateFromNSUserDefaults(const std::vector<std::string>& keys);
    platform::Value objectForKeyByMigratingFromNSUserDefaults(const std::string& key);

    bool synchronizeWroteToDisk() const;
    void setSynchronizeWroteToDisk(bool wrote);
    const std::string& directoryURL() const { return directoryURL_; }
    const std::string& fileURL() const { return fileURL_; }
    platform::Value::Dictionary persistedDataDictionary() const;
    platform::Value::Dictionary dataDictionary() const;
    const std::shared_ptr<platform::DispatchQueue>& serialDictionaryQueue() const {
        return serialDictionaryQueue_;
    }
    const std::shared_ptr<platform::DispatchQueue>& synchronizationQueue() const {
        return synchronizationQueue_;
    }

private:
    const std::shared_ptr<platform::DispatchQueue> serialDictionaryQueue_;
    const std::shared_ptr<platform::DispatchQueue> synchronizationQueue_;
    std::string directoryURL_;
    std::string fileURL_;
    platform::Value::Dictionary persistedDataDictionary_;  // access queue only
    platform::Value::Dictionary dataDictionary_;           // access queue only
    bool synchronizeWroteToDisk_ = false;                  // access queue only
    bool fileUnsafeToReplace_ = false;                     // synchronization queue only
};

}  // namespace reporting
