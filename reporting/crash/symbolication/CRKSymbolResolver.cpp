#include "reporting/crash/symbolication/CRKSymbolResolver.h"

#include <dlfcn.h>

#include <algorithm>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKELFSymbolTable.h"

namespace reporting {

namespace {

std::optional<uint64_t> numberAt(const platform::Value::Dictionary& image, const char* key) {
    const auto found = image.find(key);
    if (found == image.end() || !found->second.number()) return std::nullopt;
    return found->second.number()->unsignedLongLongValue();
}

std::optional<std::string> textAt(const platform::Value::Dictionary& image, const char* key) {
    const auto found = image.find(key);
    if (found == image.end() || !found->second.string()) return std::nullopt;
    return *found->second.string();
}

// What the loader, or the image file, says of an address of this process.
struct Found {
    std::optional<std::string> name;
    uint64_t start = 0;  // the symbol's loaded address; 0 without a name
};

std::optional<Found> lookUp(uint64_t local, const CRKBinaryImageDetails& image) {
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(static_cast<uintptr_t>(local)), &info) == 0) return std::nullopt;
    if (info.dli_sname && info.dli_saddr)
        return Found{std::string(info.dli_sname), reinterpret_cast<uintptr_t>(info.dli_saddr)};
    // The loader knows the image but not the function (a static or hidden one): the file's own table.
    if (info.dli_fname && *info.dli_fname) {
        const uint64_t fileAddress = local - static_cast<uint64_t>(image.slide);
        if (auto symbol = CRKELFFindFunctionSymbol(info.dli_fname, fileAddress))
            return Found{symbol->name, symbol->start + static_cast<uint64_t>(image.slide)};
    }
    return Found{};
}

std::string lastPathComponent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool CRKSymbolResolver::loadBinaryImagesFromFile(const std::string& path) {
    if (path.empty()) return false;
    const auto sections = CRKFileReadSections(path.c_str(), false);
    if (!sections || sections->empty()) {
        platform::logf("[CrashKit:Crash:SymbolResolver] failed to read binary image file %s", path.c_str());
        return false;
    }
    for (const platform::Value& section : *sections) {
        const platform::Value& load = section["load"];
        if (!load.dictionary()) continue;
        const auto base = numberAt(*load.dictionary(), "base");
        const auto size = numberAt(*load.dictionary(), "size");
        if (!base || !size) continue;
        // Two images never share an address at once: one loaded where an earlier one lay came after
        // that one's unload, so it is the one the crashed run had there.
        std::erase_if(binaryImages_, [&](const platform::Value& kept) {
            const uint64_t keptBase = *numberAt(*kept.dictionary(), "base");
            const uint64_t keptSize = *numberAt(*kept.dictionary(), "size");
            return keptBase < *base + *size && *base < keptBase + keptSize;
        });
        binaryImages_.push_back(load);
    }
    std::stable_sort(binaryImages_.begin(), binaryImages_.end(), [](const auto& a, const auto& b) {
        return *numberAt(*a.dictionary(), "base") < *numberAt(*b.dictionary(), "base");
    });
    return true;
}

const platform::Value::Dictionary* CRKSymbolResolver::loadedBinaryImageForPC(uint64_t address) const {
    for (const platform::Value& image : binaryImages_) {
        const uint64_t base = *numberAt(*image.dictionary(), "base");
        const uint64_t size = *numberAt(*image.dictionary(), "size");
        if (address >= base && address - base < size) return image.dictionary();
    }
    return nullptr;
}

bool CRKSymbolResolver::fillInImageDetails_forUUID(CRKBinaryImageDetails* details,
                                                   const std::optional<std::string>& uuid) {
    // Images without a build identifier all share the empty one: matching it would name an address
    // with another image's symbols.
    if (!details || !uuid || uuid->empty()) return false;
    return CRKBinaryImageFindImageForUUID(uuid->c_str(), details);
}

bool CRKSymbolResolver::updateStackFrame(CRKStackFrame& frame, bool returnAddress) const {
    if (frame.address == 0) return false;
    const platform::Value::Dictionary* stored = loadedBinaryImageForPC(frame.address);
    if (!stored) return false;
    CRKBinaryImageDetails details{};
    if (!fillInImageDetails_forUUID(&details, textAt(*stored, "uuid"))) return false;

    uint64_t local = details.loadAddress + (frame.address - *numberAt(*stored, "base"));
    auto found = lookUp(local, details);
    if (!found) return false;
    if (returnAddress && local > 2) {
        // A return address follows its call, and the call may have been its function's last
        // instruction (a call that never returns): the address is then the next function's first byte,
        // or lies in the padding after the caller, where the nearest name below belongs to some
        // function further back. The call's own bytes, just before the address, name the caller.
        const auto inCall = lookUp(local - 2, details);
        if (inCall && inCall->name &&
            (!found->name || local == found->start || inCall->start > found->start)) {
            local -= 2;
            found = inCall;
        }
    }
    if (found->name) {
        frame.symbol = found->name;
        frame.rawSymbol = found->name;
        // The offset counts from a symbol's start; without a symbol there is nothing to count from.
        if (local > found->start) frame.offset = local - found->start;
    }
    if (const auto path = textAt(*stored, "path")) frame.library = lastPathComponent(*path);
    return true;
}

std::shared_ptr<CRKStackFrame> CRKSymbolResolver::frameForAddress(uint64_t address,
                                                                  bool returnAddress) const {
    auto frame = CRKStackFrame::stackFrameWithAddress(address);
    return updateStackFrame(*frame, returnAddress) ? frame : nullptr;
}

}  // namespace reporting
