// The previous launch's metadata is read back from a file at start-up and written, as it was read, at
// the head of the crash event's log. Any bytes must give a record or none, never a crash; a record
// must make a log line whose length field is the byte count of its JSON, and that JSON must read back
// to the same record.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Log.h"
#include "reporting/UsageKit/events/USKCrashMetadata.h"
#include "reporting/UsageKit/events/USKWriteEventOperation.h"
#include "reporting/core/RKTSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool quiet = [] {
        platform::Log::setSink([](const std::string&) {});
        return true;
    }();
    (void)quiet;
    const auto dictionary = reporting::USKCrashMetadata::dictionaryFromData(platform::Data(bytes, size));
    if (!dictionary) return 0;
    const reporting::USKCrashMetadata metadata(dictionary);
    const auto line = reporting::USKWriteEventOperation::generateFormattedLogLineWithMetdata_timestamp(
        metadata, platform::Date::dateWithTimeIntervalSince1970(1800000000));
    if (!line) return 0;  // a value JSON cannot carry: no line, no crash
    const std::string prefix = "1800000000000\tmetadata\t";
    if (line->compare(0, prefix.size(), prefix) != 0) __builtin_trap();
    const size_t tab = line->find('\t', prefix.size());
    if (tab == std::string::npos) __builtin_trap();
    const std::string json = line->substr(tab + 1);
    if (std::to_string(json.size()) != line->substr(prefix.size(), tab - prefix.size())) __builtin_trap();
    if (json.find('\n') != std::string::npos) __builtin_trap();  // one record, one line
    const auto again = reporting::RKTSettings::dictionaryFromJSONData(platform::Data::fromString(json));
    if (!again || !(*again == *dictionary)) __builtin_trap();
    return 0;
}
