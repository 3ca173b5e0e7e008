#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/Image.h"
#include "platform/ui/Menu.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"
#include "tests/support/TestEnvironment.h"

namespace platform::ui::test {

// Base of every interface test: fresh singletons (screens, application, status bar, registries,
// transactions, recorded animations and menus), virtual time with the end-of-turn passes installed,
// the fixed text measurer and recording drawing. Events are sent the way the window server would.
class Fixture : public testsupport::KestruneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A window at `contentRect` (screen space), ordered in and key, in an active application.
    std::shared_ptr<Window> window(Rect contentRect = {100, 100, 400, 300},
                                   unsigned style = kWindowStyleTitled);

    // Mouse input at a point of the view's own space. The rest of a gesture is queued before the press
    // is delivered, so that controls tracking the mouse in a modal loop see it there.
    void click(View& view, Point point, int clickCount = 1, uint64_t flags = 0);
    void rightClick(View& view, Point point);
    // Down at `from`, one drag event per step on the straight line, up at `to`.
    void drag(View& view, Point from, Point to, int steps = 2);
    void moveMouse(View& view, Point point);
    void moveMouseInWindow(Window& window, Point point);
    // A key press to the key window.
    void key(uint16_t keyCode, const std::string& characters = "", uint64_t flags = 0);

    // Runs everything due now (and the end-of-turn passes after each turn).
    void settle() { runUntilIdle(); }
    // The view's display list after the passes have run.
    const DisplayList& drawing(View& view);
    std::shared_ptr<Image> registerImage(const std::string& name, Size size);

    const std::vector<Menu::PopUp>& poppedUpMenus() const { return Menu::poppedUpMenus(); }
    const std::vector<std::string>& openedURLs() const { return Application::shared().openedURLs(); }
    std::vector<std::string> logLines() const { return log_->lines(); }
    bool logged(const std::string& part) const { return log_->contains(part); }

    // Pixels of a view through the Cairo renderer, written as a PNG file; answers the bitmap.
    Bitmap renderPNG(View& view, const std::string& path);
    // Every registered scene rendered into `dir` (the test fails where one fails or leaves no picture);
    // answers each scene's name with its picture's size in pixels.
    struct RenderedScene {
        std::string name;
        int width = 0;
        int height = 0;
    };
    std::vector<RenderedScene> renderEveryScene(const std::string& dir);
    // The same for the named scenes alone.
    std::vector<RenderedScene> renderScenes(const std::string& dir, const std::vector<std::string>& names);

private:
    std::unique_ptr<testsupport::LogCapture> log_;
};

}  // namespace platform::ui::test

// Interface tests of every folder name the fixture ui::test::Fixture.
namespace ui = platform::ui;
