#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "reporting/core/RKTCertificatePinner.h"
#include "reporting/crash/controller/CRKCrashReportingController.h"
#include "reporting/crash/settings/CRKSettings.h"

namespace reporting {

// What the upload side needs from its owner beyond the crash reporting controller itself.
struct CRKUploadSubmissionOptions {
    std::function<std::optional<std::string>()> APIKey;  // empty: none, and nothing is sent
    std::function<std::string()> bundleIdentifier;       // empty: the main bundle's
    std::function<bool()> canUseBackgroundSessions;      // empty: no
    std::shared_ptr<RKTCertificatePinner> pinner;        // empty: the kit's pinned roots
};

// The controller's report submission carried out by the reports controller and its network client on the
// controller's work queue; finished uploads are reported back to the controller.
CRKCrashReportingController::SubmissionFactory CRKUploadSubmissionFactory(CRKUploadSubmissionOptions options);

// The controller's view of the crash kit settings (local configuration and the downloaded values).
CRKCrashSettings CRKCrashSettingsFromSettings(const CRKSettings& settings);

}  // namespace reporting
