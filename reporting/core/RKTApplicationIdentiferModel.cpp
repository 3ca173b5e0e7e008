#include "reporting/core/RKTApplicationIdentiferModel.h"

#include <elf.h>
#include <link.h>

#include <cstring>

#include "platform/base/Log.h"
#include "reporting/core/RKTAppIconUtility.h"
#include "reporting/core/RKTApplication.h"
#include "reporting/core/RKTByteUtility.h"

namespace reporting {

namespace {

struct ExecutableNotes {
    bool hasBuildID = false;
    uint8_t uuid[16] = {};
    bool hasABITag = false;
    RKTApplicationIdentiferModel::VersionTriple minimumSystem;
};

// Walks the notes of one PT_NOTE segment, every read kept inside the segment.
void readNotes(const uint8_t* begin, size_t size, size_t alignment, ExecutableNotes& notes) {
    auto aligned = [alignment](size_t value) { return (value + alignment - 1) & ~(alignment - 1); };
    size_t offset = 0;
    while (size - offset >= 12) {
        uint32_t header[3];
        std::memcpy(header, begin + offset, sizeof(header));
        const size_t nameSize = header[0];
        const size_t descSize = header[1];
        const uint32_t type = header[2];
        const size_t nameOffset = offset + 12;
        if (nameSize > size - nameOffset) return;
        const size_t descOffset = aligned(nameOffset + nameSize);
        if (descOffset > size || descSize > size - descOffset) return;
        const bool gnu = nameSize == 4 && std::memcmp(begin + nameOffset, "GNU", 4) == 0;
        if (gnu && type == NT_GNU_BUILD_ID && descSize > 0 && !notes.hasBuildID) {
            notes.hasBuildID = true;
            std::memcpy(notes.uuid, begin + descOffset, descSize < 16 ? descSize : 16);
        } else if (gnu && type == NT_GNU_ABI_TAG && descSize >= 16) {
            uint32_t tag[4];
            std::memcpy(tag, begin + descOffset, sizeof(tag));
            notes.hasABITag = true;
            notes.minimumSystem = {tag[1], tag[2], tag[3]};
        }
        offset = aligned(descOffset + descSize);
        if (offset == 0 || offset > size) return;
    }
}

// The first object the loader lists is the program itself.
int readProgramNotes(struct dl_phdr_info* info, size_t, void* context) {
    auto& notes = *static_cast<ExecutableNotes*>(context);
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_NOTE || header.p_memsz == 0) continue;
        const size_t alignment = header.p_align == 8 ? 8 : 4;
        readNotes(reinterpret_cast<const uint8_t*>(info->dlpi_addr + header.p_vaddr), header.p_memsz,
                  alignment, notes);
    }
    return 1;  // the program only
}

}  // namespace

std::shared_ptr<RKTApplicationIdentiferModel> RKTApplicationIdentiferModel::initWithInstallID(
    const std::string& installID) {
    auto model = std::make_shared<RKTApplicationIdentiferModel>(installID);
    if (!model->computeExecutableInfo()) return nullptr;
    model->computeInstanceIdentifier();
    return model;
}

RKTApplicationIdentiferModel::RKTApplicationIdentiferModel(std::string installID)
    : installID_(std::move(installID)) {}

bool RKTApplicationIdentiferModel::computeExecutableInfo() {
    ExecutableNotes notes;
    dl_iterate_phdr(&readProgramNotes, &notes);
    if (!notes.hasBuildID) {
        platform::logf("[ReportKit] the executable carries no build identifier; it cannot be identified");
        return false;
    }
    architectureUUIDMap_ = {{runningArchitectureName(), RKTHexStringFromUUIDBytes(notes.uuid)}};
    if (notes.hasABITag) minimumSDK_ = notes.minimumSystem;
#if defined(__GLIBC__)
    builtSDK_ = {static_cast<uint32_t>(__GLIBC__), static_cast<uint32_t>(__GLIBC_MINOR__), 0};
#endif
    return true;
}

bool RKTApplicationIdentiferModel::computeInstanceIdentifier() {
    std::string joined;
    for (const auto& [architecture, uuid] : architectureUUIDMap_) joined += uuid;  // the map is name-ordered
    instanceIdentifier_ = RKTSHA1HexStringFromData(platform::Data::fromString(joined));
    return true;
}

std::string RKTApplicationIdentiferModel::bundleIdentifier() const {
    return RKTApplicationGetBundleIdentifier();
}

std::string RKTApplicationIdentiferModel::builtSDKString() const {
    return formatVersion(builtSDK_);
}

std::string RKTApplicationIdentiferModel::minimumSDKString() const {
    return formatVersion(minimumSDK_);
}

std::shared_ptr<RKTIcon> RKTApplicationIdentiferModel::icon() const {
    return RKTAppIconUtility().applicationIcon();
}

std::string RKTApplicationIdentiferModel::formatVersion(const VersionTriple& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
           std::to_string(version.patch);
}

std::string RKTApplicationIdentiferModel::runningArchitectureName() {
#if defined(__x86_64__)
    return "x86_64";
#elif defined(__aarch64__)
    return "arm64";
#elif defined(__i386__)
    return "i386";
#elif defined(__arm__)
    return "armv7";
#elif defined(__riscv) && __riscv_xlen == 64
    return "riscv64";
#elif defined(__powerpc64__)
    return "ppc64";
#elif defined(__s390x__)
    return "s390x";
#else
    return "unknown";
#endif
}

}  // namespace reporting
