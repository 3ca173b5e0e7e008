#include "platform/mach/ImageLoader.h"

#include <dlfcn.h>
#include <link.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace platform::mach {

namespace {

// Below this no image can lie: the first page is never mapped.
constexpr uintptr_t kFirstValidAddress = 4096;
// A few kits at most watch the loader.
constexpr size_t kMaxObservers = 8;

// What tells one image from another: where its header lies, the file it came from and the build it is.
// A library closed and opened again where it lay, after another build was written over its file (a
// rebuild, an update), has the same header and path as before and is still another image; the same
// build closed and opened again between two readings cannot be told apart from one that stayed, and is
// the same image to its observers.
struct ImageIdentity {
    uintptr_t header;
    std::string path;
    std::string buildID;  // the GNU build-id note's bytes, empty when the image has none

    bool operator==(const ImageIdentity&) const = default;
};

struct KnownImage {
    ImageIdentity identity;
    intptr_t slide;
};

struct Observer {
    ImageCallback added;
    ImageCallback removed;
};

struct State {
    // Serialises readings of the list, so that every observer hears the events in one order. Recursive:
    // an observer's own work may load (the loader's lookups of a symbol by name do).
    std::recursive_mutex mutex;
    std::vector<KnownImage> known;
    std::vector<Observer> observers;
    bool scanned = false;
    unsigned long long adds = 0;
    unsigned long long subs = 0;
};

State& state() {
    static State* instance = new State();  // lives for the process: libraries load and unload at exit
    return *instance;
}

// Never destroyed, like the state: a reading made while the process exits still needs it.
const std::string& executablePath() {
    static const std::string* path = [] {
        char buffer[PATH_MAX];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
        return new std::string(length > 0 ? std::string(buffer, size_t(length)) : std::string());
    }();
    return *path;
}

bool hasCounters(size_t size) {
    return size >= offsetof(dl_phdr_info, dlpi_subs) + sizeof(dl_phdr_info::dlpi_subs);
}

// The header address of an image as the loader lists it: the loadable segment that maps file offset 0.
uintptr_t headerOf(const dl_phdr_info* info) {
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0) return info->dlpi_addr + ph.p_vaddr;
    }
    return 0;
}

// The loader lists the program itself first, without a name.
const char* pathOf(const dl_phdr_info* info, bool first) {
    if (info->dlpi_name && info->dlpi_name[0]) return info->dlpi_name;
    return first ? executablePath().c_str() : "";
}

bool isKnown(const State& s, const ImageIdentity& identity) {
    for (const KnownImage& image : s.known) {
        if (image.identity == identity) return true;
    }
    return false;
}

// The bytes of the image's GNU build-id note, read in place: the walk that asks holds the loader's lock,
// so the image stays mapped. Only a note area a loadable segment maps is read.
std::string buildIDOf(const dl_phdr_info* info) {
    for (int i = 0; i < info->dlpi_phnum; i++) {
        const ElfW(Phdr)& note = info->dlpi_phdr[i];
        if (note.p_type != PT_NOTE) continue;
        bool mapped = false;
        for (int j = 0; j < info->dlpi_phnum && !mapped; j++) {
            const ElfW(Phdr)& load = info->dlpi_phdr[j];
            mapped = load.p_type == PT_LOAD && note.p_vaddr >= load.p_vaddr &&
                     note.p_memsz <= load.p_filesz &&
                     note.p_vaddr - load.p_vaddr <= load.p_filesz - note.p_memsz;
        }
        if (!mapped) continue;
        const auto* area = reinterpret_cast<const uint8_t*>(info->dlpi_addr + note.p_vaddr);
        const size_t alignment = note.p_align == 8 ? 8 : 4;
        const auto alignUp = [alignment](size_t value) { return (value + alignment - 1) & ~(alignment - 1); };
        for (size_t offset = 0; offset + sizeof(ElfW(Nhdr)) <= note.p_memsz;) {
            ElfW(Nhdr) header;
            std::memcpy(&header, area + offset, sizeof header);
            const size_t nameAt = offset + sizeof header;
            const size_t descAt = alignUp(nameAt + header.n_namesz);
            if (descAt > note.p_memsz || header.n_descsz > note.p_memsz - descAt) break;
            if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 &&
                std::memcmp(area + nameAt, "GNU", 4) == 0)
                return std::string(reinterpret_cast<const char*>(area + descAt), header.n_descsz);
            const size_t next = alignUp(descAt + header.n_descsz);
            if (next <= offset) break;
            offset = next;
        }
    }
    return std::string();
}

bool countersMoved(const State& s) {
    if (!s.scanned) return true;
    struct Counters {
        unsigned long long adds = 0;
        unsigned long long subs = 0;
    } counters;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t size, void* data) -> int {
            auto* c = static_cast<Counters*>(data);
            if (hasCounters(size)) {
                c->adds = info->dlpi_adds;
                c->subs = info->dlpi_subs;
            }
            return 1;  // the counters are the same in every entry
        },
        &counters);
    return counters.adds != s.adds || counters.subs != s.subs;
}

// One image as a walk of the loader's list found it.
struct Found {
    ImageIdentity identity;
    intptr_t slide;
    // The loader's own name for it, by which it can be held loaded; empty for the program itself and the
    // kernel's vDSO, which are never unloaded.
    std::string loaderName;
};

// One walk of the loader's list: its images, and its load and unload counters at that moment.
struct Listing {
    std::vector<Found> images;
    unsigned long long adds = 0;
    unsigned long long subs = 0;
};

Listing listImages() {
    struct Context {
        Listing listing;
        bool first = true;
    } context;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t size, void* data) -> int {
            auto* c = static_cast<Context*>(data);
            if (hasCounters(size)) {
                c->listing.adds = info->dlpi_adds;
                c->listing.subs = info->dlpi_subs;
            }
            const uintptr_t header = headerOf(info);
            const bool first = c->first;
            c->first = false;
            if (header < kFirstValidAddress) return 0;
            const bool file = !first && info->dlpi_name && std::strchr(info->dlpi_name, '/');
            c->listing.images.push_back({{header, pathOf(info, first), buildIDOf(info)},
                                         intptr_t(info->dlpi_addr),
                                         file ? std::string(info->dlpi_name) : std::string()});
            return 0;
        },
        &context);
    return std::move(context.listing);
}

// The fields of a loader entry its debugger interface publishes (the bias, the name, the dynamic section
// and the links to the next and previous entries), and how far past them the file identity is looked for.
constexpr size_t kPublishedFieldsThroughPrevious = offsetof(link_map, l_prev) + sizeof(link_map::l_prev);
constexpr size_t kEntrySearched = 2048;

// Copies what of [address, address + length) can be read, a page at a time through the kernel, which
// fails a read of memory that is not mapped instead of faulting: an entry's allocation may end where the
// search does not. How many bytes came.
size_t copyReadable(uintptr_t address, uint8_t* out, size_t length) {
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    size_t copied = 0;
    while (copied < length) {
        const uintptr_t at = address + copied;
        const size_t chunk = std::min(length - copied, page - at % page);
        iovec local{out + copied, chunk};
        iovec remote{reinterpret_cast<void*>(at), chunk};
        if (process_vm_readv(getpid(), &local, 1, &remote, 1, 0) != ssize_t(chunk)) break;
        copied += chunk;
    }
    return copied;
}

// The offsets, past the published part, at which an entry holds the device and inode of `path`.
std::vector<size_t> fileIdentityOffsetsIn(const link_map* entry, const char* path) {
    struct stat file;
    std::vector<size_t> offsets;
    if (stat(path, &file) != 0) return offsets;
    const uint64_t identity[2] = {uint64_t(file.st_dev), uint64_t(file.st_ino)};
    uint8_t bytes[kEntrySearched];
    const size_t copied = copyReadable(reinterpret_cast<uintptr_t>(entry), bytes, sizeof bytes);
    for (size_t at = kPublishedFieldsThroughPrevious; at + sizeof identity <= copied;
         at += sizeof(uint64_t)) {
        if (std::memcmp(bytes + at, identity, sizeof identity) == 0) offsets.push_back(at);
    }
    return offsets;
}

size_t findEntryFileIdentityOffset() {
    std::vector<std::string> libraries;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
            return 0;
        },
        &libraries);
    // One place that holds the identity in two entries: the place of the field, not a coincidence.
    std::vector<size_t> first;
    for (const std::string& library : libraries) {
        void* held = dlopen(library.c_str(), RTLD_LAZY | RTLD_NOLOAD);
        link_map* entry = nullptr;
        std::vector<size_t> found;
        if (held && dlinfo(held, RTLD_DI_LINKMAP, &entry) == 0 && entry)
            found = fileIdentityOffsetsIn(entry, library.c_str());
        if (held) dlclose(held);
        if (found.size() != 1) continue;
        if (first.empty()) {
            first = found;
        } else {
            return first == found ? found.front() : 0;
        }
    }
    return 0;
}

// The identity the loader's entry for a held image gives its file, when the offset is known.
void readFileIdentity(const link_map* entry, LoadedImage* image) {
    const size_t offset = ImageLoader::entryFileIdentityOffset();
    if (!entry || offset == 0) return;
    uint64_t identity[2];
    std::memcpy(identity, reinterpret_cast<const uint8_t*>(entry) + offset, sizeof identity);
    image->fileDevice = identity[0];
    image->fileInode = identity[1];
}

// Calls `visit` for each image of a listing, after the walk that made it: the loader holds its list's lock
// through the walk, and a visit that starts a thread (the crash kit hands its work to a queue) waits there
// for the loader's thread-local storage lock, which a load on another thread holds while it waits for the
// list. So each image with a file is held loaded by a reference of ours while it is visited, and its headers
// stay mapped; one unloaded since the walk, or loaded again elsewhere, is passed over.
template <typename Visit>
void visitHeld(const std::vector<Found>& images, Visit visit) {
    for (const Found& found : images) {
        void* held = nullptr;
        link_map* map = nullptr;
        if (!found.loaderName.empty()) {
            held = dlopen(found.loaderName.c_str(), RTLD_LAZY | RTLD_NOLOAD);
            if (!held || dlinfo(held, RTLD_DI_LINKMAP, &map) != 0 || !map ||
                intptr_t(map->l_addr) != found.slide) {
                if (held) dlclose(held);
                continue;
            }
        }
        LoadedImage image{found.identity.header, found.slide, found.identity.path.c_str()};
        readFileIdentity(map, &image);
        visit(found, image);
        if (held) dlclose(held);
    }
}

void rescanLocked(State& s, bool force) {
    if (!force && !countersMoved(s)) return;
    const Listing listing = listImages();
    // The counters of this reading: whatever moves after it is found by the next one.
    s.adds = listing.adds;
    s.subs = listing.subs;
    s.scanned = true;
    const std::vector<Observer> observers = s.observers;

    for (size_t i = 0; i < s.known.size();) {
        bool present = false;
        for (const Found& l : listing.images) present = present || l.identity == s.known[i].identity;
        if (present) {
            i++;
            continue;
        }
        // Gone already: only what was known of it can be told.
        const KnownImage gone = s.known[i];
        s.known.erase(s.known.begin() + long(i));
        for (const Observer& o : observers)
            o.removed(LoadedImage{gone.identity.header, gone.slide, gone.identity.path.c_str()});
    }
    visitHeld(listing.images, [&](const Found& found, const LoadedImage& image) {
        if (isKnown(s, found.identity)) return;
        s.known.push_back({found.identity, found.slide});
        for (const Observer& o : observers) o.added(image);
    });
}

}  // namespace

bool ImageLoader::registerCallbacks(ImageCallback added, ImageCallback removed) {
    if (!added || !removed) return false;
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    for (const Observer& o : s.observers) {
        if (o.added == added && o.removed == removed) return false;
    }
    if (s.observers.size() >= kMaxObservers) return false;
    // Bring the others up to date first, so that the new observer starts from the same list.
    rescanLocked(s, false);
    s.observers.push_back({added, removed});
    // An image that appears after the reading above is not known yet: the next reading tells everyone.
    visitHeld(listImages().images, [&](const Found& found, const LoadedImage& image) {
        if (isKnown(s, found.identity)) added(image);
    });
    return true;
}

void ImageLoader::unregisterCallbacks(ImageCallback added, ImageCallback removed) {
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    for (size_t i = 0; i < s.observers.size(); i++) {
        if (s.observers[i].added == added && s.observers[i].removed == removed) {
            s.observers.erase(s.observers.begin() + long(i));
            return;
        }
    }
}

// The load is made without the lock: a library's constructor may load another library on its own
// thread while the loader holds its lock, and a reading must not wait for that load to finish.
void* ImageLoader::load(const char* path, int flags) {
    void* handle = dlopen(path, flags);
    noticeChanges();
    return handle;
}

void ImageLoader::noticeChanges() {
    State& s = state();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    rescanLocked(s, false);
}

size_t ImageLoader::entryFileIdentityOffset() {
    static const size_t offset = findEntryFileIdentityOffset();
    return offset;
}

}  // namespace platform::mach
