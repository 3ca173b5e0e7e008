#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/base/Value.h"

namespace reporting {

// A record that heads an event log file: its type word and its JSON object for a start time.
class USKMetadataSerializable {
public:
    virtual ~USKMetadataSerializable() = default;
    virtual std::string eventName() const = 0;
    // None when the record has nothing to give (a previous launch's record that could not be read).
    virtual std::optional<platform::Value::Dictionary> dictionaryRepresentationWithStartTime(
        uint64_t startTime) const = 0;
};

}  // namespace reporting
