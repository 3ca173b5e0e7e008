#include "reporting/crash/image/CRKBinaryImage.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#include <sys/auxv.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/RunLoop.h"
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
    // The loader's r_debug, where the walk at crash time starts; 0 when the program names none.
    std::atomic<uintptr_t> loaderDebug{0};
    // Where the loader's entry for a library holds its file's device and inode; 0 when not known.
    std::atomic<size_t> entryFileOffset{0};
    // The main run loop's observer that has the loader's list read again at the end of every pass.
    uint64_t quietObserver = 0;
    // Guards the tracked list and the start; never taken at crash time. Never held while calling into
    // the image loader, which tells the table of images while it holds its own lock.
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

// What the walk at crash time needs beside each slot, kept the same way: which of the loader's objects
// the slot holds (the address of its dynamic section, as the loader's list gives it; 0 for an image
// that has none), whether its "load" record is in the file yet, and what that record says (the path is
// a copy of our own, made when the slot was claimed and kept as long as the slot).
//
// A pending record is written by exactly one writer: whoever claims it first, the binary-images queue
// or the walk at crash time, names itself in the claim (its kernel thread id) and writes it; the other
// leaves it alone. The queue claims only once everything but the write itself is done. A record the
// queue had claimed when the crash stopped it is written by the queue once the threads are let go, and
// the crash handler waits for that (a bounded time) before the process ends; one that the crashed
// thread itself was writing is finished by its walk. A write that fails gives the record back.
enum : uint32_t { kRecordNone = 0, kRecordPending = 1, kRecordWriting = 2, kRecordWritten = 3 };
constexpr uint32_t kRecordStateBits = 2;
constexpr size_t kKeptBuildIDBytes = 16;
// A loader entry (link_map): what the walk needs of the fields its debugger interface publishes (the
// bias, the name, the dynamic section and the next entry; not the link back), the device and inode of
// the object's file that the loader keeps further in, and how far into an entry the walk reads at most.
constexpr size_t kPublishedFieldsThroughNext = offsetof(link_map, l_prev);
constexpr size_t kFileIdentitySize = 2 * sizeof(uint64_t);
constexpr size_t kMaxEntryBytes = 2048;
// A loader entry as the walk reads it: the published part, and as far as the file's identity where the
// loader's entries are known to hold it.
struct EntryBytes {
    alignas(link_map) uint8_t bytes[kMaxEntryBytes];
    size_t length;  // how much was read
};

struct SlotLoaderFacts {
    uintptr_t dynamicSection;
    // The state, and for kRecordWriting the writer's thread id in the bits above it.
    uint32_t record;
    char uuid[33];
    const char* path;
    // The device and inode of the image's file, as the loader's entry said when the slot was claimed
    // (hasFile false when it did not): the walk at crash time finds them in the listed entry it reads,
    // and takes another file for another image without reading its build.
    uint64_t file[2];
    bool hasFile;
    // The first bytes of the image's build-id and where they lie from its header: the walk at crash time
    // reads them in the listed object to know whether it is this build, whatever its file. No bytes: no
    // build-id.
    uintptr_t buildIDOffset;
    uint32_t buildIDBytes;
    uint8_t buildID[kKeptBuildIDBytes];
};
SlotLoaderFacts gSlotFacts[CRKBinaryImageSlotCount];

template <typename T>
T loadRelaxed(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(std::memory_order_relaxed);
}
template <typename T>
T loadAtomic(const T& field) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load();
}
template <typename T>
void storeRelaxed(T& field, T value) {
    std::atomic_ref<T>(field).store(value, std::memory_order_relaxed);
}

int32_t currentThreadID() {
    return int32_t(syscall(SYS_gettid));
}
uint32_t writingBy(int32_t thread) {
    return uint32_t(thread) << kRecordStateBits | kRecordWriting;
}
bool isBeingWritten(uint32_t record) {
    return (record & ((1u << kRecordStateBits) - 1)) == kRecordWriting;
}
int32_t writerOf(uint32_t record) {
    return int32_t(record >> kRecordStateBits);
}

// Claims a pending record for the calling thread; false when someone else has it, or had it written.
bool claimRecord(size_t index, int32_t thread) {
    uint32_t expected = kRecordPending;
    return std::atomic_ref<uint32_t>(gSlotFacts[index].record)
        .compare_exchange_strong(expected, writingBy(thread));
}

void finishRecord(size_t index, bool written) {
    std::atomic_ref<uint32_t>(gSlotFacts[index].record).store(written ? kRecordWritten : kRecordPending);
}

// What names one of the loader's objects. The dynamic section alone does not: a library opened where a
// closed one lay, of the same layout, has its dynamic section at the same address, and is another file
// or another build of the same file. A header of 0, no path, no build identifier or no file leaves that
// part out of the match; a slot that kept no path (one claimed at crash time, when nothing may allocate)
// matches any path, and one that knows no file any file. An identifier given must be the slot's, empty
// for empty: for a library without a build-id, the file (its device and inode) is then what tells
// another build renamed over its path from the one the slot holds.
struct ObjectIdentity {
    uintptr_t dynamicSection;
    uintptr_t header;
    const char* path;
    const char* uuid;
    const uint64_t* file = nullptr;  // device and inode
};

// The live slot holding the object, or -1. No allocation, no lock: the walk at crash time asks too.
int liveSlotFor(const CRKWritableContext* writable, const ObjectIdentity& object) {
    if (object.dynamicSection == 0) return -1;
    for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
        const CRKBinaryImageSlot& slot = writable->binaryImages[i];
        // Slots are claimed in index order and never freed, so the first free one ends the table.
        const uintptr_t base = loadAtomic(slot.base);
        if (base == 0) break;
        if (std::atomic_ref<uint64_t>(const_cast<uint64_t&>(slot.size)).load(std::memory_order_acquire) == 0)
            continue;
        const SlotLoaderFacts& facts = gSlotFacts[i];
        if (loadRelaxed(facts.dynamicSection) != object.dynamicSection) continue;
        if (object.header != 0 && base != object.header) continue;
        const char* kept = loadRelaxed(facts.path);
        if (object.path && kept && strcmp(kept, object.path) != 0) continue;
        if (object.uuid && strncmp(facts.uuid, object.uuid, sizeof facts.uuid) != 0) continue;
        if (object.file && facts.hasFile && memcmp(facts.file, object.file, sizeof facts.file) != 0) continue;
        return int(i);
    }
    return -1;
}

int storeNode(bool isLoad, const CRKBinaryImageDetails* details, uint32_t record, const char* path);

// So that no address lookup can match the slot any more.
void clearSlot(CRKBinaryImageSlot* slot) {
    std::atomic_ref<uint64_t>(slot->size).store(0, std::memory_order_release);
    storeRelaxed(slot->ehFrame, uintptr_t(0));
    storeRelaxed(slot->unwindInfo, uintptr_t(0));
    storeRelaxed(slot->crashInfo, uintptr_t(0));
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

// The rest of the details, from the image's program headers (read in place, or copied at crash time).
void fillFromProgramHeaders(CRKBinaryImageDetails* details, const ElfW(Phdr) * phdrs, uint16_t count) {
    const uintptr_t start = details->slice.startAddress;
    CRKELFImageInfo info;
    if (!CRKELFImageReadInfo(uintptr_t(details->slide), phdrs, count, &info)) return;
    if (info.hasBuildID) {
        CRKHexEncodeBytes(info.uuid, sizeof(info.uuid), details->uuid);
        details->buildIDAddress = info.buildIDAddress;
        details->buildIDLength = info.buildIDLength;
    } else {
        details->uuid[0] = '\0';
        details->buildIDAddress = 0;
        details->buildIDLength = 0;
    }
    details->slice.cputype = info.cputype;
    details->slice.cpusubtype = info.cpusubtype;
    if (info.textSize > 0 && info.textStart >= start)
        details->textSize = info.textStart + info.textSize - start;
    for (uint16_t i = 0; i < count; i++) {
        if (phdrs[i].p_type == PT_DYNAMIC)
            details->dynamicSection = uintptr_t(details->slide) + phdrs[i].p_vaddr;
    }
    fillUnwindSections(details, phdrs, count);
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

// The fields every image record ends with, and its end. Only writes: the crash-time walk uses it too.
// Whether the record reached the file.
bool writeImageAddressAndEnd(CRKFile* file, const CRKBinaryImageDetails& details) {
    CRKFileWriteHashEntryString(file, "uuid", details.uuid);
    CRKFileWriteHashEntryUInt64(file, "base", details.loadAddress);
    CRKFileWriteHashEntryUInt64(file, "size", details.textSize);
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
    return CRKFileFlush(file);
}

// What a load record says of the framework bundle its image lies in, if any.
struct BundleFields {
    std::optional<std::string> identifier;
    std::optional<std::string> buildVersion;
    std::optional<std::string> displayVersion;
};

std::optional<BundleFields> bundleFieldsFor(bool isLoad, const std::string& path) {
    const bool framework = path.rfind("/System", 0) != 0 && path.find(".framework") != std::string::npos;
    if (!isLoad || !framework) return std::nullopt;
    const auto info = frameworkInfo(path);
    if (!info) return std::nullopt;
    return BundleFields{infoString(*info, "CFBundleIdentifier"), infoString(*info, "CFBundleVersion"),
                        infoString(*info, "CFBundleShortVersionString")};
}

// Writes the record; nothing in it allocates or takes a lock (what the bundle says is read before).
bool recordSlice(CRKWritableContext* writable, const std::string& logPath, bool isLoad,
                 const std::string& path, const CRKBinaryImageDetails& details,
                 const std::optional<BundleFields>& bundle) {
    bool needsClose = false;
    if (!openIfNeeded(writable, logPath, &needsClose)) return false;
    CRKFile* file = &writable->binaryImageFile;
    CRKFileWriteSectionStart(file, isLoad ? "load" : "unload");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "path", path.c_str());
    if (bundle) {
        CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "bundle_id", bundle->identifier);
        CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "build_version", bundle->buildVersion);
        CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(file, "display_version", bundle->displayVersion);
    }
    const bool written = writeImageAddressAndEnd(file, details);
    if (needsClose) CRKFileClose(file);
    return written;
}

// One image event: the slot first (so that the unwinder sees a new image at once), then the record.
void imageChanged(bool isLoad, const std::string& path, const CRKBinaryImageDetails& details) {
    Tracker& t = tracker();
    CRKWritableContext* writable = t.writable.load();
    if (!writable) {
        CRKSDKLOG_WARN("Error: Writable context is NULL\n");
        return;
    }
    const int slot = storeNode(isLoad, &details, isLoad ? kRecordPending : kRecordNone, path.c_str());
    const std::string logPath = t.path;
    binaryImageQueue()->async([writable, logPath, isLoad, path, details, slot]() {
        const bool tracked = isLoad && slot >= 0;
        const auto bundle = bundleFieldsFor(isLoad, path);
        // A load whose record the walk at crash time has taken is not written again.
        if (tracked && !claimRecord(size_t(slot), currentThreadID())) return;
        const bool written = recordSlice(writable, logPath, isLoad, path, details, bundle);
        if (tracked) finishRecord(size_t(slot), written);
    });
}

CRKBinaryImageDetails detailsFor(uintptr_t header, intptr_t slide) {
    CRKBinaryImageDetails details{};
    details.slice.startAddress = header;
    details.slide = slide;
    CRKBinaryImageFillInImageDetails(&details);
    return details;
}

// The image loader's callbacks. The added one runs after the loader's walk of its list, with the image
// held loaded by the image loader for as long as the call lasts, so its headers can be read; the removed
// one comes after the image is gone, so its event carries what was known.
void loaderAddedImage(const platform::mach::LoadedImage& loaded) {
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    if (!t.writable.load()) return;
    TrackedImage image{loaded.header, loaded.path ? loaded.path : "",
                       detailsFor(loaded.header, loaded.slide)};
    image.details.fileDevice = loaded.fileDevice;
    image.details.fileInode = loaded.fileInode;
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

// The loader's debugger interface: the r_debug it keeps up to date, named by the DT_DEBUG entry of the
// program's dynamic section. (A reference of the program's own to `_r_debug` may be bound to a copy
// made when the program started, which the loader never changes.)
uintptr_t loaderDebugAddress() {
    const auto* phdrs = reinterpret_cast<const ElfW(Phdr)*>(getauxval(AT_PHDR));
    const size_t count = getauxval(AT_PHNUM);
    if (!phdrs) return 0;
    uintptr_t bias = 0;
    for (size_t i = 0; i < count; i++) {
        if (phdrs[i].p_type == PT_PHDR) bias = reinterpret_cast<uintptr_t>(phdrs) - phdrs[i].p_vaddr;
    }
    for (size_t i = 0; i < count; i++) {
        if (phdrs[i].p_type != PT_DYNAMIC) continue;
        for (const auto* entry = reinterpret_cast<const ElfW(Dyn)*>(bias + phdrs[i].p_vaddr);
             entry->d_tag != DT_NULL; entry++) {
            if (entry->d_tag == DT_DEBUG) return uintptr_t(entry->d_un.d_ptr);
        }
    }
    return 0;
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
    // Asked before the table's lock is taken: finding it calls into the loader.
    const size_t fileOffset = platform::mach::ImageLoader::entryFileIdentityOffset();
    std::shared_ptr<platform::DispatchQueue> queue;
    {
        std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
        writable->binaryImageFile = CRKFile{};
        writable->binaryImageFile.descriptor = -1;
        for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
            writable->binaryImages[i] = CRKBinaryImageSlot{};
            gUnwindSections[i] = CRKBinaryImageUnwindSections{};
        }
        for (SlotLoaderFacts& facts : gSlotFacts) {
            free(const_cast<char*>(facts.path));
            facts = SlotLoaderFacts{};
        }
        std::atomic_thread_fence(std::memory_order_seq_cst);
        t.path = path ? path : "";
        t.tracked.clear();
        t.queue = nullptr;
        t.loaderDebug.store(loaderDebugAddress());
        t.entryFileOffset.store(fileOffset + kFileIdentitySize <= kMaxEntryBytes ? fileOffset : 0);
        t.writable.store(writable);
        queue = binaryImageQueue();
    }

    // The old file is removed here, before any image is registered, and never later: a crash from now
    // on may have its handler write the records still queued, and a reset left to the queue could come
    // after that handler and erase them. The queue opens the new file for the first burst.
    const std::string logPath = path ? path : "";
    const bool reset = CRKUnlinkIfExists(logPath.c_str());
    if (!reset) CRKSDKLOG_WARN("Unable to reset the binary image log file %s\n", logPath.c_str());
    queue->async([writable, logPath, reset]() {
        if (!reset) return;
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
    // Libraries that other libraries or the C library load are heard of at the next reading of the
    // loader's list. The end of each pass of the main run loop is such a quiet moment; reading the
    // counters costs one short walk of the loader's list, and the list itself is read only when they moved.
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    platform::RunLoop& loop = platform::RunLoop::main();
    if (t.quietObserver) loop.removeObserver(t.quietObserver);
    t.quietObserver = loop.addObserver([] { CRKBinaryImageRescanIfNeeded(); });
}

void CRKBinaryImageResetForTesting() {
    platform::mach::ImageLoader::unregisterCallbacks(loaderAddedImage, loaderRemovedImage);
    Tracker& t = tracker();
    std::lock_guard<std::recursive_mutex> lock(t.scanMutex);
    if (t.quietObserver) platform::RunLoop::main().removeObserver(t.quietObserver);
    t.quietObserver = 0;
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
    // Asked of the loader before the table's lock is taken, so that the table's lock is never held while
    // waiting for the loader's, which a load on another thread may hold.
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

void CRKBinaryImageFillInImageDetails(CRKBinaryImageDetails* details) {
    if (!details || details->slice.startAddress < CRKFirstValidAddress) return;
    const uintptr_t start = details->slice.startAddress;
    details->loadAddress = start;
    const auto* header = reinterpret_cast<const ElfW(Ehdr)*>(start);
    if (memcmp(header->e_ident, ELFMAG, SELFMAG) != 0 || header->e_phnum == 0) return;
    fillFromProgramHeaders(details, reinterpret_cast<const ElfW(Phdr)*>(start + header->e_phoff),
                           header->e_phnum);
}

namespace {

int storeNode(bool isLoad, const CRKBinaryImageDetails* details, uint32_t record, const char* path) {
    CRKWritableContext* writable = tracker().writable.load();
    if (!writable || !details) {
        CRKSDKLOG_WARN("Error: Writable context is NULL\n");
        return -1;
    }
    const uintptr_t header = details->loadAddress;
    if (isLoad) {
        // Put in the table already by the walk at crash time (a test that records a crash and goes on):
        // it keeps that slot, whose record is written. Another file at the same place is another image,
        // with or without a build-id.
        const uint64_t file[2] = {details->fileDevice, details->fileInode};
        const bool fileKnown = file[0] != 0 || file[1] != 0;
        const int known = header != 0 ? liveSlotFor(writable, {details->dynamicSection, header, path,
                                                               details->uuid, fileKnown ? file : nullptr})
                                      : -1;
        if (known >= 0) return known;
    }
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
            SlotLoaderFacts& facts = gSlotFacts[i];
            storeRelaxed(facts.dynamicSection, details->dynamicSection);
            storeRelaxed(facts.record, record);
            // A slot is claimed once, so its record's words are written once, before the size below
            // publishes them. The path is copied only where a record is still to be written: at crash
            // time (when nothing may allocate) the walk writes its records itself.
            memcpy(facts.uuid, details->uuid, sizeof facts.uuid);
            facts.uuid[sizeof facts.uuid - 1] = '\0';
            facts.hasFile = details->fileDevice != 0 || details->fileInode != 0;
            facts.file[0] = details->fileDevice;
            facts.file[1] = details->fileInode;
            const bool buildID = details->buildIDLength > 0 && details->buildIDAddress >= header;
            facts.buildIDBytes = buildID ? std::min<uint32_t>(details->buildIDLength, kKeptBuildIDBytes) : 0;
            facts.buildIDOffset = buildID ? details->buildIDAddress - header : 0;
            if (buildID)
                memcpy(facts.buildID, reinterpret_cast<const void*>(details->buildIDAddress),
                       facts.buildIDBytes);
            storeRelaxed(facts.path, record == kRecordPending && path ? static_cast<const char*>(strdup(path))
                                                                      : static_cast<const char*>(nullptr));
            storeRelaxed(slot.ehFrame, details->ehFrame);
            storeRelaxed(slot.unwindInfo, details->unwindInfo);
            storeRelaxed(slot.crashInfo, details->crashInfo);
            // The size goes last: a reader that sees it sees the rest.
            std::atomic_ref<uint64_t>(slot.size).store(details->textSize, std::memory_order_release);
            return int(i);
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
        clearSlot(&slot);
        return int(i);
    }
    CRKSDKLOG_WARN("Error: Unable to track a %s node %p\n", isLoad ? "loaded" : "unloaded",
                   CRKLogWord(header));
    return -1;
}

}  // namespace

bool CRKBinaryImageStoreNode(bool isLoad, const CRKBinaryImageDetails* details) {
    return storeNode(isLoad, details, kRecordNone, nullptr) >= 0;
}

bool CRKBinaryImageSafeFindUnwindSectionsForAddress(uintptr_t address, CRKBinaryImageSlot* slot,
                                                    CRKBinaryImageUnwindSections* sections) {
    CRKWritableContext* writable = tracker().writable.load(std::memory_order_acquire);
    if (!writable || address == 0 || !slot) return false;
    // The last slot that holds the address: slots are claimed in load order, and the walk at crash time
    // leaves the slot of an image unloaded since the last reading, so of two images at one address the
    // later is the one mapped there now.
    int found = -1;
    uintptr_t foundBase = 0;
    uint64_t foundSize = 0;
    for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
        const CRKBinaryImageSlot& candidate = writable->binaryImages[i];
        const uintptr_t base = std::atomic_ref<uintptr_t>(const_cast<uintptr_t&>(candidate.base)).load();
        // Slots are claimed in index order and never freed, so the first free one ends the table.
        if (base == 0) break;
        const uint64_t size =
            std::atomic_ref<uint64_t>(const_cast<uint64_t&>(candidate.size)).load(std::memory_order_acquire);
        if (address >= base && address - base < size) {
            found = int(i);
            foundBase = base;
            foundSize = size;
        }
    }
    if (found < 0) return false;
    const CRKBinaryImageSlot& candidate = writable->binaryImages[found];
    slot->base = foundBase;
    slot->size = foundSize;
    slot->ehFrame = loadRelaxed(candidate.ehFrame);
    slot->unwindInfo = loadRelaxed(candidate.unwindInfo);
    slot->crashInfo = loadRelaxed(candidate.crashInfo);
    if (sections) {
        const CRKBinaryImageUnwindSections& s = gUnwindSections[found];
        sections->ehFrame = loadRelaxed(s.ehFrame);
        sections->ehFrameEnd = loadRelaxed(s.ehFrameEnd);
        sections->ehFrameHeader = loadRelaxed(s.ehFrameHeader);
        sections->ehFrameHeaderEnd = loadRelaxed(s.ehFrameHeaderEnd);
    }
    return true;
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

namespace {

// Bounds of the walk at crash time: a corrupt list may run in a circle or into nonsense, a real one is
// far shorter.
constexpr size_t kMaxLoaderObjects = 4096;
constexpr int kMaxNamespaces = 16;
constexpr uint16_t kMaxProgramHeaders = 64;
constexpr uint64_t kMaxNoteArea = 65536;
// The call-frame index's version, two encodings, its table's encoding and the section's address.
constexpr uint64_t kEhFrameHeaderPrefix = 12;

bool safeRead(uintptr_t address, void* destination, size_t length) {
    return CRKSafeMemoryReader::readUncached(address, destination, length);
}

// The walk reads the loader's entries through a reader that keeps the pages it read: the entries lie
// close together in a few pages of the loader's own memory, so a walk costs a system call per few pages,
// not one per entry. Its page cache is large, and one walk runs at a time (in the crash handler, as the
// stack walk's context does), so it lives here, not on the alternate signal stack.
constinit CRKSafeMemoryReader gWalkReader{};

// Reads a loader entry as far as `length`, or, where that much cannot be read (an entry at the end of its
// mapping), its published part alone.
bool readEntry(CRKSafeMemoryReader* reader, uintptr_t address, EntryBytes* entry, size_t length) {
    entry->length = 0;
    if (reader->read(address, entry->bytes, length)) {
        entry->length = length;
    } else if (length > kPublishedFieldsThroughNext &&
               reader->read(address, entry->bytes, kPublishedFieldsThroughNext)) {
        entry->length = kPublishedFieldsThroughNext;
    }
    return entry->length != 0;
}

// Whether every byte of the range can be read.
bool safeReadable(uintptr_t address, uint64_t length) {
    uint8_t scratch[1024];
    while (length > 0) {
        const size_t chunk = length < sizeof scratch ? size_t(length) : sizeof scratch;
        if (!safeRead(address, scratch, chunk)) return false;
        address += chunk;
        length -= chunk;
    }
    return true;
}

// Copies a zero-terminated string, a page at a time so that a string that ends just before an unmapped
// page still reads; one longer than the buffer is cut.
bool safeReadString(uintptr_t address, char* out, size_t size) {
    out[0] = '\0';
    if (address < CRKFirstValidAddress) return false;
    size_t length = 0;
    while (length + 1 < size) {
        const uintptr_t at = address + length;
        size_t chunk = CRKSafeMemoryReader::kPageSize - at % CRKSafeMemoryReader::kPageSize;
        if (chunk > size - 1 - length) chunk = size - 1 - length;
        if (!safeRead(at, out + length, chunk)) {
            out[0] = '\0';
            return false;
        }
        if (memchr(out + length, '\0', chunk)) return true;
        length += chunk;
    }
    out[size - 1] = '\0';
    return true;
}

// The details at crash time. The headers are copied through the safe reader, and what the filling then
// reads in place (the notes, the first words of the call-frame index) is first checked readable
// through it; what cannot be read is left out. Every other thread is stopped, so what was readable
// stays so. False when the header is not an ELF header where the loader's bias puts it.
bool safeFillInImageDetails(CRKBinaryImageDetails* details) {
    const uintptr_t start = details->slice.startAddress;
    ElfW(Ehdr) header;
    if (start < CRKFirstValidAddress || !safeRead(start, &header, sizeof header)) return false;
    if (memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_phentsize != sizeof(ElfW(Phdr)) ||
        header.e_phnum == 0 || header.e_phnum > kMaxProgramHeaders)
        return false;
    ElfW(Phdr) phdrs[kMaxProgramHeaders];
    if (!safeRead(start + header.e_phoff, phdrs, header.e_phnum * sizeof(ElfW(Phdr)))) return false;
    const uintptr_t slide = uintptr_t(details->slide);
    for (uint16_t i = 0; i < header.e_phnum; i++) {
        ElfW(Phdr)& ph = phdrs[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0 && slide + ph.p_vaddr != start) return false;
        const bool unreadableNotes = ph.p_type == PT_NOTE && (ph.p_memsz > kMaxNoteArea ||
                                                              !safeReadable(slide + ph.p_vaddr, ph.p_memsz));
        const bool unreadableIndex =
            ph.p_type == PT_GNU_EH_FRAME && !safeReadable(slide + ph.p_vaddr, kEhFrameHeaderPrefix);
        if (unreadableNotes || unreadableIndex) ph.p_type = PT_NULL;
    }
    details->loadAddress = start;
    fillFromProgramHeaders(details, phdrs, header.e_phnum);
    return true;
}

// The log file, opened by the first record the walk writes.
struct CrashTimeLog {
    const char* path;
    CRKFile file;
    bool opened = false;
    bool failed = false;
};

bool writeLoadRecord(CrashTimeLog* log, const char* path, const CRKBinaryImageDetails& details) {
    if (!log->opened && !log->failed) {
        log->opened = log->path && log->path[0] && CRKFileInitWithPath(&log->file, log->path, kLogBuffered);
        log->failed = !log->opened;
        if (log->failed) CRKSDKLOG_WARN("Error: unable to open binary image log file\n");
    }
    if (!log->opened) return false;
    CRKFile* file = &log->file;
    CRKFileWriteSectionStart(file, "load");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "path", path);
    return writeImageAddressAndEnd(file, details);
}

// One object of the loader's list: the part of link_map its debugger interface publishes, and, where
// the loader's entries say it and the read reached it, the device and inode of the object's file.
struct ListedObject {
    uintptr_t bias;
    uintptr_t name;
    uintptr_t dynamicSection;
    uintptr_t next;
    bool hasFile;
    uint64_t file[2];
};

ListedObject listedObject(const EntryBytes& entry, size_t fileOffset) {
    link_map published;
    memcpy(&published, entry.bytes, kPublishedFieldsThroughNext);
    ListedObject object{uintptr_t(published.l_addr),
                        reinterpret_cast<uintptr_t>(published.l_name),
                        reinterpret_cast<uintptr_t>(published.l_ld),
                        reinterpret_cast<uintptr_t>(published.l_next),
                        false,
                        {0, 0}};
    if (fileOffset != 0 && entry.length >= fileOffset + kFileIdentitySize) {
        memcpy(object.file, entry.bytes + fileOffset, kFileIdentitySize);
        object.hasFile = true;
    }
    return object;
}

// What tells whether a listed object is the one a live slot holds at its dynamic section and header.
// Only a slot of the same file is checked, when both the slot and the entry name the file the loader
// mapped: another file is another image (with no such slot, its build is then read in full). The same
// file is not enough: a build written into it in place keeps its inode, and a file made where a removed
// one was (as `install`, `cp --remove-destination` and the linker write) often gets the freed inode's
// number. So the first bytes of the slot's build-id decide, read where the slot's image keeps them; for
// an image without one, the same file is the same image, and where no file is known, its name.
struct SlotCheck {
    int slot = -1;
    uintptr_t address = 0;
    size_t length = 0;  // 0: nothing to read
    bool byBuildID = false;
};

// The first live slot at the object's dynamic section and header (any header for the program, which may
// not be linked at address 0: it is in the table from the start, and nothing can be mapped in its place;
// a shared object is, so its header lies at its bias) that knows no other file than the object's, or -1.
// So a library renamed over a closed one's path finds the slot the walk gave it, not the closed one's. A
// later one of the same file (the walk left the slot of the build it replaced in place) is found by the
// full match that follows a check this one fails.
int slotAt(const CRKWritableContext* writable, const ListedObject& object, bool isProgram) {
    if (isProgram) return liveSlotFor(writable, {object.dynamicSection, 0, nullptr, nullptr});
    return liveSlotFor(writable, {object.dynamicSection, object.bias, nullptr, nullptr,
                                  object.hasFile ? object.file : nullptr});
}

SlotCheck checkFor(const CRKWritableContext* writable, const ListedObject& object, bool isProgram,
                   size_t nameCapacity) {
    SlotCheck check;
    if (object.dynamicSection < CRKFirstValidAddress) return check;
    check.slot = slotAt(writable, object, isProgram);
    if (check.slot < 0 || isProgram) return check;
    const SlotLoaderFacts& facts = gSlotFacts[check.slot];
    const bool bothKnowTheFile = facts.hasFile && object.hasFile;
    if (facts.buildIDBytes > 0) {
        check.byBuildID = true;
        check.address = object.bias + facts.buildIDOffset;
        check.length = facts.buildIDBytes;
        return check;
    }
    // No build-id: nothing short of reading the image tells two builds in one file apart.
    if (bothKnowTheFile) return check;
    // The name, with its end, where the slot kept one (a slot claimed at crash time kept none, and matches
    // any).
    const char* kept = loadRelaxed(facts.path);
    const size_t length = kept ? strlen(kept) + 1 : 0;
    if (kept && object.name >= CRKFirstValidAddress && length <= nameCapacity) {
        check.address = object.name;
        check.length = length;
    }
    return check;
}

// Whether the listed object is the slot's, from the bytes the check read into `bytes` (`read` false when
// they could not be; the buffer may then be used again). A build that cannot be read is not the slot's;
// a name that cannot be read is left out of the match.
bool isSlotsObject(const SlotCheck& check, char* bytes, size_t capacity, bool read, uintptr_t name) {
    if (check.slot < 0) return false;
    if (check.length == 0) return true;
    const SlotLoaderFacts& facts = gSlotFacts[check.slot];
    if (check.byBuildID) return read && memcmp(bytes, facts.buildID, check.length) == 0;
    const char* kept = loadRelaxed(facts.path);
    if (read) return memcmp(bytes, kept, check.length) == 0;
    // A name shorter than the kept one may end just before a page that cannot be read: read it to its
    // end, one past the kept one's at most.
    if (!safeReadString(name, bytes, check.length < capacity ? check.length + 1 : capacity)) return true;
    return strcmp(bytes, kept) == 0;
}

// An object of the list that the table does not hold gets its slot and its record. One it holds
// has its record written by the pass over the slots before the walk. A library opened where a closed
// one lay since the table last read the list, another file or another build of the same file, is not one
// it holds: it gets a slot and a record of its own, after the closed one's, and so wins both the
// unwinder's lookup and the report's for the addresses they share. `name` is the walk's buffer for the
// object's name.
bool syncObject(CRKWritableContext* writable, const ListedObject& object, bool isProgram, CrashTimeLog* log,
                char* name, size_t nameCapacity) {
    if (object.dynamicSection < CRKFirstValidAddress) return false;
    CRKBinaryImageDetails details{};
    details.slide = intptr_t(object.bias);
    details.slice.startAddress = object.bias;
    if (!safeFillInImageDetails(&details) || details.dynamicSection != object.dynamicSection) {
        CRKSDKLOG_WARN("Error: unable to read the loaded object at %p\n", CRKLogWord(object.bias));
        return false;
    }
    // The same build of the same layout at the same place is the object the table holds, whatever its
    // name now says (a wild write may have changed the pointer to it): a damaged list only adds images.
    if (details.uuid[0] &&
        liveSlotFor(writable, {object.dynamicSection, details.loadAddress, nullptr, details.uuid}) >= 0)
        return false;
    // Read through the safe reader: a damaged pointer, or a name without its end before an unmapped page,
    // leaves the name empty.
    safeReadString(object.name, name, nameCapacity);
    if (!name[0] && isProgram) {
        // The loader lists the program without a name.
        const ssize_t length = readlink("/proc/self/exe", name, nameCapacity - 1);
        name[length > 0 ? length : 0] = '\0';
    }
    if (object.hasFile) {
        details.fileDevice = object.file[0];
        details.fileInode = object.file[1];
    }
    // With the table full it is still recorded, as any load is.
    storeNode(true, &details, kRecordWritten, name);
    writeLoadRecord(log, name, details);
    return true;
}

// The walk takes the listed objects a batch at a time: their entries one after another (each names the
// next), then, in one kernel copy, the build-id bytes of every object of the batch whose check reads
// them, each in a library of its own, then what each object is. Static storage, as the walk's reader:
// one walk runs at a time.
constexpr size_t kWalkBatch = CRKSafeMemoryReader::kRangesPerCopy;
struct WalkedObject {
    ListedObject object;
    bool isProgram;
    SlotCheck check;
    uint8_t buildID[kKeptBuildIDBytes];
};
struct WalkBatch {
    WalkedObject objects[kWalkBatch];
    CRKSafeMemoryReader::Range reads[kWalkBatch];
    size_t count;
};
constinit WalkBatch gWalkBatch{};

// Each object of the batch that the table does not hold gets its slot and its record. `name` is the
// walk's buffer for an object's name.
void settleBatch(CRKWritableContext* writable, CrashTimeLog* log, char* name, size_t nameCapacity) {
    WalkBatch& batch = gWalkBatch;
    for (size_t i = 0; i < batch.count; i++) {
        WalkedObject& walked = batch.objects[i];
        const bool byBuildID = walked.check.byBuildID;
        batch.reads[i] = {byBuildID ? walked.check.address : 0, walked.buildID,
                          byBuildID ? walked.check.length : 0, false};
    }
    CRKSafeMemoryReader::readEachUncached(batch.reads, batch.count);
    // Once an object of the batch has a slot of its own, a later one may be found in it (a damaged list
    // that names an object twice): the later ones are checked again.
    bool stored = false;
    for (size_t i = 0; i < batch.count; i++) {
        const WalkedObject& walked = batch.objects[i];
        SlotCheck check = walked.check;
        if (stored) check = checkFor(writable, walked.object, walked.isProgram, nameCapacity);
        bool checked = false;
        if (!stored && check.byBuildID) {
            checked = batch.reads[i].copied;
            if (checked) memcpy(name, walked.buildID, check.length);
        } else if (check.length > 0) {
            checked = safeRead(check.address, name, check.length);
        }
        if (!isSlotsObject(check, name, nameCapacity, checked, walked.object.name))
            stored |= syncObject(writable, walked.object, walked.isProgram, log, name, nameCapacity);
    }
    batch.count = 0;
}

// The records of the images the table holds that are not in the file yet, from what each slot kept:
// whatever state the loader's list is in, an image known before the crash is in the report.
void writeUnwrittenRecords(CRKWritableContext* writable, CrashTimeLog* log) {
    const int32_t self = currentThreadID();
    for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
        const CRKBinaryImageSlot& slot = writable->binaryImages[i];
        const uintptr_t base = loadAtomic(slot.base);
        if (base == 0) break;
        const uint64_t size =
            std::atomic_ref<uint64_t>(const_cast<uint64_t&>(slot.size)).load(std::memory_order_acquire);
        if (size == 0) continue;
        SlotLoaderFacts& facts = gSlotFacts[i];
        // Pending, or claimed by this very thread, which crashed while it wrote the record and so will
        // never finish it. A record another thread is writing is that thread's to finish.
        const uint32_t state = std::atomic_ref<uint32_t>(facts.record).load();
        const bool mine = isBeingWritten(state) && writerOf(state) == self;
        if (!mine && !claimRecord(i, self)) continue;
        CRKBinaryImageDetails details{};
        memcpy(details.uuid, facts.uuid, sizeof details.uuid);
        details.loadAddress = base;
        details.textSize = size;
        const char* path = loadRelaxed(facts.path);
        finishRecord(i, writeLoadRecord(log, path ? path : "", details));
    }
}

}  // namespace

bool CRKBinaryImageSafeAwaitRecordsBeingWritten(int64_t limitNanoseconds) {
    CRKWritableContext* writable = tracker().writable.load(std::memory_order_acquire);
    if (!writable) return true;
    const int32_t self = currentThreadID();
    const auto othersWriting = [&] {
        for (size_t i = 0; i < CRKBinaryImageSlotCount; i++) {
            if (loadAtomic(writable->binaryImages[i].base) == 0) break;
            const uint32_t state = std::atomic_ref<uint32_t>(gSlotFacts[i].record).load();
            if (isBeingWritten(state) && writerOf(state) != self) return true;
        }
        return false;
    };
    constexpr int64_t kPoll = 1'000'000;
    for (int64_t waited = 0; othersWriting(); waited += kPoll) {
        if (waited >= limitNanoseconds) {
            CRKSDKLOG_WARN("Error: an image record was still being written\n");
            return false;
        }
        const struct timespec pause = {0, long(kPoll)};
        nanosleep(&pause, nullptr);
    }
    return true;
}

void CRKBinaryImageSafeSyncWithLoader() {
    Tracker& t = tracker();
    CRKWritableContext* writable = t.writable.load(std::memory_order_acquire);
    if (!writable) return;
    CrashTimeLog log{t.path.c_str(), CRKFile{}};
    writeUnwrittenRecords(writable, &log);
    // Then the loader's own list, for what the table has not heard of. The list may be damaged (a wild
    // write is a common cause of the crash being handled): it can only add images, and the reads are
    // bounded; an image it no longer names stays in the table.
    uintptr_t debug = t.loaderDebug.load(std::memory_order_relaxed);
    if (debug < CRKFirstValidAddress) {
        CRKSDKLOG_WARN("Error: the loader's list of objects is unknown\n");
    }
    size_t visited = 0;
    bool isProgram = true;  // the first object of the first namespace
    gWalkReader.reset();
    gWalkBatch.count = 0;
    const size_t fileOffset = t.entryFileOffset.load(std::memory_order_relaxed);
    const size_t entryLength = fileOffset != 0 ? fileOffset + kFileIdentitySize : kPublishedFieldsThroughNext;
    // The name of the object the walk is at: the bytes its check compares, then its whole name when it
    // is new to the table.
    char name[PATH_MAX];
    for (int space = 0; debug >= CRKFirstValidAddress && space < kMaxNamespaces; space++) {
        r_debug_extended head{};
        if (!safeRead(debug, &head.base, sizeof head.base)) break;
        // From version 2 on, each namespace (dlmopen) has an r_debug of its own, chained from the first.
        if (head.base.r_version >= 2 &&
            !safeRead(debug + offsetof(r_debug_extended, r_next), &head.r_next, sizeof head.r_next)) {
            head.r_next = nullptr;
        }
        EntryBytes entry;
        uintptr_t node = reinterpret_cast<uintptr_t>(head.base.r_map);
        while (node >= CRKFirstValidAddress && visited++ < kMaxLoaderObjects &&
               readEntry(&gWalkReader, node, &entry, entryLength)) {
            WalkedObject& walked = gWalkBatch.objects[gWalkBatch.count++];
            walked.object = listedObject(entry, fileOffset);
            walked.isProgram = isProgram;
            walked.check = checkFor(writable, walked.object, isProgram, sizeof name);
            isProgram = false;
            node = walked.object.next;
            if (gWalkBatch.count == kWalkBatch) settleBatch(writable, &log, name, sizeof name);
        }
        debug = head.base.r_version >= 2 ? reinterpret_cast<uintptr_t>(head.r_next) : 0;
    }
    settleBatch(writable, &log, name, sizeof name);
    if (log.opened) CRKFileClose(&log.file);
}

}  // namespace reporting
