#pragma once

// A known chain of calls for the stack walker's tests: five functions in the test program and three in
// a shared library, each recording the return address it was called with before calling the next.
// The chain is built twice, with and without frame pointers; the names carry the variant.
//
//   program_1 -> program_2 -> program_3 -> library_1 -> library_2 -> library_3 -> program_4 -> program_5
//     -> leaf (the test's own function, which records its return address too and walks the stack)

#ifdef __cplusplus
extern "C" {
#endif

#define KESTRUNE_UNWIND_CHAIN_SLOTS 16

struct UnwindChain {
    void* returnAddresses[KESTRUNE_UNWIND_CHAIN_SLOTS];  // outermost first
    int count;
    void (*leaf)(struct UnwindChain* chain);
    int (*reenter)(struct UnwindChain* chain);  // the library calls back into the program here
    // Called by the chain's own leaf (below) with the context it captured.
    void (*walk)(struct UnwindChain* chain, void* ucontext);
};

int kestrune_unwind_chain_fp_run(struct UnwindChain* chain);
// A leaf that belongs to the chain: it records its return address, captures its own context and hands it
// to `walk`. A walk that follows frame pointers alone must start in a frame that has one, whatever the
// flags the test's own code was built with (an optimised build leaves them out).
void kestrune_unwind_chain_fp_leaf(struct UnwindChain* chain);
void kestrune_unwind_chain_nofp_leaf(struct UnwindChain* chain);
int kestrune_unwind_chain_nofp_run(struct UnwindChain* chain);
int kestrune_unwind_chain_fp_library_1(struct UnwindChain* chain);
int kestrune_unwind_chain_nofp_library_1(struct UnwindChain* chain);

#ifdef __cplusplus
}
#endif
