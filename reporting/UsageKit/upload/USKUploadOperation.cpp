#include "reporting/UsageKit/upload/USKUploadOperation.h"

#include "platform/base/Clock.h"
#include "platform/net/URLRequest.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/log/USKFileUtils.h"
#include "reporting/UsageKit/upload/USKUploader.h"
#include "reporting/core/RKTMultipartMimeStreamEncoder.h"
#include "reporting/core/RKTNetworkOperation.h"

namespace reporting {

USKUploadOperation::USKUploadOperation(std::shared_ptr<USKUploader> uploader, std::string usageKitURL,
                                       std::string apiKey, std::string multipartURL,
                                       std::string multipartMimeBoundary)
    : uploader_(std::move(uploader)),
      usageKitURL_(std::move(usageKitURL)),
      apiKey_(std::move(apiKey)),
      multipartURL_(std::move(multipartURL)),
      multipartMimeBoundary_(std::move(multipartMimeBoundary)) {}

std::string USKUploadOperation::currentTimestampString() {
    const double now = platform::Clock::now();
    return std::to_string(now > 0 ? static_cast<uint64_t>(now) : 0);
}

void USKUploadOperation::main() {
    std::optional<std::string> endpoint = usageKitURL_;
    if (endpointSource_) endpoint = endpointSource_();
    if (!endpoint) return;
    platform::URLRequest request(*endpoint);
    request.setValue_forHTTPHeaderField(
        RKTMultipartMimeStreamEncoder::contentTypeHTTPHeaderValueWithBoundary(multipartMimeBoundary_),
        "Content-Type");
    request.setValue_forHTTPHeaderField(std::to_string(USKFileUtils::fileSizeAtURL(multipartURL_)),
                                        "Content-Length");
    request.setValue_forHTTPHeaderField(std::string(kUserAgent), "User-Agent");
    request.setValue_forHTTPHeaderField(std::string(kUserAgent), "User-Agent");
    request.setValue_forHTTPHeaderField(std::string(RKTNetworkOperation::kDeveloperToken),
                                        "X-CRASHKIT-DEVELOPER-TOKEN");
    request.setValue_forHTTPHeaderField(std::string("UsageKit Mac SDK"), "X-CRASHKIT-API-CLIENT-TYPE");
    request.setValue_forHTTPHeaderField(std::string("31"), "X-CRASHKIT-API-CLIENT-VERSION");
    request.setValue_forHTTPHeaderField(std::string("1.4.0"), "X-CRASHKIT-API-CLIENT-DISPLAY-VERSION");
    request.setValue_forHTTPHeaderField(std::string("31"), "X-CRASHKIT-API-CLIENT-BUILD-VERSION");
    request.setValue_forHTTPHeaderField(apiKey_, "X-CRASHKIT-API-KEY");
    request.setValue_forHTTPHeaderField(currentTimestampString(), "X-CrashKit-Api-Client-Packaged-Timestamp");
    request.setHTTPMethod("POST");
    const std::string uniqueName = USKFileUtils::baseName(multipartURL_);
    USKLogger::sharedLogger().log("Transmitting packaged events for '%s'.", uniqueName.c_str());
    if (uploader_) uploader_->startUploadRequest_filePath_uniqueName(request, multipartURL_, uniqueName);
}

}  // namespace reporting
