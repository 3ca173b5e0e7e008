// A library for the symbolication tests to load a copy of and then replace that copy's file while a
// report is being named: its two steps are static, so only the file's own symbol table names them.
#include <stdint.h>

__attribute__((noinline, used)) static int symbolication_first_step(volatile int* value) {
    for (int i = 0; i < 4; i++) *value = *value * 3 + i;
    return *value;
}

__attribute__((noinline, used)) static int symbolication_second_step(volatile int* value) {
    for (int i = 0; i < 4; i++) *value = *value * 5 - i;
    return *value;
}

__attribute__((visibility("default"))) void kestrune_symbolication_library_steps(const void** steps) {
    steps[0] = (const void*)(uintptr_t)&symbolication_first_step;
    steps[1] = (const void*)(uintptr_t)&symbolication_second_step;
}
