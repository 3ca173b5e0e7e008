#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"

namespace kestrune {

// Helpers shared by several subsystems: cutting an outgoing frame into 20-byte chunks for the link,
// identifiers and random texts, the application's version, the default distance unit, the
// per-installation identifier and the first-launch bookkeeping (always in the standard user defaults,
// also on a clean run).
class Common {
public:
    static constexpr size_t kChunkSize = 20;

    // {"data": the next chunk (at most 20 bytes), "range": the rest of the frame as "{location,length}"}.
    static platform::Value getNextDataFromData(const platform::Data& data);
    // The bytes of the range read from the text; none for data shorter than 20 bytes or a range that
    // does not lie inside the data.
    static std::optional<platform::Data> readData_withRange(const platform::Data& data,
                                                            const std::string& range);
    static bool hasData(const platform::Data& data);

    static std::string GetUUID();
    static std::string randomStringWithLength(int32_t count);
    static std::string getAppVersion();
    static std::string versionText();
    static int32_t getDefaultMetricSystem();
    static std::string uniqueAppIdentifier();
    static bool isFirstEverLaunch();
    static bool isFirstLaunchOfNewVersion();

    // Tests: forget the two kept first-launch answers, as a new process would.
    static void resetLaunchAnswersForTesting();
};

}  // namespace kestrune
