// The inner of the image loader's two test libraries: loaded by the outer one at run time, never named
// by the program itself.
#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

KEEP int kestrune_loader_inner_value(void) {
    return 42;
}

// Writes through the pointer it is given: a null one faults here, inside this library.
KEEP void kestrune_loader_inner_fault(volatile int* target) {
    *target = 1;
    __asm__ volatile("" ::: "memory");
}
