// A race the thread sanitizer must report under the project's suppressions: code of ours, run by a
// loaded module's constructor (so below the dynamic loader's frames), writes what another thread of
// ours wrote without a lock. A suppression naming the loader as a whole hides it.
#include <dlfcn.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
int loadedModules;
std::atomic<bool> otherThreadWrote{false};
}  // namespace

// Called by the module's constructor; exported so that the module finds it in this program.
extern "C" __attribute__((noinline, visibility("default"))) void kestruneRaceCountModuleLoad() {
    loadedModules += 1;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s MODULE\n", argv[0]);
        return 2;
    }
    // The flag is relaxed: it orders nothing for the sanitizer, it only makes sure the other thread's
    // write has happened before the module loads, so that the race is there on every run.
    std::thread other([] {
        loadedModules = -1;
        otherThreadWrote.store(true, std::memory_order_relaxed);
    });
    while (!otherThreadWrote.load(std::memory_order_relaxed)) {
    }
    void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    other.join();
    if (!module) {
        fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
        return 2;
    }
    printf("modules loaded: %d\n", loadedModules);
    dlclose(module);
    return 0;
}
