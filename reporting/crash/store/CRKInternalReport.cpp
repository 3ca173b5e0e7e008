#include "reporting/crash/store/CRKInternalReport.h"

#include <unistd.h>

#include "platform/base/Log.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileManager.h"
#include "reporting/crash/store/CRKFileReader.h"

namespace reporting {

namespace {

bool fileExists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

const std::vector<std::string> kSubmittableFiles = {
    "exception.crkrecord",          "signal.crkrecord",         "custom_exception_a.crkrecord",
    "custom_exception_b.crkrecord", "mach_exception.crkrecord", "errors_a.crkrecord",
    "errors_b.crkrecord",
};

std::optional<std::string> stringOf(const platform::Value& value) {
    if (const std::string* text = value.string()) return *text;
    return std::nullopt;
}

std::optional<platform::Date> dateOf(const platform::Value& value) {
    if (const platform::Number* number = value.number(); number && !number->isBoolean()) {
        return platform::Date::dateWithTimeIntervalSince1970(number->doubleValue());
    }
    return std::nullopt;
}

}  // namespace

CRKInternalReport::CRKInternalReport(std::string path, std::string identifier)
    : path_(std::move(path)), identifier_(std::move(identifier)) {}

std::shared_ptr<CRKInternalReport> CRKInternalReport::reportWithPath(const std::string& path) {
    return initWithPath(path);
}

std::shared_ptr<CRKInternalReport> CRKInternalReport::initWithPath(const std::string& path) {
    auto report = std::make_shared<CRKInternalReport>(path, "");
    const std::optional<std::string> identifier =
        stringOf(report->metadataValue(0, "identity", "session_id"));
    if (!identifier) {
        platform::logf("[CrashKit:Crash] Unable to read identifier at path %s", path.c_str());
        return nullptr;
    }
    if (!CRKFileManager::isPlainFileName(*identifier)) {
        platform::logf("[CrashKit:Crash] Unusable identifier at path %s", path.c_str());
        return nullptr;
    }
    report->identifier_ = *identifier;
    return report;
}

std::shared_ptr<CRKInternalReport> CRKInternalReport::initWithPath_executionIdentifier(
    const std::string& path, const std::string& identifier) {
    if (path.empty() || identifier.empty()) return nullptr;
    return std::make_shared<CRKInternalReport>(path, identifier);
}

std::string CRKInternalReport::directoryName() const {
    std::string trimmed = path_;
    while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
    const auto slash = trimmed.rfind('/');
    return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

std::string CRKInternalReport::pathForContentFile(const std::string& name) const {
    return CRKPathByAppendingComponent(path_, name);
}
std::string CRKInternalReport::metadataPath() const {
    return pathForContentFile("metadata.crkrecord");
}
std::string CRKInternalReport::binaryImagePath() const {
    return pathForContentFile("binary_images.crkrecord");
}

bool CRKInternalReport::needsToBeSubmitted() const {
    return checkExistenceOfAtLeastOnceFileInArray(kSubmittableFiles);
}

const std::vector<std::string>& CRKInternalReport::crashFilenames() {
    // Never destroyed: the kit's queues may still read reports while the process ends.
    static const auto& names =
        *new std::vector<std::string>{"exception.crkrecord", "mach_exception.crkrecord", "signal.crkrecord"};
    return names;
}

bool CRKInternalReport::isCrash() const {
    return checkExistenceOfAtLeastOnceFileInArray(crashFilenames());
}

bool CRKInternalReport::checkExistenceOfAtLeastOnceFileInArray(const std::vector<std::string>& names) const {
    for (const std::string& name : names) {
        if (fileExists(pathForContentFile(name))) return true;
    }
    return false;
}

void CRKInternalReport::enumerateSymbolicatableFilesInContent(
    const std::function<void(const std::string&)>& block) const {
    if (!block) return;
    for (const std::string& name : crashFilenames()) block(pathForContentFile(name));
}

std::optional<platform::Value::Array> CRKInternalReport::readCRKFileAtPath(const std::string& path) {
    auto sections = CRKFileReadSections(path.c_str(), false);
    if (!sections || sections->empty()) return std::nullopt;
    return sections;
}

const platform::Value::Array& CRKInternalReport::metadataSections() const {
    if (!metadataSections_)
        metadataSections_ = readCRKFileAtPath(metadataPath()).value_or(platform::Value::Array{});
    return *metadataSections_;
}

const platform::Value& CRKInternalReport::metadataValue(size_t index, const std::string& section,
                                                        const std::string& key) const {
    const platform::Value::Array& sections = metadataSections();
    if (index >= sections.size()) return platform::Value::null();
    return sections[index][section][key];
}

std::optional<std::string> CRKInternalReport::APIKey() const {
    return stringOf(metadataValue(0, "identity", "api_key"));
}

std::optional<std::string> CRKInternalReport::bundleVersion() const {
    return stringOf(metadataValue(2, "application", "build_version"));
}

std::optional<std::string> CRKInternalReport::bundleShortVersionString() const {
    return stringOf(metadataValue(2, "application", "display_version"));
}

std::optional<std::string> CRKInternalReport::OSVersion() const {
    return stringOf(metadataValue(1, "host", "os_display_version"));
}

std::optional<std::string> CRKInternalReport::OSBuildVersion() const {
    return stringOf(metadataValue(1, "host", "os_build_version"));
}

std::optional<platform::Date> CRKInternalReport::dateCreated() const {
    return dateOf(metadataValue(0, "identity", "started_at"));
}

std::optional<platform::Date> CRKInternalReport::crashedOnDate() const {
    if (!isCrash()) return std::nullopt;
    if (auto date = timeFromCrashContentFile_sectionName("mach_exception.crkrecord", "mach_exception"))
        return date;
    return timeFromCrashContentFile_sectionName("signal.crkrecord", "signal");
}

std::optional<platform::Date> CRKInternalReport::timeFromCrashContentFile_sectionName(
    const std::string& file, const std::string& section) const {
    // The time is on the record's first line; the threads after it may run to megabytes.
    const std::string path = pathForContentFile(file);
    const auto sections = CRKFileReadSections(path.c_str(), false, nullptr, 1);
    if (!sections || sections->empty()) return std::nullopt;
    return dateOf(sections->front()[section]["time"]);
}

}  // namespace reporting
