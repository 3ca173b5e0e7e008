#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::mach {

// An image the loader has mapped: the address of its ELF header, the loader's bias for it and the path
// it was loaded from (the executable's own path for the program itself). For an added library, also the
// device and inode of the file the loader mapped, as the loader's own entry for it says (both 0 when
// that is not known: the program, the vDSO, a removal, or a loader whose entries do not say).
struct LoadedImage {
    uintptr_t header;
    intptr_t slide;
    const char* path;
    uint64_t fileDevice = 0;
    uint64_t fileInode = 0;
};

// Called once per image added to or removed from the process.
using ImageCallback = void (*)(const LoadedImage& image);

// The loader's add-image and remove-image callbacks, which this system's loader does not offer.
//
// Nothing stands in front of the loader: every library's dlopen and dlclose is the C library's own, made
// with the library as the caller, so its search paths and $ORIGIN apply as they would in any program.
// Instead the loader's own image list (dl_iterate_phdr) is read again whenever noticeChanges is called
// and its load and unload counters moved since the last reading, which lists transitively loaded images
// too; the difference is told to every registered observer, removals first (an image unloaded and
// another loaded at its address come out in that order). An image is known by its header address, its
// path and its build (the GNU build-id note): a library closed and opened again where it lay after
// another build replaced its file is told as an unload and a load, while the same build closed and
// opened again between two readings looks as if it had stayed. The program calls it after its own loads
// (load, below) and the crash kit at quiet moments of the main run loop.
//
// What this does not give: an observer hears of a library only after the call that loaded it has
// returned and someone asked, so a new library's constructors, and whatever runs in it before the next
// reading, run before anyone hears of it. A library another library loads or unloads, or the C library
// itself (name services, character-set converters), is told at the next reading. The crash kit covers
// that gap at crash time by walking the loader's list of objects itself.
//
// Observers are told after the walk of the loader's list, never inside it (an observer that waits for
// the loader there, starting a thread say, would wait for itself). While an added callback runs, its
// image is held loaded by a reference of ours, so its headers stay mapped; an image unloaded between the
// walk and its turn is passed over. Callbacks run under this class's own lock, one reading at a time.
class ImageLoader {
public:
    // Registers an observer; `added` is called at once for every image already loaded, as the loader's
    // own registration does. False when the observer table is full or the pair is registered already.
    static bool registerCallbacks(ImageCallback added, ImageCallback removed);
    static void unregisterCallbacks(ImageCallback added, ImageCallback removed);

    // The program's own loads: dlopen, made from the program as any of its calls would be, then
    // noticeChanges, so the observers know the library and what it brought in once this returns.
    static void* load(const char* path, int flags);

    // Reads the loader's list again when its counters moved and tells the observers the difference.
    static void noticeChanges();

    // Where the loader keeps, in its entry for a library (the link_map of its debugger interface, past
    // the part that interface publishes), the device and inode of the file it mapped, as two 64-bit words:
    // the loader compares them to know a file it has open already. A reader of the loader's list at crash
    // time can tell another file opened where a closed one lay by them, in the same read as the entry.
    // Found once, by looking for the identity stat() gives the files of two libraries the program holds
    // at the same place in both entries; 0 when it is not found there (another C library, say).
    static size_t entryFileIdentityOffset();
};

}  // namespace platform::mach
