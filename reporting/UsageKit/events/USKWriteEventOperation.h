#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Value.h"
#include "reporting/core/Operation.h"

namespace reporting {

class USKEvent;
class USKMetadataSerializable;

// Appends one event as one line to an event log (after the metadata line when the file is new). A line
// is "<ms since 1970>\t<type>\t<byte length of the JSON>\t<JSON>\n".
class USKWriteEventOperation : public Operation {
public:
    USKWriteEventOperation(std::shared_ptr<USKEvent> event, std::shared_ptr<USKMetadataSerializable> metadata,
                           std::string logFileUrl);
    void main() override;
    bool success() const { return success_.load(); }
    // Asked when the operation runs: false writes nothing (collection was turned off meanwhile).
    void setShouldWrite(std::function<bool()> shouldWrite) { shouldWrite_ = std::move(shouldWrite); }

    static std::optional<std::string> generateFormattedLogLineWithEvent(const USKEvent& event);
    static std::optional<std::string> generateFormattedLogLineWithMetdata_timestamp(
        const USKMetadataSerializable& metadata, platform::Date timestamp);
    static std::optional<std::string> logLineWithTimestamp_eventName_payloadDictionary(
        platform::Date timestamp, const std::string& eventName,
        const std::optional<platform::Value::Dictionary>& payload);
    bool writeDataToDescriptor_withPreexistingFile(int fd, bool preexisting);
    // Writes the line and "\n"; a write that fails part-way is cut back off the file, so that the next
    // line does not run on from a fragment.
    bool appendLogLine_toFileDescriptor(const std::string& line, int fd);

    const std::shared_ptr<USKEvent>& event() const { return event_; }
    const std::string& logFileUrl() const { return logFileUrl_; }
    const std::optional<std::string>& formattedEvent() const { return formattedEvent_; }
    // Made when first asked: only the first line of a new file needs it, and the record never changes.
    std::optional<std::string> formattedMetadata() const;

private:
    const std::shared_ptr<USKEvent> event_;
    const std::string logFileUrl_;
    std::optional<std::string> formattedEvent_;
    const std::shared_ptr<USKMetadataSerializable> metadata_;
    std::atomic<bool> success_{false};
    std::function<bool()> shouldWrite_;
};

}  // namespace reporting
