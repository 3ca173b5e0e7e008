#pragma once

#include <cstdint>

namespace platform::mach {

// An image the loader has mapped: the address of its ELF header, the loader's bias for it and the path
// it was loaded from (the executable's own path for the program itself).
struct LoadedImage {
    uintptr_t header;
    intptr_t slide;
    const char* path;
};

// Called once per image added to or removed from the process.
using ImageCallback = void (*)(const LoadedImage& image);

// The loader's add-image and remove-image callbacks, which this system's loader does not offer.
//
// Every load and unload of the program goes through load/unload, and so does every dlopen and dlclose
// made by the libraries it loads: the executable defines dlopen and dlclose itself and exports them, so
// the loader binds the libraries' calls to these definitions (pango and fontconfig load what they need
// at run time; their images count as much as the program's own). After each such call the loader's
// image list (dl_iterate_phdr) is read again, which lists transitively loaded images too; its load and
// unload counters say whether anything moved since the last reading. The difference is told to every
// registered observer, removals first (an image unloaded and another loaded at its address come out in
// that order).
//
// The one window left is a new library's constructors: they run inside the real dlopen, after the
// library is mapped but before the call returns, and this loader has no in-process hook between the
// two (its audit interface must be named in the environment before the process starts). Loads made by
// the C library itself (name services, character-set converters) bypass the exported dlopen and are
// told at the next load, unload or noticeChanges.
//
// Observers' added callbacks run while the loader's list is held, so the image cannot be unmapped
// under them; they must not call back into the loader (dlopen, dladdr, dl_iterate_phdr).
class ImageLoader {
public:
    // Registers an observer; `added` is called at once for every image already loaded, as the loader's
    // own registration does. False when the observer table is full or the pair is registered already.
    static bool registerCallbacks(ImageCallback added, ImageCallback removed);
    static void unregisterCallbacks(ImageCallback added, ImageCallback removed);

    // dlopen and dlclose, followed by telling the observers what moved.
    static void* load(const char* path, int flags);
    static int unload(void* handle);

    // Reads the loader's list again when its counters moved and tells the observers the difference.
    static void noticeChanges();
};

}  // namespace platform::mach
