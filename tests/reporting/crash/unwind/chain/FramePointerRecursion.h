#pragma once

// A recursion in code that has frame pointers and no unwind information at all (no call-frame entries),
// so that a walk through its frames takes the frame-pointer step for each of them. Every call records the
// return address it was called with, so that the test knows each frame the walk must produce.
//
//   caller -> entry -> recurse(0) -> recurse(1) -> ... -> recurse(depth) -> bottom

#ifdef __cplusplus
extern "C" {
#endif

struct FramePointerRecursion {
    int depth;  // recursive calls below the first
    void (*bottom)(struct FramePointerRecursion* recursion);
    void* callerReturn;     // where entry returns to: the caller
    void* entryReturn;      // where recurse(0) returns to: entry
    void* recursiveReturn;  // where recurse(1) and every deeper call returns to: recurse
    void* bottomReturn;     // where bottom returns to: the deepest recurse (set by bottom itself)
};

int kestrune_fp_recursion_entry(struct FramePointerRecursion* recursion);
// The extent of the recursion's code, to show that it has no call-frame entry.
int kestrune_fp_recursion_recurse(struct FramePointerRecursion* recursion, int depth);

#ifdef __cplusplus
}
#endif
