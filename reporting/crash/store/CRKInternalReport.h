#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Date.h"
#include "platform/base/Value.h"

namespace reporting {

// One report folder and what can be read from it: its identity from the metadata file (addressed by
// section position: identity, host, application, executable) and which record files it holds.
class CRKInternalReport {
public:
    static std::shared_ptr<CRKInternalReport> reportWithPath(const std::string& path);
    // None when the metadata file holds no session identifier, or one that is not a plain folder name
    // (the identifier names folders, so one like "../x" is never taken).
    static std::shared_ptr<CRKInternalReport> initWithPath(const std::string& path);
    static std::shared_ptr<CRKInternalReport> initWithPath_executionIdentifier(const std::string& path,
                                                                               const std::string& identifier);

    const std::string& path() const { return path_; }
    const std::string& identifier() const { return identifier_; }
    std::string directoryName() const;
    std::string pathForContentFile(const std::string& name) const;
    std::string metadataPath() const;
    std::string binaryImagePath() const;

    bool needsToBeSubmitted() const;
    static const std::vector<std::string>& crashFilenames();
    bool isCrash() const;
    bool checkExistenceOfAtLeastOnceFileInArray(const std::vector<std::string>& names) const;
    void enumerateSymbolicatableFilesInContent(const std::function<void(const std::string&)>& block) const;

    static std::optional<platform::Value::Array> readCRKFileAtPath(const std::string& path);
    const platform::Value::Array& metadataSections() const;
    std::optional<std::string> APIKey() const;
    std::optional<std::string> bundleVersion() const;
    std::optional<std::string> bundleShortVersionString() const;
    std::optional<std::string> OSVersion() const;
    std::optional<std::string> OSBuildVersion() const;
    std::optional<platform::Date> dateCreated() const;
    std::optional<platform::Date> crashedOnDate() const;
    std::optional<platform::Date> timeFromCrashContentFile_sectionName(const std::string& file,
                                                                       const std::string& section) const;
    // The internal report carries no custom keys.
    std::optional<platform::Value::Dictionary> customKeys() const { return std::nullopt; }

    CRKInternalReport(std::string path, std::string identifier);

private:
    // section `index` of the metadata file, its `section` entry, its `key` field.
    const platform::Value& metadataValue(size_t index, const std::string& section,
                                         const std::string& key) const;

    std::string path_;
    std::string identifier_;
    mutable std::optional<platform::Value::Array> metadataSections_;
};

}  // namespace reporting
