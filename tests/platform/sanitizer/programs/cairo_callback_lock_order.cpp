// A lock-order inversion the thread sanitizer must report under the project's suppressions: a lock of
// ours taken inside a callback that cairo calls (the destroy callback of a surface's user data, run by
// cairo_surface_destroy while another lock of ours is held), and the two taken in the other order on
// another thread. A deadlock suppression naming cairo as a whole hides it, since the first order's stack
// passes through cairo's frames.
#include <cairo.h>

#include <cstdio>
#include <mutex>
#include <thread>

namespace {
std::mutex surfaces;  // taken first on the main thread
std::mutex pictures;  // taken inside cairo's callback, and first on the other thread
int forgottenSurfaces;
cairo_user_data_key_t pictureKey;
}  // namespace

// Named, so that the test finds the acquisition inside cairo's callback in the report.
extern "C" __attribute__((noinline)) void kestruneLockOrderForgetPicture(void*) {
    const std::lock_guard<std::mutex> lock(pictures);
    forgottenSurfaces += 1;
}

int main() {
    {
        const std::lock_guard<std::mutex> lock(surfaces);
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
        cairo_surface_set_user_data(surface, &pictureKey, &forgottenSurfaces, kestruneLockOrderForgetPicture);
        cairo_surface_destroy(surface);
    }
    std::thread other([] {
        const std::lock_guard<std::mutex> first(pictures);
        const std::lock_guard<std::mutex> second(surfaces);
    });
    other.join();
    if (forgottenSurfaces != 1) {
        fprintf(stderr, "cairo did not call the surface's destroy callback\n");
        return 2;
    }
    return 0;
}
