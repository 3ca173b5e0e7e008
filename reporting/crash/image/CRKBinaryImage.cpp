#include "reporting/crash/image/CRKBinaryImage.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/mach/ImageLoader.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKSafeMemoryReader.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKDwarfCursor.h"
#include "reporting/crash/image/CRKELFFile.h"

namespace reporting {

namespace {

// An image the table holds, as the last scan saw it. Normal-time bookkeeping of the scans only; crash
// time reads the slots.
struct TrackedImage {
    uintptr_t header;
    std::string path;
    CRKBinaryImageDetails details;
};

struct Tracker {
    std::atomic<CRKWritableContext*> writable{nullptr};
    std::string path;
    std::shared_ptr<platform::DispatchQueue> queue;
    // Guards the tracked list and the start; never taken at crash time. Never held while calling into
    // the loader: the loader calls back into the table while it holds its own list.
    std::recursive_mutex scanMutex;
    std::vector<TrackedImage> tracked;
};

Tracker& tracker() {
    static Tracker* instance = new Tracker();  // lives for the process: loader events may come late
    return *instance;
}

// The unwind sections beside each slot of the writable context: static storage, like the slots
// reserved before any crash, written before the slot's size makes it visible.
CRKBinaryImageUnwindSections gUnwindSections[CRKBinaryImageSlotCount];

template <typename T>
T loadRelaxed(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <typename T>
void storeRelaxed(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

std::shared_ptr<platform::DispatchQueue> binaryImageQueue() {
    Tracker& t = tracker();
    if (!t.queue) {
        t.queue = CRKSharedContext().binaryImageQueue;
        if (!t.queue) t.queue = platform::DispatchQueue::createSerial(CRKContextBinaryImageQueueLabel);
    }
    return t.queue;
}

// End of the loadable segment that holds `address`, or 0.
uintptr_t segmentEnd(const ElfW(Phdr) * phdrs, size_t count, intptr_t slide, uintptr_t address) {
    for (size_t i = 0; i < count; i++) {
        if (phdrs[i].p_type != PT_LOAD) continue;
        const uintptr_t start = uintptr_t(slide) + phdrs[i].p_vaddr;
        const uintptr_t end = start + phdrs[i].p_memsz;
        if (address >= start && address < end) return end;
    }
    return 0;
}

void fillUnwindSections(CRKBinaryImageDetails* details, const ElfW(Phdr) * phdrs, size_t count) {
    for (size_t i = 0; i < count; i++) {
        if (phdrs[i].p_type != PT_GNU_EH_FRAME) continue;
        const uintptr_t header = uintptr_t(details->slide) + phdrs[i].p_vaddr;
        const uintptr_t headerEnd = segmentEnd(phdrs, count, details->slide, header);
        if (header < CRKFirstValidAddress || headerEnd == 0) return;
        details->ehFrameHeader = header;
        details->ehFrameHeaderEnd = headerEnd;
        // The index names where the call-frame section starts.
        CRKDwarfCursor cursor{reinterpret_cast<const uint8_t*>(header),
                              reinterpret_cast<const uint8_t*>(headerEnd), false};
        const uint8_t version = CRKParseUint8AndAdvance(&cursor);
        const uint8_t encoding = CRKParseUint8AndAdvance(&cursor);
        CRKParseUint16AndAdvance(&cursor);
        if (cursor.failed || version != 1 || (encoding & 0x80)) return;
        const uint64_t ehFrame = CRKParseAddressWithEncodingAndAdvance(&cursor, encoding, nullptr);
        if (ehFrame == CRKDwarfInvalidAddress || ehFrame < CRKFirstValidAddress) return;
        const uintptr_t ehFrameEnd = segmentEnd(phdrs, count, details->slide, ehFrame);
        if (ehFrameEnd == 0) return;
        details->ehFrame = ehFrame;
        details->ehFrameEnd = ehFrameEnd;
        return;
    }
}

std::string mainExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) return std::string();
    return std::string(buffer, size_t(length));
}

// The header address of an image as the loader lists it: the loadable segment that maps file offset 0.
uintptr_t headerOf(const dl_phdr_info* info) {
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0) return info->dlpi_addr + ph.p_vaddr;
    }
    return 0;
}

CRKBinaryImageDetails detailsFor(uintptr_t header, intptr_t slide);

struct ListedImage {
    uintptr_t header;
    intptr_t slide;
    std::string path;
    CRKBinaryImageDetails details;
};

// The loader's current list. The details are read while the loader holds its lock, so that no image
// can be unloaded under the reading.
std::vector<ListedImage> listImages() {
    struct Collect {
        std::vector<ListedImage> images;
        bool first = true;
    } collect;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* c = static_cast<Collect*>(data);
            const uintptr_t header = headerOf(info);
            if (header >= CRKFirstValidAddress) {
                std::string path = info->dlpi_name ? info->dlpi_name : "";
                // The loader lists the program itself first, without a name.
                if (path.empty() && c->first) path = mainExecutablePath();
                c->images.push_back({header, intptr_t(info->dlpi_addr), std::move(path),
                                     detailsFor(header, intptr_t(info->dlpi_addr))});
            }
            c->first = false;
            return 0;
        },
        &collect);
    return std::move(collect.images);
}

// The log is written through the handle's buffer and flushed at the end of every record: each record
// reaches the file whole, in one write, as soon as it is complete, so a crash or a kill between two
// events leaves only whole lines behind (and the start-up burst costs one write per image, not one per
// brace, key and value).
constexpr bool kLogBuffered = true;

// Whether the handle had to be opened here (the caller then closes it).
bool openIfNeeded(CRKWritableContext* writable, const std::string& path, bool* needsClose) {
    *needsClose = false;
    if (CRKFileIsOpen(&writable->binaryImageFile)) return true;
    if (!CRKFileInitWithPath(&writable->binaryImageFile, path.c_str(), kLogBuffered)) {
        CRKSDKLOG_WARN("Error: unable to open binary image log file\n");
        return false;
    }
    *needsClose = true;
    return true;
}

std::optional<platform::Value::Dictionary> frameworkInfo(const std::string& imagePath) {
    // Three path components up from the image's file is the framework bundle
    // (Name.framework/Versions/A/Name).
    std::string bundle = imagePath;
    for (int i = 0; i < 3; i++) {
        const size_t slash = bundle.find_last_of('/');
        if (slash == std::string::npos) return std::nullopt;
        bundle.erase(slash);
    }
    for (const char* relative : {"/Resources/Info.plist", "/Contents/Info.plist", "/Info.plist"}) {
        const auto data = platform::Files::read(bundle + relative);
        if (!data) continue;
        const auto value = platform::PropertyList::valueFromData(*data);
        if (value && value->dictionary()) return *value->dictionary();
    }
    return std::nullopt;
}

std::optional<std::string> infoString(const platform::Value::Dictionary& info, const char* key) {
    const auto found = info.find(key);
    if (found == info.end() || !found->second.string()) return std::nullopt;
    return *found->second.string();
}

void recordSlice(CRKWritableContext* writable, const std::string& logPath, bool isLoad,
                 const std::string& path, const CRKBinaryImageDetails& details) {
    bool needsClose = false;
    if (!openIfNeeded(writable, logPath, &needsClose)) return;
    CRKFile* file = &writable->binaryImageFile;
    CRKFileWriteSectionStart(file, isLoad ? "load" : "unload");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "path", path.c_str());
    const bool framework = path.rfind("/System", 0) != 0 && path.find(".framework") != std::string::npos;
    if (isLoad && framework) {
        if (const auto info = frameworkInfo(path)) {
            CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "bundle_id",
                                                          infoString(*info, "CFBundleIdentifier"));
            CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "build_version",
                                                          infoString(*info, "CFBundleVersion"));
            CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "display_version",
                                                          infoString(*info, "CFBundleShortVersionString"));
        }
    }
    CRKFileWriteHashEntryString(file, "uuid", details.uuid);
    CRKFileWriteHashEntryUInt64(file, "base", details.loadAddress);
    CRKFileWriteHashEntryUInt64(file, "size", details.textSize);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    CRKFileFlush(file);
    if (needsClose) CRKFileClose(file);
}

// One image event: the slot first (so that the unwinder sees a new image at once), then the record.
void imageChanged(bool isLoad, const std::string& path, const CRKBinaryImageDetails& details) {
    Tracker& t = tracker();
    CRKWritableContext* writable = t.writable.load();
    if (!writable) {
        CRKSDKLOG_WARN("Error: Writable context is NULL\n");
        return;
    }
    CRKBinaryImageStoreNode(isLoad, &details);
    const std::string logPath = t.path;
    binaryImageQueue()->async([writable, logPath, isLoad, path, details]() {
        recordSlice(writable, logPath, isLoad, path, details);
    });
}

CRKBinaryImageDetails detailsFor(uintptr_t header, intptr_t slide) {
    CRKBinaryImageDetails details{};
    details.slice.startAddress = header;
    details.slide = slide;
    CRKBinaryImageFillInImageDetails(&details);
    return details;
}

// The loader's callbacks. The added one runs while the loader holds its list, so the image's headers
// can be read; the removed one comes after the image is gone, so its event carries what was known.
void loaderAddedImage(const platform::mach::LoadedImage& loaded) {
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    if (!t.writable.load()) return;
    TrackedImage image{loaded.header, loaded.path ? loaded.path : "",
                       detailsFor(loaded.header, loaded.slide)};
    t.tracked.push_back(image);
    imageChanged(true, image.path, image.details);
}

void loaderRemovedImage(const platform::mach::LoadedImage& loaded) {
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    if (!t.writable.load()) return;
    const std::string path = loaded.path ? loaded.path : "";
    for (size_t i = 0; i < t.tracked.size(); i++) {
        if (t.tracked[i].header != loaded.header || t.tracked[i].path != path) continue;
        const TrackedImage image = t.tracked[i];
        t.tracked.erase(t.tracked.begin() + long(i));
        imageChanged(false, image.path, image.details);
        return;
    }
}

std::string pathForHeader(uintptr_t header) {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(header), &info) && info.dli_fname) return info.dli_fname;
    return std::string();
}

}  // namespace

void CRKBinaryImageInit(const char* path, CRKWritableContext* writable) {
    Tracker& t = tracker();
    if (!writable) {
        CRKSDKLOG_WARN("Error: Writable context is NULL\n");
        return;
    }
    // A second start (tests) begins again from nothing: the loader tells the whole list once more.
    platform::mach::ImageLoader::unregisterCallbacks(loaderAddedImage, loaderRemovedImage);
    std::shared_ptr<platform::DispatchQueue> queue;
    {
        std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
        writable->binaryImageFile = CRKFile{};
        writable->binaryImageFile.descriptor = -1;
        for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
            writable->binaryImages[i] = CRKBinaryImageSlot{};
            gUnwindSections[i] = CRKBinaryImageUnwindSections{};
        }
        std::atomic_thread_fence(std::memory_order_seq_cst);
        t.path = path ? path : "";
        t.tracked.clear();
        t.queue = nullptr;
        t.writable.store(writable);
        queue = binaryImageQueue();
    }

    const std::string logPath = path ? path : "";
    queue->async([writable, logPath]() {
        if (!CRKUnlinkIfExists(logPath.c_str())) {
            CRKSDKLOG_WARN("Unable to reset the binary image log file %s\n", logPath.c_str());
            return;
        }
        if (!CRKFileInitWithPath(&writable->binaryImageFile, logPath.c_str(), kLogBuffered)) {
            CRKSDKLOG_WARN("Error: Unable to open the binary image log file during init\n");
        }
    });
    // The loader calls the add callback at once for every image already loaded, and from now on for
    // each one it maps; the records of the first burst go through the file opened above.
    platform::mach::ImageLoader::registerCallbacks(loaderAddedImage, loaderRemovedImage);
    queue->async([writable]() {
        if (CRKFileIsOpen(&writable->binaryImageFile)) CRKFileClose(&writable->binaryImageFile);
    });
}

void CRKBinaryImageResetForTesting() {
    platform::mach::ImageLoader::unregisterCallbacks(loaderAddedImage, loaderRemovedImage);
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    t.writable.store(nullptr);
    t.tracked.clear();
    t.queue = nullptr;
}

void CRKBinaryImageAddCallback(uintptr_t header, intptr_t slide) {
    CRKBinaryImageChanged(true, header, slide);
}

void CRKBinaryImageRemoveCallback(uintptr_t header, intptr_t slide) {
    CRKBinaryImageChanged(false, header, slide);
}

void CRKBinaryImageChanged(bool isLoad, uintptr_t header, intptr_t slide) {
    // Asked of the loader before the table's lock is taken: the loader calls into the table while it
    // holds its own.
    const std::string path = isLoad ? pathForHeader(header) : std::string();
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    if (isLoad) {
        TrackedImage image{header, path, detailsFor(header, slide)};
        t.tracked.push_back(image);
        imageChanged(true, image.path, image.details);
        return;
    }
    for (size_t i = 0; i < t.tracked.size(); i++) {
        if (t.tracked[i].header != header) continue;
        const TrackedImage image = t.tracked[i];
        t.tracked.erase(t.tracked.begin() + long(i));
        imageChanged(false, image.path, image.details);
        return;
    }
    // Not one the table knows: nothing of it can be read any more but its address.
    CRKBinaryImageDetails details{};
    details.slice.startAddress = header;
    details.loadAddress = header;
    details.slide = slide;
    imageChanged(false, std::string(), details);
}

void CRKBinaryImageRescanIfNeeded() {
    platform::mach::ImageLoader::noticeChanges();
}

void* CRKBinaryImageDlopen(const char* path, int flags) {
    return platform::mach::ImageLoader::load(path, flags);
}

int CRKBinaryImageDlclose(void* handle) {
    return platform::mach::ImageLoader::unload(handle);
}

void CRKBinaryImageFillInImageDetails(CRKBinaryImageDetails* details) {
    if (!details || details->slice.startAddress < CRKFirstValidAddress) return;
    const uintptr_t start = details->slice.startAddress;
    details->loadAddress = start;
    const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(start);
    if (memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_phnum == 0) return;
    const auto* phdrs = reinterpret_cast<const ElfW(Phdr)*>(start + header->e_phoff);
    CRKELFImageInfo info;
    if (!CRKELFImageReadInfo(uintptr_t(details->slide), phdrs, header->e_phnum, &info)) return;
    if (info.hasBuildID) {
        CRKHexEncodeBytes(info.uuid, sizeof(info.uuid), details->uuid);
    } else {
        details->uuid[0] = '\0';
    }
    details->slice.cputype = info.cputype;
    details->slice.cpusubtype = info.cpusubtype;
    if (info.textSize > 0 && info.textStart >= start)
        details->textSize = info.textStart + info.textSize - start;
    fillUnwindSections(details, phdrs, header->e_phnum);
}

bool CRKBinaryImageStoreNode(bool isLoad, const CRKBinaryImageDetails* details) {
    CRKWritableContext* writable = tracker().writable.load();
    if (!writable || !details) {
        CRKSDKLOG_WARN("Error: Writable context is NULL\n");
        return false;
    }
    const uintptr_t header = details->loadAddress;
    for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
        CRKBinaryImageSlot& slot = writable->binaryImages[i];
        std::atomic_ref<uintptr_t> base(slot.base);
        if (isLoad) {
            uintptr_t expected = 0;
            if (base.load() != 0 || !base.compare_exchange_strong(expected, header)) continue;
            CRKBinaryImageUnwindSections& sections = gUnwindSections[i];
            storeRelaxed(sections.ehFrame, details->ehFrame);
            storeRelaxed(sections.ehFrameEnd, details->ehFrameEnd);
            storeRelaxed(sections.ehFrameHeader, details->ehFrameHeader);
            storeRelaxed(sections.ehFrameHeaderEnd, details->ehFrameHeaderEnd);
            storeRelaxed(slot.ehFrame, details->ehFrame);
            storeRelaxed(slot.unwindInfo, details->unwindInfo);
            storeRelaxed(slot.crashInfo, details->crashInfo);
            // The size goes last: a reader that sees it sees the rest.
            std::atomic_ref<uint64_t>(slot.size).store(details->textSize, std::memory_order_release);
            return true;
        }
        // Only a live slot is cleared: an image loaded again at the address of one unloaded before
        // has a later slot, and its own unload must clear that one.
        if (base.load() != header ||
            std::atomic_ref<uint64_t>(slot.size).load(std::memory_order_acquire) == 0) {
            continue;
        }
        uintptr_t expected = header;
        if (!base.compare_exchange_strong(expected, header)) {
            CRKSDKLOG_WARN("Error: Failed to swap during image unload\n");
            break;
        }
        std::atomic_ref<uint64_t>(slot.size).store(0, std::memory_order_release);
        storeRelaxed(slot.ehFrame, uintptr_t(0));
        storeRelaxed(slot.unwindInfo, uintptr_t(0));
        storeRelaxed(slot.crashInfo, uintptr_t(0));
        return true;
    }
    CRKSDKLOG_WARN("Error: Unable to track a %s node %p\n", isLoad ? "loaded" : "unloaded",
                   CRKLogWord(header));
    return false;
}

bool CRKBinaryImageSafeFindUnwindSectionsForAddress(uintptr_t address, CRKBinaryImageSlot* slot,
                                                    CRKBinaryImageUnwindSections* sections) {
    CRKWritableContext* writable = tracker().writable.load(std::memory_order_acquire);
    if (!writable || address == 0 || !slot) return false;
    for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
        const CRKBinaryImageSlot& candidate = writable->binaryImages[i];
        const uintptr_t base = std::atomic_ref<uintptr_t>(const_cast<uintptr_t&>(candidate.base)).load();
        // Slots are claimed in index order and never freed, so the first free one ends the table.
        if (base == 0) break;
        const uint64_t size =
            std::atomic_ref<uint64_t>(const_cast<uint64_t&>(candidate.size)).load(std::memory_order_acquire);
        if (address < base || address - base >= size) continue;
        slot->base = base;
        slot->size = size;
        slot->ehFrame = loadRelaxed(candidate.ehFrame);
        slot->unwindInfo = loadRelaxed(candidate.unwindInfo);
        slot->crashInfo = loadRelaxed(candidate.crashInfo);
        if (sections) {
            const CRKBinaryImageUnwindSections& s = gUnwindSections[i];
            sections->ehFrame = loadRelaxed(s.ehFrame);
            sections->ehFrameEnd = loadRelaxed(s.ehFrameEnd);
            sections->ehFrameHeader = loadRelaxed(s.ehFrameHeader);
            sections->ehFrameHeaderEnd = loadRelaxed(s.ehFrameHeaderEnd);
        }
        return true;
    }
    return false;
}

bool CRKBinaryImageSafeFindImageForAddress(uintptr_t address, CRKBinaryImageSlot* slot) {
    return CRKBinaryImageSafeFindUnwindSectionsForAddress(address, slot, nullptr);
}

bool CRKBinaryImageHasCompactUnwindInfo(const CRKBinaryImageSlot* slot) {
    return slot && slot->unwindInfo >= CRKFirstValidAddress;
}

bool CRKBinaryImageFindImageForUUID(const char* uuid, CRKBinaryImageDetails* details) {
    if (!uuid || !details) {
        CRKSDKLOG_WARN("null input\n");
        return false;
    }
    for (const ListedImage& image : listImages()) {
        const CRKBinaryImageDetails& candidate = image.details;
        if (strncmp(candidate.uuid, uuid, sizeof(candidate.uuid)) == 0) {
            *details = candidate;
            return true;
        }
    }
    return false;
}

bool CRKBinaryImageRecordMainExecutable(CRKFile* file) {
    const std::vector<ListedImage> images = listImages();
    CRKBinaryImageDetails details{};
    if (!images.empty()) details = images.front().details;
    const auto version = [](const CRKMachOVersion& v) { return *CRKMachOFormatVersion(&v); };
    CRKFileWriteSectionStart(file, "executable");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(
        file, "architecture",
        CRKMachOArchitectureNameForCPU(details.slice.cputype, details.slice.cpusubtype));
    CRKFileWriteHashEntryString(file, "uuid", details.uuid);
    CRKFileWriteHashEntryUInt64(file, "base", details.loadAddress);
    CRKFileWriteHashEntryUInt64(file, "size", details.textSize);
    CRKFileWriteHashEntryBoolean(file, "encrypted", details.encrypted);
    CRKFileWriteHashEntryString(file, "minimum_sdk_version", version(details.minimumSDKVersion).c_str());
    CRKFileWriteHashEntryString(file, "built_sdk_version", version(details.builtSDKVersion).c_str());
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    return true;
}

}  // namespace reporting
