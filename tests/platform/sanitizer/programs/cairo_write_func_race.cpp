// A race the thread sanitizer must report under the project's suppressions: our write function, which
// cairo calls (by way of libpng) while it writes a PNG stream, adds to a counter that a reader thread of
// ours reads without a lock. A race suppression naming cairo as a whole hides it, since the write
// function's caller in the report is cairo's frame (libpng's own frames are not recorded).
#include <cairo.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {
unsigned long bytesWritten;
std::atomic<bool> written{false};
}  // namespace

// Named, so that the test finds the racing write in the report.
extern "C" __attribute__((noinline)) cairo_status_t kestruneRaceCountPngBytes(void*, const unsigned char*,
                                                                              unsigned int length) {
    bytesWritten += length;
    written.store(true, std::memory_order_relaxed);
    return CAIRO_STATUS_SUCCESS;
}

int main() {
    // The flag is relaxed, so it orders nothing for the sanitizer: the reader waits for a write only so
    // that the race is there on every run.
    std::thread reader([] {
        while (!written.load(std::memory_order_relaxed)) {
        }
        printf("PNG bytes written: %lu\n", bytesWritten);
    });
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 4);
    const cairo_status_t status =
        cairo_surface_write_to_png_stream(surface, kestruneRaceCountPngBytes, nullptr);
    cairo_surface_destroy(surface);
    written.store(true, std::memory_order_relaxed);  // the reader must not wait forever
    reader.join();
    return status == CAIRO_STATUS_SUCCESS ? 0 : 2;
}
