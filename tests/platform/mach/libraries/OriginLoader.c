// A library whose search path is its own folder (RUNPATH $ORIGIN), as bundled graphics and TLS stacks
// are built: it loads its sibling from there, by bare name and by "$ORIGIN/...". Either load finds the
// sibling only when the loader takes this library for the caller.
#include <dlfcn.h>

#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

KEEP void* kestrune_origin_load_by_name(void) {
    return dlopen("libkestrune_origin_sibling.so", RTLD_NOW | RTLD_LOCAL);
}

KEEP void* kestrune_origin_load_from_origin(void) {
    return dlopen("$ORIGIN/libkestrune_origin_sibling.so", RTLD_NOW | RTLD_LOCAL);
}
