#pragma once

#include "platform/base/RunLoop.h"

namespace kestrune {

// Records and the data models are changed and saved on the main thread only. A debug build (the tests)
// checks the changes: one from another thread stops the program at once, naming the call, so the fault
// shows where it happens instead of as a torn model later. Release builds do not check.
[[noreturn]] void mainThreadRuleBroken(const char* operation);

inline void requireMainThread([[maybe_unused]] const char* operation) {
#ifndef NDEBUG
    if (!platform::isMainThread()) mainThreadRuleBroken(operation);
#endif
}

}  // namespace kestrune

// Checks that the calling function runs on the main thread (debug builds).
#define KESTRUNE_REQUIRE_MAIN_THREAD() ::kestrune::requireMainThread(__func__)
