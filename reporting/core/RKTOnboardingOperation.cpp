#include "reporting/core/RKTOnboardingOperation.h"

#include <cmath>
#include <limits>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/net/OutputStream.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTNetworkResponseHandler.h"
#include "reporting/core/RKTURLBuilder.h"

namespace reporting {

namespace {

platform::Value valueOf(const std::optional<std::string>& text) {
    return text ? platform::Value(*text) : platform::Value();
}

// Points as the form's whole number, truncated; a size that is no number or out of range reads as 0 or
// the largest value rather than converting with undefined behaviour.
std::string wholePoints(double points) {
    if (!(points > 0)) return "0";
    if (points >= static_cast<double>(std::numeric_limits<unsigned long>::max()))
        return std::to_string(std::numeric_limits<unsigned long>::max());
    return std::to_string(static_cast<unsigned long>(points));
}

}  // namespace

RKTOnboardingOperation::RKTOnboardingOperation(
    std::weak_ptr<RKTOnboardingOperationDelegate> delegate, bool shouldCreate, std::string APIKey,
    platform::Value::Dictionary kitVersionsByKitBundleIdentifier,
    std::shared_ptr<RKTApplicationIdentiferModel> appIdentifierModel, std::string endpointString,
    std::weak_ptr<RKTNetworkClient> networkClient)
    : RKTNetworkOperation(std::move(APIKey)),
      shouldCreate_(shouldCreate),
      appIdentifierModel_(std::move(appIdentifierModel)),
      appEndpoint_(std::move(endpointString)),
      delegate_(std::move(delegate)),
      networkClient_(std::move(networkClient)),
      kitVersions_(std::move(kitVersionsByKitBundleIdentifier)) {}

void RKTOnboardingOperation::main() {
    beginAppConfigure();
}

std::string RKTOnboardingOperation::appCreateURL() const {
    auto builder = RKTURLBuilder::URLWithBase(appEndpoint_);
    builder->appendComponent("/spi/v1/platforms/");
    builder->escapeAndAppendComponent(appPlatform());
    builder->appendComponent("/apps");
    return builder->URLString();
}

std::string RKTOnboardingOperation::appUpdateURL() const {
    auto builder = RKTURLBuilder::URLWithBase(appEndpoint_);
    builder->appendComponent("/spi/v1/platforms/");
    builder->escapeAndAppendComponent(appPlatform());
    builder->appendComponent("/apps/");
    builder->escapeAndAppendComponent(appBundleIdentifier());
    return builder->URLString();
}

platform::URLRequest RKTOnboardingOperation::onboardingRequestForAppCreate(bool create) const {
    platform::URLRequest request =
        mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(create ? appCreateURL() : appUpdateURL());
    request.setHTTPMethod(create ? "POST" : "PUT");
    return request;
}

KitErrorPtr RKTOnboardingOperation::errorForCode_userInfo(int64_t code,
                                                          platform::Value::Dictionary userInfo) const {
    return KitError::errorWithDomain_code_userInfo(kErrorDomain, code, std::move(userInfo));
}

void RKTOnboardingOperation::encodeParts(RKTMultipartMimeStreamEncoder& encoder) const {
    const auto& model = appIdentifierModel_;
    encoder.addValue_fieldName(appBundleIdentifier(), "app[identifier]");
    encoder.addValue_fieldName(model ? platform::Value(model->instanceIdentifier()) : platform::Value(),
                               "app[instance_identifier]");
    encoder.addValue_fieldName(valueOf(appName()), "app[name]");
    encoder.addValue_fieldName(valueOf(appBuildVersion()), "app[build_version]");
    encoder.addValue_fieldName(valueOf(appDisplayVersion()), "app[display_version]");
    encoder.addValue_fieldName(std::to_string(appInstallSource()), "app[source]");
    encoder.addValue_fieldName(model ? platform::Value(model->minimumSDKString()) : platform::Value(),
                               "app[minimum_sdk_version]");
    encoder.addValue_fieldName(model ? platform::Value(model->builtSDKString()) : platform::Value(),
                               "app[built_sdk_version]");
    for (const auto& [kit, version] : kitVersions_)
        encoder.addValue_fieldName(version, platform::format("%s[%s]", "app[build][libraries]", kit.c_str()));
    if (model) {
        for (const auto& [architecture, uuid] : model->architectureUUIDMap()) {
            encoder.addValue_fieldName(architecture, "app[slices][][arch]");
            encoder.addValue_fieldName(uuid, "app[slices][][uuid]");
        }
    }
    const auto icon = model ? model->icon() : nullptr;
    if (icon && !icon->data().empty() && !icon->dataHash().empty()) {
        encoder.addValue_fieldName(icon->dataHash(), "app[icon][hash]");
        encoder.addValue_fieldName(icon->prerendered() ? "true" : "false", "app[icon][prerendered]");
        encoder.addValue_fieldName(wholePoints(icon->size().width), "app[icon][width]");
        encoder.addValue_fieldName(wholePoints(icon->size().height), "app[icon][height]");
        encoder.addFileData_fileName_mimeType_fieldName(icon->data(), "icon.png", "image/png",
                                                        "app[icon][data]");
    }
}

void RKTOnboardingOperation::beginAppConfigure() {
    auto stream = platform::OutputStream::outputStreamToMemory();
    auto encoder = RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(
        stream, RKTMultipartMimeStreamEncoder::generateBoundary());
    if (!encoder) {
        platform::logf("[ReportKit] configure failed during onboarding");
        auto error = errorForCode_userInfo(
            0, {{KitError::NSLocalizedDescriptionKey, "Multipart mime encoder was nil"}});
        {
            std::lock_guard lock(mutex_);
            error_ = error;
        }
        finishWithError(error);
        return;
    }
    encoder->encode([this](RKTMultipartMimeStreamEncoder& e) { encodeParts(e); });
    platform::URLRequest request = onboardingRequestForAppCreate(shouldCreate_);
    request.setValue_forHTTPHeaderField(encoder->contentTypeHTTPHeaderValue(), "Content-Type");
    request.setValue_forHTTPHeaderField(encoder->contentLengthHTTPHeaderValue(), "Content-Length");
    request.setHTTPBody(stream->dataWrittenToMemory());

    auto client = networkClient_.lock();
    if (!client) {
        completeWithError(
            RKTNetworkResponseHandler::errorForCode_userInfo(RKTNetworkClient::kNoTaskErrorCode, {}));
        return;
    }
    auto self = std::static_pointer_cast<RKTOnboardingOperation>(shared_from_this());
    client->startDataTaskWithRequest_retryLimit_completionHandler(
        request, shouldCreate_ ? kCreateRetryLimit : kUpdateRetryLimit,
        [self](const std::optional<platform::Data>&, const std::optional<platform::HTTPURLResponse>&,
               const KitErrorPtr& error) { self->completeWithError(error); });
}

void RKTOnboardingOperation::completeWithError(const KitErrorPtr& error) {
    {
        std::lock_guard lock(mutex_);
        error_ = error;
    }
    if (auto delegate = delegate_.lock()) {
        if (shouldCreate_) {
            delegate->onboardingOperation_didCompleteAppCreationWithError(*this, error);
        } else {
            delegate->onboardingOperation_didCompleteAppUpdateWithError(*this, error);
        }
    }
    finishWithError(error);
}

KitErrorPtr RKTOnboardingOperation::error() const {
    std::lock_guard lock(mutex_);
    return error_;
}

std::string RKTOnboardingOperation::appBundleIdentifier() const {
    return RKTApplicationGetBundleIdentifier();
}

std::optional<std::string> RKTOnboardingOperation::appName() const {
    return RKTApplicationGetName();
}

std::optional<std::string> RKTOnboardingOperation::appBuildVersion() const {
    return RKTApplicationGetBuildVersion();
}

std::optional<std::string> RKTOnboardingOperation::appDisplayVersion() const {
    return RKTApplicationGetDisplayVersion();
}

int RKTOnboardingOperation::appInstallSource() const {
    return RKTApplicationInstallationSource();
}

}  // namespace reporting
