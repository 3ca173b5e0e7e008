// The program's part of the chain. Compiled once per variant with KESTRUNE_CHAIN naming it.
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"

#include <ucontext.h>

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

// Every step does some work after its call, so that no call becomes a jump, and each differs from the
// others, so that no two are folded into one.
STEP static int program_5(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    chain->leaf(chain);
    __asm__ volatile("" ::: "memory");
    return chain->count * 5;
}

STEP static int program_4(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = program_5(chain);
    __asm__ volatile("" ::: "memory");
    return result + 4;
}

STEP static int program_3(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    chain->reenter = program_4;
    int result = NAME(_library_1)(chain);
    __asm__ volatile("" ::: "memory");
    return result + 3;
}

STEP static int program_2(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = program_3(chain);
    __asm__ volatile("" ::: "memory");
    return result ^ 2;
}

STEP static int program_1(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    int result = program_2(chain);
    __asm__ volatile("" ::: "memory");
    return result - 1;
}

STEP int NAME(_run)(struct UnwindChain* chain) {
    chain->count = 0;
    int result = program_1(chain);
    __asm__ volatile("" ::: "memory");
    return result;
}

STEP void NAME(_leaf)(struct UnwindChain* chain) {
    record(chain, __builtin_return_address(0));
    ucontext_t context;
    getcontext(&context);
    chain->walk(chain, &context);
    __asm__ volatile("" ::: "memory");
}
