#include "tests/support/ui/Fixture.h"

#include "platform/storage/Files.h"
#include "platform/system/Application.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/DisplayCycle.h"
#include "platform/ui/Nib.h"
#include "platform/ui/Popover.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Screen.h"
#include "platform/ui/SharingService.h"
#include "platform/ui/SharingServicePicker.h"
#include "platform/ui/StatusBar.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/Transaction.h"
#include "platform/ui/cairo/CairoRenderer.h"

#if defined(__SANITIZE_THREAD__)
// Pango sorts fonts on a worker thread through fontconfig, which is built without the thread sanitizer:
// the sanitizer cannot see their synchronisation. It sees the library's accesses only through the C
// library functions the library calls, and called_from_lib drops those alone: our own code stays
// checked wherever it runs. Weak, so that a test program whose loopback server brings its own list
// (which names fontconfig too) keeps that one. tests/tsan.supp says the same for `make tsan`.
extern "C" __attribute__((weak)) const char* __tsan_default_suppressions() {
    return "called_from_lib:libfontconfig.so\n";
}
#endif

namespace platform::ui::test {

namespace {
void resetInterface() {
    StatusBar::systemStatusBar().resetForTesting();
    Application::shared().resetForTesting();
    platform::Application::shared().resetForTesting();
    Screen::resetForTesting();
    NibRegistry::reset();
    ImageRegistry::reset();
    SceneRegistry::reset();
    SharingService::resetForTesting();
    SharingServicePicker::resetForTesting();
    Popover::resetForTesting();
    Transaction::resetForTesting();
    AnimationContext::resetForTesting();
    Menu::resetForTesting();
    TextMeasurer::install(nullptr);
    TextLanguage::set("");
    Renderer::install(nullptr);
}
}  // namespace

void Fixture::SetUp() {
    testsupport::KestruneTest::SetUp();
    resetInterface();
    // The base fixture emptied the run loop, passes included.
    DisplayCycle::forget();
    DisplayCycle::install();
    log_ = std::make_unique<testsupport::LogCapture>();
}

void Fixture::TearDown() {
    log_.reset();
    resetInterface();
    testsupport::KestruneTest::TearDown();
    DisplayCycle::forget();
}

std::shared_ptr<Window> Fixture::window(Rect contentRect, unsigned style) {
    auto w = Window::create(contentRect, style);
    Application::shared().activateIgnoringOtherApps(true);
    w->makeKeyAndOrderFront(nullptr);
    return w;
}

namespace {
Event mouse(EventType type, View& view, Point point, int clickCount = 1, uint64_t flags = 0) {
    return Event::mouseEvent(type, view.convertPoint_toView(point, nullptr), view.window(), clickCount,
                             flags);
}
void send(const Event& e) {
    if (auto w = e.windowPtr()) w->sendEvent(e);
}

// The press is delivered with the rest of the gesture already queued, as a window server would have it:
// a control that tracks the mouse in a modal loop reads them from the queue; whatever it leaves is then
// delivered in order.
void gesture(const Event& press, const std::vector<Event>& rest) {
    auto& app = Application::shared();
    for (const auto& e : rest) app.postEvent_atStart(e, false);
    send(press);
    while (auto e = app.nextEventMatchingMask(kAnyEventMask)) send(*e);
}
}  // namespace

void Fixture::click(View& view, Point point, int clickCount, uint64_t flags) {
    gesture(mouse(EventType::LeftMouseDown, view, point, clickCount, flags),
            {mouse(EventType::LeftMouseUp, view, point, clickCount, flags)});
}

void Fixture::rightClick(View& view, Point point) {
    gesture(mouse(EventType::RightMouseDown, view, point), {mouse(EventType::RightMouseUp, view, point)});
}

void Fixture::drag(View& view, Point from, Point to, int steps) {
    std::vector<Event> rest;
    for (int i = 1; i <= steps; ++i) {
        const double f = static_cast<double>(i) / steps;
        rest.push_back(mouse(EventType::LeftMouseDragged, view,
                             {from.x + (to.x - from.x) * f, from.y + (to.y - from.y) * f}));
    }
    rest.push_back(mouse(EventType::LeftMouseUp, view, to));
    gesture(mouse(EventType::LeftMouseDown, view, from), rest);
}

void Fixture::moveMouse(View& view, Point point) {
    send(mouse(EventType::MouseMoved, view, point));
}

void Fixture::moveMouseInWindow(Window& window, Point point) {
    window.sendEvent(Event::mouseEvent(EventType::MouseMoved, point, window.sharedWindow()));
}

void Fixture::key(uint16_t keyCode, const std::string& characters, uint64_t flags) {
    auto w = Application::shared().keyWindow();
    ASSERT_TRUE(w) << "no key window to type into";
    w->sendEvent(Event::keyEvent(EventType::KeyDown, keyCode, characters, w, flags));
    w->sendEvent(Event::keyEvent(EventType::KeyUp, keyCode, characters, w, flags));
}

const DisplayList& Fixture::drawing(View& view) {
    settle();
    return view.displayList();
}

std::shared_ptr<Image> Fixture::registerImage(const std::string& name, Size size) {
    auto image = Image::create(size);
    ImageRegistry::add(name, image);
    return image;
}

std::vector<Fixture::RenderedScene> Fixture::renderEveryScene(const std::string& dir) {
    return renderScenes(dir, SceneRegistry::names());
}

std::vector<Fixture::RenderedScene> Fixture::renderScenes(const std::string& dir,
                                                          const std::vector<std::string>& names) {
    EXPECT_EQ(SceneRegistry::renderAll(dir, names), 0);
    std::vector<RenderedScene> rendered;
    for (const auto& name : names) {
        auto picture = Image::initWithContentsOfFile(dir + "/" + name + ".png");
        EXPECT_TRUE(picture && picture->bitmap()) << name;
        if (picture && picture->bitmap())
            rendered.push_back({name, picture->bitmap()->width, picture->bitmap()->height});
    }
    return rendered;
}

Bitmap Fixture::renderPNG(View& view, const std::string& path) {
    CairoRenderer renderer;
    auto w = view.window();
    const double scale = w ? w->backingScaleFactor() : Screen::mainScreen()->backingScaleFactor();
    Bitmap bitmap = renderer.renderView(view, view.bounds(), scale);
    auto png = renderer.encodePNG(bitmap);
    EXPECT_TRUE(png.has_value());
    if (png) {
        EXPECT_TRUE(platform::Files::writeAtomically(path, platform::Data(std::move(*png))));
    }
    return bitmap;
}

}  // namespace platform::ui::test
