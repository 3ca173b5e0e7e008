#include "app/store/MainThreadCheck.h"

#include <cstdio>
#include <cstdlib>

namespace kestrune {

void mainThreadRuleBroken(const char* operation) {
    // Straight to the standard error: the log's sink may belong to the very code that broke the rule.
    fprintf(stderr,
            "Kestrune: %s was called off the main thread; the data model is changed on the main "
            "thread only\n",
            operation);
    fflush(stderr);
    abort();
}

}  // namespace kestrune
