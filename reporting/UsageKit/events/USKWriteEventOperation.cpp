#include "reporting/UsageKit/events/USKWriteEventOperation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/base/Strings.h"
#include "reporting/UsageKit/USKFaultPoints.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/events/USKEvent.h"
#include "reporting/UsageKit/events/USKJSON.h"
#include "reporting/UsageKit/events/USKMetadataSerializable.h"
#include "reporting/core/RKTFileUtility.h"

namespace reporting {

namespace {
constexpr const char* kLabel = "WriteOperation";

uint64_t wholeSeconds(platform::Date date) {
    const double s = date.timeIntervalSince1970();
    return s > 0 ? static_cast<uint64_t>(s) : 0;
}
}  // namespace

USKWriteEventOperation::USKWriteEventOperation(std::shared_ptr<USKEvent> event,
                                               std::shared_ptr<USKMetadataSerializable> metadata,
                                               std::string logFileUrl)
    : event_(std::move(event)), logFileUrl_(std::move(logFileUrl)), metadata_(std::move(metadata)) {
    if (event_) formattedEvent_ = generateFormattedLogLineWithEvent(*event_);
}

std::optional<std::string> USKWriteEventOperation::formattedMetadata() const {
    if (!event_ || !metadata_) return std::nullopt;
    return generateFormattedLogLineWithMetdata_timestamp(*metadata_, event_->timestamp());
}

std::optional<std::string> USKWriteEventOperation::generateFormattedLogLineWithEvent(const USKEvent& event) {
    return logLineWithTimestamp_eventName_payloadDictionary(event.timestamp(), event.name(),
                                                            event.dictionaryRepresentation());
}

std::optional<std::string> USKWriteEventOperation::generateFormattedLogLineWithMetdata_timestamp(
    const USKMetadataSerializable& metadata, platform::Date timestamp) {
    return logLineWithTimestamp_eventName_payloadDictionary(
        timestamp, metadata.eventName(),
        metadata.dictionaryRepresentationWithStartTime(wholeSeconds(timestamp)));
}

std::optional<std::string> USKWriteEventOperation::logLineWithTimestamp_eventName_payloadDictionary(
    platform::Date timestamp, const std::string& eventName,
    const std::optional<platform::Value::Dictionary>& payload) {
    if (!payload) return std::nullopt;
    auto json = USKJSONString(platform::Value(*payload));
    if (!json) return std::nullopt;
    const double ms = timestamp.timeIntervalSince1970() * 1000.0;
    const unsigned long long milliseconds = ms > 0 ? static_cast<unsigned long long>(ms) : 0;
    return platform::format("%llu\t%s\t%lu\t%s", milliseconds, eventName.c_str(),
                            static_cast<unsigned long>(json->size()), json->c_str());
}

void USKWriteEventOperation::main() {
    success_.store(false);
    if (shouldWrite_ && !shouldWrite_()) return;
    // Only a regular file of the kit's is appended to: a folder (EISDIR), a link someone put at the path
    // (not followed) or a pipe stops here as well.
    const int fd = RKTOpenRegularFileForWriting(logFileUrl_, O_WRONLY | O_APPEND);
    if (fd < 0) return;
    struct stat st {};
    // A file left empty (its only line cut back after a failed write) counts as new: it gets the
    // metadata line first.
    const bool preexisting = ::fstat(fd, &st) == 0 && st.st_size > 0;
    bool ok = writeDataToDescriptor_withPreexistingFile(fd, preexisting);
    if (::close(fd) != 0) {
        USKLogger::sharedLogger().logWithLabel_format(kLabel, "Failed to close file, error: %s",
                                                      std::strerror(errno));
        ok = false;
    }
    success_.store(ok);
    if (ok && event_) USKFaultPoint("write.line.done", event_->identifier());
}

bool USKWriteEventOperation::writeDataToDescriptor_withPreexistingFile(int fd, bool preexisting) {
    if (!formattedEvent_) return false;
    if (!preexisting) {
        const auto metadata = formattedMetadata();
        if (!metadata || !appendLogLine_toFileDescriptor(*metadata, fd)) return false;
    }
    return appendLogLine_toFileDescriptor(*formattedEvent_, fd);
}

bool USKWriteEventOperation::appendLogLine_toFileDescriptor(const std::string& line, int fd) {
    if (!platform::isValidUTF8(line)) return false;
    const std::string bytes = line + "\n";
    struct stat st {};
    const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
    auto cutBack = [&] {
        if (before >= 0 && ::ftruncate(fd, before) != 0)
            USKLogger::sharedLogger().logWithLabel_format(kLabel, "Failed to write: %s\n",
                                                          std::strerror(errno));
    };
    size_t offset = 0;
    int calls = 0;
    while (true) {
        size_t request = bytes.size() - offset;
        // A test that stops the process part-way through a line gets a line written in two halves.
        const bool split = calls == 0 && request > 1 && USKFaultPointsActive();
        if (split) request /= 2;
        errno = 0;
        const ssize_t result = ::write(fd, bytes.data() + offset, request);
        ++calls;
        if (result < 0)
            USKLogger::sharedLogger().logWithLabel_format(kLabel, "Failed to write: %s\n",
                                                          std::strerror(errno));
        if (result >= 0 && static_cast<size_t>(result) == bytes.size() - offset) return true;
        if (static_cast<size_t>(result) > request) {
            USKLogger::sharedLogger().logWithLabel_format(
                kLabel, "Error: length doesn't make sense (%zd, %zu)\n", result, request);
            cutBack();
            return false;
        }
        if (split) USKFaultPoint("write.line.part", logFileUrl_);
        offset += static_cast<size_t>(result);
        if (result == 0 || calls >= 3 || offset >= bytes.size()) {
            USKLogger::sharedLogger().logWithLabel_format(kLabel,
                                                          "Error: exited write loop without success\n");
            cutBack();
            return false;
        }
    }
}

}  // namespace reporting
