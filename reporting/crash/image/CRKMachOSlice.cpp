#include "reporting/crash/image/CRKMachOSlice.h"

namespace reporting {

std::shared_ptr<CRKMachOSlice> CRKMachOSlice::runningSlice() {
    return std::make_shared<CRKMachOSlice>(CRKMachOGetRunningSlice());
}

CRKMachOSlice::CRKMachOSlice(CRKMachOSliceRecord slice) : slice_(slice) {
    CRKMachOSliceEnumerateLoadCommands(&slice_, [this](uint32_t type, uint32_t size, const void* command) {
        switch (type) {
            case CRKMachOLoadCommandVersionMinMacOSX:
            case CRKMachOLoadCommandVersionMinIPhoneOS:
            case CRKMachOLoadCommandVersionMinTvOS:
            case CRKMachOLoadCommandVersionMinWatchOS:
                // A later version command replaces an earlier one.
                CRKMachOSliceGetVersions(&slice_, command, size, &minimumOSVersion_, &linkedSDKVersion_);
                break;
            case CRKMachOLoadCommandUUID:
                if (auto uuid = CRKMachOSliceGetUUIDString(&slice_, command, size)) uuid_ = uuid;
                break;
            case CRKMachOLoadCommandLoadDylib:
                if (auto path = CRKMachOSliceGetLoadCommandString(&slice_, command, size)) {
                    linkedDylibs_.push_back(*path);
                }
                break;
            default:
                break;
        }
    });
}

std::string CRKMachOSlice::architectureName() const {
    return CRKMachOSliceGetArchitectureName(&slice_);
}

}  // namespace reporting
