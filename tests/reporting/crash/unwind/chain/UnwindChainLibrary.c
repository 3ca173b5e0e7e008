// The shared library's part of the chain.
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"

#define CONCAT2(a, b) a##b
#define CONCAT(a, b) CONCAT2(a, b)
#define NAME(suffix) CONCAT(CONCAT(kestrune_unwind_chain_, KESTRUNE_CHAIN), suffix)
#if defined(__clang__)
#define STEP __attribute__((noinline, used))
#else
#define STEP __attribute__((noinline, noclone, used))
#endif

static inline void record(struct UnwindChain* chain, void* address) {
    if (chain->count < KESTRUNE_UNWIND_CHAIN_SLOTS) chain->returnAddresses[chain->count++] = address;
}

STEP static int library_3(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = chain->reenter(chain);
    __asm__ volatile("" ::: "memory");
    return result * 3;
}

STEP static int library_2(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = library_3(chain);
    __asm__ volatile("" ::: "memory");
    return result + 22;
}

STEP int NAME(_library_1)(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = library_2(chain);
    __asm__ volatile("" ::: "memory");
    return result - 11;
}
