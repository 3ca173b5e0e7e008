// Built with frame pointers and without unwind tables (unwind_programs.cmake): no call-frame entry covers
// these functions.
#include "tests/reporting/crash/unwind/chain/FramePointerRecursion.h"

#if defined(__clang__)
#define STEP __attribute__((noinline, used))
#else
#define STEP __attribute__((noinline, noclone, used))
#endif

// Work after each call, so that no call becomes a jump and the recursion stays a recursion.
STEP int kestrune_fp_recursion_recurse(struct FramePointerRecursion* recursion, int depth) {
    if (depth == 0) recursion->entryReturn = __builtin_return_address(0);
    if (depth == 1) recursion->recursiveReturn = __builtin_return_address(0);
    if (depth == recursion->depth) {
        recursion->bottom(recursion);
        __asm__ volatile("" ::: "memory");
        return 0;
    }
    int result = kestrune_fp_recursion_recurse(recursion, depth + 1);
    __asm__ volatile("" ::: "memory");
    return result + 1;
}

STEP int kestrune_fp_recursion_entry(struct FramePointerRecursion* recursion) {
    recursion->callerReturn = __builtin_return_address(0);
    int result = kestrune_fp_recursion_recurse(recursion, 0);
    __asm__ volatile("" ::: "memory");
    return result;
}
