#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "reporting/core/RKTIcon.h"

namespace reporting {

// What identifies this build of the application to the reporting service: the build identifier of the
// executable per architecture, the installation identifier, the bundle identifier, the instance
// identifier made from the build identifiers, and the versions recorded in the executable. Made once,
// then read from any thread.
class RKTApplicationIdentiferModel {
public:
    struct VersionTriple {
        uint32_t major = 0;
        uint32_t minor = 0;
        uint32_t patch = 0;
    };

    // None when the running executable cannot be read.
    static std::shared_ptr<RKTApplicationIdentiferModel> initWithInstallID(const std::string& installID);

    explicit RKTApplicationIdentiferModel(std::string installID);
    virtual ~RKTApplicationIdentiferModel() = default;

    // Reads the running program's ELF notes (the program as loaded, which is the executable's file as
    // mapped): its GNU build-id as the 16-byte identifier the crash reports carry (a longer build-id cut
    // to 16 bytes, a shorter one padded with zeros), under the architecture's name; the minimum system
    // version of its ABI note; and the C library version it was built against as the built SDK (an ELF
    // program records no SDK). False when the program has no build-id.
    bool computeExecutableInfo();
    // SHA-1 hex of the build identifiers' hex texts, in the order of their architecture names.
    bool computeInstanceIdentifier();

    const std::map<std::string, std::string>& architectureUUIDMap() const { return architectureUUIDMap_; }
    void setArchitectureUUIDMap(std::map<std::string, std::string> map) {
        architectureUUIDMap_ = std::move(map);
    }
    const std::string& installID() const { return installID_; }
    std::string bundleIdentifier() const;
    const std::string& instanceIdentifier() const { return instanceIdentifier_; }
    VersionTriple builtSDK() const { return builtSDK_; }
    VersionTriple minimumSDK() const { return minimumSDK_; }
    std::string builtSDKString() const;
    std::string minimumSDKString() const;
    // A new icon utility's icon, on every call.
    virtual std::shared_ptr<RKTIcon> icon() const;

    // "major.minor.patch".
    static std::string formatVersion(const VersionTriple& version);
    // The name of the architecture this program runs as ("x86_64", "arm64", "i386", ...).
    static std::string runningArchitectureName();

private:
    std::map<std::string, std::string> architectureUUIDMap_;
    const std::string installID_;
    std::string instanceIdentifier_;
    VersionTriple builtSDK_;
    VersionTriple minimumSDK_;
};

}  // namespace reporting
