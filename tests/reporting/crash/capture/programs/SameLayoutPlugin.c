// A one-function plugin built twice, as two files that differ only in the constant the function writes:
// the same layout, so the second, opened where the first lay, has its sections at the first's addresses.
#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

// Writes its constant through the pointer it is given: a null one faults here, inside this plugin.
KEEP int kestrune_same_layout_write(volatile int* target) {
    *target = SAME_LAYOUT_CONSTANT;
    __asm__ volatile("" ::: "memory");
    return SAME_LAYOUT_CONSTANT;
}
