#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/base/Date.h"

namespace platform {

// When a file was made: its birth time where the file system records one (statx), else its last
// modification time; none when the file cannot be examined. Tests may answer in its place, since a
// file's birth time cannot be set.
class FileDates {
public:
    using Source = std::function<std::optional<Date>(const std::string& path)>;
    static std::optional<Date> creationDate(const std::string& path);
    // An empty source restores the file system's answer.
    static void setCreationDateSourceForTesting(Source source);
};

}  // namespace platform
