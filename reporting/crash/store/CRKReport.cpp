#include "reporting/crash/store/CRKReport.h"

#include "reporting/crash/CRKIdentity.h"

namespace reporting {

namespace {

constexpr uint32_t kMaxIncrementalCount = 64;
constexpr uint32_t kMaxInternalKeys = 32;

CRKReport::KeyValueFunctions& keyValueFunctions() {
    static CRKReport::KeyValueFunctions functions;
    return functions;
}

template <typename T, typename Read>
const T& cached(std::optional<T>& slot, Read read) {
    if (!slot) slot = read();
    return *slot;
}

}  // namespace

void CRKReport::setKeyValueFunctions(const KeyValueFunctions& functions) {
    keyValueFunctions() = functions;
}

CRKReport::CRKReport(std::shared_ptr<CRKInternalReport> internalReport, bool prefetchData)
    : internalReport_(std::move(internalReport)), readOnly_(prefetchData) {
    if (internalReport_) {
        internalCompactedKVFile_ = internalReport_->pathForContentFile("internal_compacted_kv.crkrecord");
        internalIncrementalKVFile_ = internalReport_->pathForContentFile("internal_incremental_kv.crkrecord");
        userCompactedKVFile_ = internalReport_->pathForContentFile("user_compacted_kv.crkrecord");
        userIncrementalKVFile_ = internalReport_->pathForContentFile("user_incremental_kv.crkrecord");
    }
    if (prefetchData) prefetch();
}

CRKReport::CRKReport(std::shared_ptr<CRKInternalReport> internalReport)
    : CRKReport(std::move(internalReport), false) {}

void CRKReport::prefetch() {
    identifier();
    bundleVersion();
    bundleShortVersionString();
    dateCreated();
    crashedOnDate();
    OSVersion();
    OSBuildVersion();
    isCrash();
    customKeys();
}

CRKUserLoggingKVStorage CRKReport::internalKVStorage() const {
    return {internalIncrementalKVFile_.c_str(), internalCompactedKVFile_.c_str(), kMaxIncrementalCount,
            kMaxInternalKeys};
}

CRKUserLoggingKVStorage CRKReport::userKVStorage() const {
    // The configured cap of user keys is in the kit's context.
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    const uint32_t maxKeys = readonly ? readonly->userKVStorage.maxCount : 0;
    return {userIncrementalKVFile_.c_str(), userCompactedKVFile_.c_str(), kMaxIncrementalCount, maxKeys};
}

bool CRKReport::canRecordNewValues() const {
    return !readOnly_ && CRKContextIsInitialized();
}

void CRKReport::recordValue_forInternalKey(const platform::Value& value, const std::string& key) {
    if (!canRecordNewValues() || !keyValueFunctions().record) return;
    keyValueFunctions().record(key, value, internalKVStorage(), &internalKVCounter_);
}

void CRKReport::recordValue_forUserKey(const platform::Value& value, const std::string& key) {
    if (!canRecordNewValues() || !keyValueFunctions().record) return;
    keyValueFunctions().record(key, value, userKVStorage(), &userKVCounter_);
}

void CRKReport::setObjectValue_forKey(const platform::Value& value, const std::string& key) {
    recordValue_forUserKey(value, key);
}

void CRKReport::setUserIdentifier(const std::string& identifier) {
    recordValue_forInternalKey(identifier, std::string(CRKReverseDomainPrefix) + ".user-id");
}

void CRKReport::setUserName(const std::string& name) {
    recordValue_forInternalKey(name, std::string(CRKReverseDomainPrefix) + ".user-name");
}

void CRKReport::setUserEmail(const std::string& email) {
    recordValue_forInternalKey(email, std::string(CRKReverseDomainPrefix) + ".user-email");
}

platform::Value::Dictionary CRKReport::readCustomKeys() const {
    if (!keyValueFunctions().compactedEntries) return {};
    return keyValueFunctions().compactedEntries(userKVStorage(), true);
}

std::string CRKReport::identifier() {
    return cached(identifer_,
                  [&] { return internalReport_ ? internalReport_->identifier() : std::string(); });
}

platform::Value::Dictionary CRKReport::customKeys() {
    return cached(customKeys_, [&] { return readCustomKeys(); });
}

std::optional<std::string> CRKReport::bundleVersion() {
    return cached(bundleVersion_,
                  [&] { return internalReport_ ? internalReport_->bundleVersion() : std::nullopt; });
}

std::optional<std::string> CRKReport::bundleShortVersionString() {
    return cached(bundleShortVersionString_, [&] {
        return internalReport_ ? internalReport_->bundleShortVersionString() : std::nullopt;
    });
}

std::optional<platform::Date> CRKReport::dateCreated() {
    return cached(dateCreated_,
                  [&] { return internalReport_ ? internalReport_->dateCreated() : std::nullopt; });
}

std::optional<platform::Date> CRKReport::crashedOnDate() {
    return cached(crashedOnDate_,
                  [&] { return internalReport_ ? internalReport_->crashedOnDate() : std::nullopt; });
}

std::optional<std::string> CRKReport::OSVersion() {
    return cached(OSVersion_, [&] { return internalReport_ ? internalReport_->OSVersion() : std::nullopt; });
}

std::optional<std::string> CRKReport::OSBuildVersion() {
    return cached(OSBuildVersion_,
                  [&] { return internalReport_ ? internalReport_->OSBuildVersion() : std::nullopt; });
}

bool CRKReport::isCrash() {
    return cached(isCrash_, [&] { return internalReport_ && internalReport_->isCrash(); });
}

}  // namespace reporting
