// A lock-order inversion the thread sanitizer must report under the project's suppressions: two locks of
// ours taken in one order by the drawn-text observer, which runs inside drawPangoText, and in the other
// order on another thread. The suppressions drop lock-order reports from the frames of the text layer
// that run under Pango and cairo; a line naming drawPangoText itself, or the observer called from under
// those frames, hides this one.
#include <cairo.h>

#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/ui/AttributedString.h"
#include "platform/ui/Font.h"
#include "platform/ui/cairo/CairoContext.h"
#include "platform/ui/cairo/CairoRenderer.h"

namespace {
std::mutex pictures;  // taken first by the observer
std::mutex lines;     // taken first on the other thread
int toldTexts;
}  // namespace

// Named, so that the test finds the observer's acquisition in the report.
extern "C" __attribute__((noinline)) void kestruneLockOrderTextObserver() {
    const std::lock_guard<std::mutex> first(pictures);
    const std::lock_guard<std::mutex> second(lines);
    toldTexts += 1;
}

int main() {
    using namespace platform::ui;
    observeDrawnText([](const DrawnText&) { kestruneLockOrderTextObserver(); });
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 40);
    cairo_t* cr = cairo_create(surface);
    const AttributedString text("Kestrune", TextAttributes::withFont(Font::systemFontOfSize(13)));
    drawPangoText(cr, text, {0, 0, 200, 40}, 1);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    observeDrawnText(nullptr);
    std::thread other([] {
        const std::lock_guard<std::mutex> first(lines);
        const std::lock_guard<std::mutex> second(pictures);
    });
    other.join();
    if (toldTexts != 1) {
        fprintf(stderr, "the observer was told of %d texts, not 1\n", toldTexts);
        return 2;
    }
    return 0;
}
