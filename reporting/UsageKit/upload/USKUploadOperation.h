#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "reporting/core/Operation.h"

namespace reporting {

class USKUploader;

// Builds the POST of one packaged event file and hands it to the uploader.
class USKUploadOperation : public Operation {
public:
    static constexpr const char* kUserAgent = "UsageKit Mac SDK/1.4.0";

    USKUploadOperation(std::shared_ptr<USKUploader> uploader, std::string usageKitURL, std::string apiKey,
                       std::string multipartURL, std::string multipartMimeBoundary);
    void main() override;
    static std::string currentTimestampString();
    // Asked when the operation runs: the endpoint to send to, or none to send nothing (the file then
    // stays for a later upload). Without it the endpoint given at creation is used.
    void setEndpointSource(std::function<std::optional<std::string>()> source) {
        endpointSource_ = std::move(source);
    }

    const std::shared_ptr<USKUploader>& uploader() const { return uploader_; }
    const std::string& usageKitURL() const { return usageKitURL_; }
    const std::string& apiKey() const { return apiKey_; }
    const std::string& multipartURL() const { return multipartURL_; }
    const std::string& multipartMimeBoundary() const { return multipartMimeBoundary_; }

private:
    const std::shared_ptr<USKUploader> uploader_;
    const std::string usageKitURL_;
    const std::string apiKey_;
    const std::string multipartURL_;
    const std::string multipartMimeBoundary_;
    std::function<std::optional<std::string>()> endpointSource_;
};

}  // namespace reporting
