#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reporting/crash/image/CRKMachOFile.h"

namespace reporting {

// One Mach-O slice as an object: what its load commands say, read once when it is made.
class CRKMachOSlice {
public:
    static std::shared_ptr<CRKMachOSlice> runningSlice();
    explicit CRKMachOSlice(CRKMachOSliceRecord slice);

    const CRKMachOSliceRecord& slice() const { return slice_; }
    std::string architectureName() const;
    const std::optional<std::string>& uuid() const { return uuid_; }
    const std::vector<std::string>& linkedDylibs() const { return linkedDylibs_; }
    const CRKMachOVersion& minimumOSVersion() const { return minimumOSVersion_; }
    const CRKMachOVersion& linkedSDKVersion() const { return linkedSDKVersion_; }

private:
    CRKMachOSliceRecord slice_;
    std::optional<std::string> uuid_;
    std::vector<std::string> linkedDylibs_;
    CRKMachOVersion minimumOSVersion_;
    CRKMachOVersion linkedSDKVersion_;
};

}  // namespace reporting
