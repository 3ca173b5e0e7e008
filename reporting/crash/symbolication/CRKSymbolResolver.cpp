#include "reporting/crash/symbolication/CRKSymbolResolver.h"

#include <dlfcn.h>

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "reporting/crash/CRKFile.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/symbolication/CRKELFFunctionSymbolTable.h"
#include "reporting/crash/symbolication/CRKLoaderSymbolTable.h"

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

constexpr const char* kRunningProgram = "/proc/self/exe";

// The build identifier of an ELF file as the image records give it, or empty.
std::string identifierOfFile(const char* path) {
    CRKELFFile file;
    if (!CRKELFFileInitWithPath(&file, path)) return "";
    CRKELFImageInfo info{};
    const bool read = CRKELFFileReadInfo(&file, &info);
    CRKELFFileDestroy(&file);
    if (!read || !info.hasBuildID) return "";
    char hex[33];
    CRKHexEncodeBytes(info.uuid, sizeof info.uuid, hex);
    return hex;
}

std::string lastPathComponent(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

struct CRKSymbolResolver::Cache {
    // A stored image, as the frames' addresses are searched among them.
    struct Stored {
        uint64_t base;
        uint64_t size;
        size_t index;  // in binaryImages_
        std::optional<std::string> uuid;
        std::optional<std::string> library;  // the last part of its path
    };
    // This process's image with one build identifier.
    struct Loaded {
        bool found = false;
        CRKBinaryImageDetails details{};
        // The loader's names for it; without them its addresses go to dladdr.
        std::optional<CRKLoaderSymbolTable> loader;
        // How the loader names its file and where it says the image begins, and the file its own
        // symbol table is read from.
        std::string loaderName;
        uintptr_t loaderBase = 0;
        std::string fileName;
    };
    // What the loader, or the image file, says of an address of this process.
    struct Found {
        std::optional<std::string_view> name;  // lives as long as the resolver
        uint64_t start = 0;                    // the symbol's loaded address; 0 without a name
    };
    // What updateStackFrame makes of one address.
    struct Resolved {
        bool resolved = false;
        std::optional<std::string_view> symbol;
        std::optional<uint64_t> offset;
        const std::optional<std::string>* library = nullptr;
    };
    struct FrameKey {
        uint64_t address;
        bool returnAddress;
        bool operator==(const FrameKey&) const = default;
    };
    struct FrameKeyHash {
        size_t operator()(const FrameKey& key) const {
            return std::hash<uint64_t>()(key.address) ^ (key.returnAddress ? 0x9e3779b97f4a7c15ull : 0);
        }
    };

    std::vector<Stored> stored;  // non-empty images only, sorted by base
    bool disjoint = true;        // no two of them overlap, so a binary search finds the one

    std::mutex mutex;
    std::function<bool()> stop;            // asked while an image's symbols are read
    std::map<std::string, Loaded> loaded;  // by build identifier
    std::map<std::string, CRKELFFunctionSymbolTable> files;
    std::deque<std::string> loaderNames;  // names dladdr gave, kept for `frames`
    std::unordered_map<FrameKey, Resolved, FrameKeyHash> frames;

    const Stored* storedFor(uint64_t address) const;
    const Loaded& loadedFor(const std::string& uuid);
    const CRKELFFunctionSymbolTable& fileTable(const std::string& path);
    std::optional<Found> lookUp(uint64_t local, const Loaded& image);
    Resolved resolve(uint64_t address, bool returnAddress);
};

CRKSymbolResolver::CRKSymbolResolver() : cache_(std::make_unique<Cache>()) {}
CRKSymbolResolver::~CRKSymbolResolver() = default;

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

    std::lock_guard lock(cache_->mutex);
    cache_->frames.clear();
    cache_->stored.clear();
    for (size_t i = 0; i < binaryImages_.size(); i++) {
        const auto& image = *binaryImages_[i].dictionary();
        const uint64_t size = *numberAt(image, "size");
        // An empty image holds no address.
        if (size == 0) continue;
        const auto path = textAt(image, "path");
        cache_->stored.push_back(
            {*numberAt(image, "base"), size, i, textAt(image, "uuid"),
             path ? std::optional<std::string>(lastPathComponent(*path)) : std::nullopt});
    }
    // The record's sizes are its own: where one image would run past the next's base (a size summed
    // past the top), the first that holds an address is searched for in order, as the images lie.
    cache_->disjoint = true;
    for (size_t i = 0; i + 1 < cache_->stored.size(); i++) {
        const auto& here = cache_->stored[i];
        if (here.size > cache_->stored[i + 1].base - here.base) cache_->disjoint = false;
    }
    if (!cache_->stored.empty() && cache_->stored.back().size - 1 > UINT64_MAX - cache_->stored.back().base)
        cache_->disjoint = false;
    return true;
}

const CRKSymbolResolver::Cache::Stored* CRKSymbolResolver::Cache::storedFor(uint64_t address) const {
    if (!disjoint) {
        for (const Stored& image : stored) {
            if (address >= image.base && address - image.base < image.size) return &image;
        }
        return nullptr;
    }
    auto after = std::upper_bound(stored.begin(), stored.end(), address,
                                  [](uint64_t a, const Stored& image) { return a < image.base; });
    if (after == stored.begin()) return nullptr;
    const Stored& image = *(after - 1);
    return address - image.base < image.size ? &image : nullptr;
}

void CRKSymbolResolver::setStopCheck(std::function<bool()> stop) {
    std::lock_guard lock(cache_->mutex);
    cache_->stop = std::move(stop);
}

const platform::Value::Dictionary* CRKSymbolResolver::loadedBinaryImageForPC(uint64_t address) const {
    const Cache::Stored* image = cache_->storedFor(address);
    return image ? binaryImages_[image->index].dictionary() : nullptr;
}

bool CRKSymbolResolver::fillInImageDetails_forUUID(CRKBinaryImageDetails* details,
                                                   const std::optional<std::string>& uuid) {
    // Images without a build identifier all share the empty one: matching it would name an address
    // with another image's symbols.
    if (!details || !uuid || uuid->empty()) return false;
    return CRKBinaryImageFindImageForUUID(uuid->c_str(), details);
}

const CRKSymbolResolver::Cache::Loaded& CRKSymbolResolver::Cache::loadedFor(const std::string& uuid) {
    const auto known = loaded.find(uuid);
    if (known != loaded.end()) return known->second;
    Loaded& image = loaded[uuid];
    image.found = fillInImageDetails_forUUID(&image.details, uuid);
    if (!image.found) return image;
    image.loader = CRKLoaderSymbolTable::tableForImageAt(image.details.loadAddress);
    // The file the loader names the image after (the program's own as it was started), asked once.
    Dl_info info{};
    if (dladdr(reinterpret_cast<const void*>(image.details.loadAddress), &info) != 0 && info.dli_fname) {
        image.loaderName = info.dli_fname;
        image.loaderBase = reinterpret_cast<uintptr_t>(info.dli_fbase);
        image.fileName = image.loaderName;
        // The loader names the program after the name it was started by, which is no path when a
        // shell found it on the PATH: the running program's own file is read instead, if it is that
        // build.
        if (!image.loaderName.empty() && image.loaderName.find('/') == std::string::npos &&
            identifierOfFile(kRunningProgram) == image.details.uuid)
            image.fileName = kRunningProgram;
    } else {
        image.loader.reset();
    }
    return image;
}

const CRKELFFunctionSymbolTable& CRKSymbolResolver::Cache::fileTable(const std::string& path) {
    const auto known = files.find(path);
    if (known != files.end()) return known->second;
    CRKELFFunctionSymbolTable read = CRKELFFunctionSymbolTable::tableWithPath(path, stop);
    if (read.problem() == CRKELFFunctionSymbolTable::kStopped) {
        // Not kept: the naming it was read for has stopped, and any later one reads the table whole.
        static const CRKELFFunctionSymbolTable none;
        return none;
    }
    CRKELFFunctionSymbolTable& table = files[path] = std::move(read);
    if (!table.problem().empty()) {
        platform::logf("[CrashKit:Crash:SymbolResolver] symbols of %s not all read: %s", path.c_str(),
                       table.problem().c_str());
    }
    return table;
}

std::optional<CRKSymbolResolver::Cache::Found> CRKSymbolResolver::Cache::lookUp(uint64_t local,
                                                                                const Loaded& image) {
    std::string fileName;
    if (image.loader && image.loader->holds(uintptr_t(local))) {
        std::string_view name;
        uintptr_t address = 0;
        if (image.loader->findSymbol(uintptr_t(local), &name, &address) && address != 0)
            return Found{name, address};
        fileName = image.fileName;
    } else {
        // Outside the image's segments (a record's size of its own), or an image whose tables this
        // reader does not take: the loader is asked.
        Dl_info info{};
        if (dladdr(reinterpret_cast<const void*>(static_cast<uintptr_t>(local)), &info) == 0)
            return std::nullopt;
        if (info.dli_sname && info.dli_saddr) {
            loaderNames.emplace_back(info.dli_sname);
            return Found{loaderNames.back(), reinterpret_cast<uintptr_t>(info.dli_saddr)};
        }
        if (info.dli_fname) {
            const bool sameImage = reinterpret_cast<uintptr_t>(info.dli_fbase) == image.loaderBase &&
                                   info.dli_fname == image.loaderName;
            fileName = sameImage ? image.fileName : info.dli_fname;
        }
    }
    // The loader knows the image but not the function (a static or hidden one): the file's own table.
    if (!fileName.empty()) {
        std::string_view name;
        uint64_t start = 0;
        if (fileTable(fileName).findFunctionSymbol(local - static_cast<uint64_t>(image.details.slide), &name,
                                                   &start))
            return Found{name, start + static_cast<uint64_t>(image.details.slide)};
    }
    return Found{};
}

CRKSymbolResolver::Cache::Resolved CRKSymbolResolver::Cache::resolve(uint64_t address, bool returnAddress) {
    const Stored* stored = storedFor(address);
    if (!stored || !stored->uuid || stored->uuid->empty()) return {};
    const Loaded& image = loadedFor(*stored->uuid);
    if (!image.found) return {};

    uint64_t local = image.details.loadAddress + (address - stored->base);
    auto found = lookUp(local, image);
    if (!found) return {};
    if (returnAddress && local > 2) {
        // A return address follows its call, and the call may have been its function's last
        // instruction (a call that never returns): the address is then the next function's first byte,
        // or lies in the padding after the caller, where the nearest name below belongs to some
        // function further back. The call's own bytes, just before the address, name the caller.
        const auto inCall = lookUp(local - 2, image);
        if (inCall && inCall->name &&
            (!found->name || local == found->start || inCall->start > found->start)) {
            local -= 2;
            found = inCall;
        }
    }
    Resolved resolved;
    resolved.resolved = true;
    if (found->name) {
        resolved.symbol = found->name;
        // The offset counts from a symbol's start; without a symbol there is nothing to count from.
        if (local > found->start) resolved.offset = local - found->start;
    }
    resolved.library = &stored->library;
    return resolved;
}

bool CRKSymbolResolver::updateStackFrame(CRKStackFrame& frame, bool returnAddress) const {
    if (frame.address == 0) return false;
    std::lock_guard lock(cache_->mutex);
    const Cache::FrameKey key{frame.address, returnAddress};
    auto known = cache_->frames.find(key);
    if (known == cache_->frames.end())
        known = cache_->frames.emplace(key, cache_->resolve(frame.address, returnAddress)).first;
    const Cache::Resolved& resolved = known->second;
    if (!resolved.resolved) return false;
    if (resolved.symbol) {
        frame.symbol = std::string(*resolved.symbol);
        frame.rawSymbol = frame.symbol;
        if (resolved.offset) frame.offset = *resolved.offset;
    }
    if (resolved.library && *resolved.library) frame.library = **resolved.library;
    return true;
}

std::shared_ptr<CRKStackFrame> CRKSymbolResolver::frameForAddress(uint64_t address,
                                                                  bool returnAddress) const {
    auto frame = CRKStackFrame::stackFrameWithAddress(address);
    return updateStackFrame(*frame, returnAddress) ? frame : nullptr;
}

}  // namespace reporting
