#pragma once

// The crash probe's functions that no unwind information describes (ProbeWithoutUnwindInfo.c).

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// Recurses `calls` times below its first call and faults (SIGSEGV) in the deepest one.
int probe_fp_recursion(int calls);
int probe_fp_recurse(int depth, int limit);
// Never returns: the thread waits with its frame pointer on `ring` and a zero word at its stack pointer,
// once it has stored 1 in *parked.
void probe_fp_park_on_ring(const uint64_t* ring, volatile int* parked);

#ifdef __cplusplus
}
#endif
