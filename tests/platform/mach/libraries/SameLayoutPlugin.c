// A one-function plugin built several times, as files that differ only in the constant the function
// writes: the same layout, so another build opened where the first lay has its sections at the first's
// addresses. The longer build has more code ahead of the function, still within the first page of code,
// so its function lies further up while every other section stays where the first build has it.
#if defined(__clang__)
#define KEEP __attribute__((noinline, used, visibility("default")))
#else
#define KEEP __attribute__((noinline, noclone, used, visibility("default")))
#endif

#if defined(SAME_LAYOUT_LONGER)
KEEP void kestrune_same_layout_padding(void) {
    __asm__ volatile(".fill 256, 1, 0x90");
}
#endif

// Writes its constant through the pointer it is given: a null one faults here, inside this plugin.
KEEP int kestrune_same_layout_write(volatile int* target) {
    *target = SAME_LAYOUT_CONSTANT;
    __asm__ volatile("" ::: "memory");
    return SAME_LAYOUT_CONSTANT;
}
