// The outer of the image loader's two test libraries: it loads the inner one itself, as the drawing
// libraries load their own modules, so that its dlopen is one the program never sees being made.
#include <dlfcn.h>
#include <string.h>
#include <stddef.h>

#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

KEEP void* kestrune_loader_outer_load(const char* innerPath) {
    return dlopen(innerPath, RTLD_NOW | RTLD_LOCAL);
}

KEEP int kestrune_loader_outer_unload(void* inner) {
    return dlclose(inner);
}

// Calls the inner library's faulting function with a null pointer, so that the fault's stack runs
// through both libraries.
KEEP void kestrune_loader_outer_crash(void* inner) {
    // dlsym answers an object pointer; ISO C has no conversion from it to a function pointer, so the
    // pointer's bytes are copied (POSIX gives both the same representation).
    void* symbol = dlsym(inner, "kestrune_loader_inner_fault");
    void (*fault)(volatile int*) = NULL;
    memcpy(&fault, &symbol, sizeof fault);
    volatile int* nowhere = NULL;
    if (fault) fault(nowhere);
    __asm__ volatile("" ::: "memory");
}
