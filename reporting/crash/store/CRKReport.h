#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Value.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/store/CRKInternalReport.h"

namespace reporting {

// The public report object handed to the application's delegate: the report's facts, read once, and
// the key-value storage of the report's folder.
class CRKReport {
public:
    // The user-logging code records and reads key-value pairs; it installs these when it starts, so
    // that the report store does not depend on it. Without them nothing is recorded and no custom key
    // is read.
    struct KeyValueFunctions {
        void (*record)(const std::string& key, const platform::Value& value, CRKUserLoggingKVStorage storage,
                       uint32_t* counter) = nullptr;
        platform::Value::Dictionary (*compactedEntries)(CRKUserLoggingKVStorage storage,
                                                        bool decode) = nullptr;
    };
    static void setKeyValueFunctions(const KeyValueFunctions& functions);

    // With prefetch: a read-only report of an earlier run, every value read at once.
    CRKReport(std::shared_ptr<CRKInternalReport> internalReport, bool prefetchData);
    // A writable report of the current run.
    explicit CRKReport(std::shared_ptr<CRKInternalReport> internalReport);

    CRKUserLoggingKVStorage internalKVStorage() const;
    CRKUserLoggingKVStorage userKVStorage() const;
    bool canRecordNewValues() const;
    void recordValue_forInternalKey(const platform::Value& value, const std::string& key);
    void recordValue_forUserKey(const platform::Value& value, const std::string& key);
    void setObjectValue_forKey(const platform::Value& value, const std::string& key);
    void setUserIdentifier(const std::string& identifier);
    void setUserName(const std::string& name);
    void setUserEmail(const std::string& email);
    // Write-only: always none.
    std::optional<std::string> userIdentifier() const { return std::nullopt; }
    std::optional<std::string> userName() const { return std::nullopt; }
    std::optional<std::string> userEmail() const { return std::nullopt; }
    platform::Value::Dictionary readCustomKeys() const;

    std::string identifier();
    platform::Value::Dictionary customKeys();
    std::optional<std::string> bundleVersion();
    std::optional<std::string> bundleShortVersionString();
    std::optional<platform::Date> dateCreated();
    std::optional<platform::Date> crashedOnDate();
    std::optional<std::string> OSVersion();
    std::optional<std::string> OSBuildVersion();
    bool isCrash();
    const std::shared_ptr<CRKInternalReport>& internalReport() const { return internalReport_; }
    bool readOnly() const { return readOnly_; }

private:
    void prefetch();

    std::shared_ptr<CRKInternalReport> internalReport_;
    bool readOnly_ = false;
    uint32_t internalKVCounter_ = 0;
    uint32_t userKVCounter_ = 0;
    std::string internalCompactedKVFile_;
    std::string internalIncrementalKVFile_;
    std::string userCompactedKVFile_;
    std::string userIncrementalKVFile_;

    std::optional<std::string> identifer_;
    std::optional<std::optional<std::string>> bundleVersion_;
    std::optional<std::optional<std::string>> bundleShortVersionString_;
    std::optional<std::optional<platform::Date>> dateCreated_;
    std::optional<std::optional<platform::Date>> crashedOnDate_;
    std::optional<std::optional<std::string>> OSVersion_;
    std::optional<std::optional<std::string>> OSBuildVersion_;
    std::optional<bool> isCrash_;
    std::optional<platform::Value::Dictionary> customKeys_;
};

}  // namespace reporting
