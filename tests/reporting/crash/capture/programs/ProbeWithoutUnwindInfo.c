// The crash probe's code without unwind information: built with frame pointers and without unwind tables
// (crash_probe.cmake), so that no call-frame entry covers it and the crash handler walks its frames by
// their frame pointers alone.
#include "tests/reporting/crash/capture/programs/ProbeWithoutUnwindInfo.h"

#if defined(__clang__)
#define PROBE_STEP __attribute__((noinline, used))
#else
#define PROBE_STEP __attribute__((noinline, noclone, used))
#endif

// Read at run time, so that the compiler sees no fixed fault.
int* volatile probe_fp_null_target = 0;

// The work after the call keeps it a call. The deepest call faults before it makes its frame record (the
// compiler makes one only on the path that calls): the first step's stack scan finds the return address
// at its stack pointer, and the frame-pointer step walks every frame above.
PROBE_STEP int probe_fp_recurse(int depth, int limit) {
    if (depth == limit) {
        *probe_fp_null_target = 1;
        return 0;
    }
    int result = probe_fp_recurse(depth + 1, limit);
    __asm__ volatile("" ::: "memory");
    return result + 1;
}

PROBE_STEP int probe_fp_recursion(int calls) {
    int result = probe_fp_recurse(0, calls);
    __asm__ volatile("" ::: "memory");
    return result;
}

// probe_fp_park_on_ring(ring, parked): zeroes the eight words below its caller's return address, moves
// the stack pointer onto them, points rbp at `ring`, stores 1 in *parked and waits in pause() for good.
// Written in assembly so that its registers are exactly these; like the rest of this file it has no
// call-frame rules.
__asm__(
    ".pushsection .text\n"
    ".globl probe_fp_park_on_ring\n"
    ".type probe_fp_park_on_ring, @function\n"
    "probe_fp_park_on_ring:\n"
    "    sub $64, %rsp\n"
    "    xor %eax, %eax\n"
    "    mov $8, %ecx\n"
    "0:  mov %rax, -8(%rsp,%rcx,8)\n"
    "    loop 0b\n"
    "    mov %rdi, %rbp\n"
    "    movl $1, (%rsi)\n"
    "1:  mov $34, %eax\n"  // pause
    "    syscall\n"
    "    jmp 1b\n"
    ".size probe_fp_park_on_ring, .-probe_fp_park_on_ring\n"
    ".popsection\n");
