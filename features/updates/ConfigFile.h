#pragma once

#include <mutex>
#include <optional>
#include <string>

namespace kestrune {

// The last fetched configuration: the newest phone-application and Mac-application versions, none until
// a document named them. Written on the main thread and read from the background comparisons, so every
// access takes the lock.
class ConfigFile {
public:
    std::optional<std::string> iOSVersion() const;
    std::optional<std::string> macVersion() const;
    // Both at once: a reader never sees one version of one document and one of another.
    void setVersions(std::optional<std::string> iOSVersion, std::optional<std::string> macVersion);

private:
    mutable std::mutex mutex_;
    std::optional<std::string> iOSVersion_;
    std::optional<std::string> macVersion_;
};

}  // namespace kestrune
