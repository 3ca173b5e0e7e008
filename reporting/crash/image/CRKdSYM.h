#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "reporting/crash/image/CRKMachOBinary.h"

namespace reporting {

// A debug-symbol bundle: a folder with "Contents/Info.plist" and the Mach-O binary in
// "Contents/Resources/DWARF".
class CRKdSYM {
public:
    static std::shared_ptr<CRKdSYM> dSYMWithURL(const std::string& url);
    // None unless the bundle exists and its DWARF folder holds at least one entry; a binary that cannot
    // be opened leaves the dSYM without one.
    static std::shared_ptr<CRKdSYM> initWithURL(const std::string& url);

    std::optional<std::string> bundleIdentifier() const;
    std::optional<std::string> bundleVersion() const;
    std::optional<std::string> shortBundleVersion() const;
    std::optional<std::string> executableURL() const;
    std::optional<std::string> executablePath() const;
    void enumerateUUIDs(const std::function<void(const std::string&, const std::string&)>& block) const;
    const std::shared_ptr<CRKMachOBinary>& binary() const { return binary_; }
    // The bundle's folder.
    const std::string& bundle() const { return bundlePath_; }

private:
    std::optional<std::string> infoString(const std::string& key) const;

    std::string bundlePath_;
    std::shared_ptr<CRKMachOBinary> binary_;
};

}  // namespace reporting
