// Every scene `kestrune --snapshot` draws, in every language of the application, drawn by the Cairo and
// Pango renderer with the fonts the application installs: no text is cut by the frame it is drawn in.
// The renderer tells where each text's glyphs ink (marks above and below letters included, line by line)
// and what its views' clips leave it; a label that truncates with "…" shows whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "main/InterfaceKitHelpers.h"
#include "main/SnapshotCommand.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/system/Camera.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace {

// Less than this much ink past the clip, in the picture's pixels, is the edge of antialiasing.
constexpr double kTolerance = 0.5;

// What a scroll view shows of its document, and where the document lies, in the picture's pixels.
struct Viewport {
    ui::Rect visible, document;
};

// The scroll views of a scene's picture, in its pixels, as the renderer places them.
std::vector<Viewport> viewportsOf(const ui::Scene& scene) {
    const auto root = scene.view ? scene.view : scene.window->contentView();
    const auto window = root->window();
    const double scale =
        window ? window->backingScaleFactor() : ui::Screen::mainScreen()->backingScaleFactor();
    const ui::Rect frame = root->bounds();
    auto inPixels = [&](const ui::View& view, ui::Rect rect) {
        const ui::Rect r = view.convertRect_toView(rect, root.get());
        const double top = root->isFlipped() ? r.minY() - frame.minY() : frame.maxY() - r.maxY();
        return ui::Rect((r.minX() - frame.minX()) * scale, top * scale, r.width() * scale,
                        r.height() * scale);
    };
    std::vector<Viewport> found;
    std::vector<std::shared_ptr<ui::View>> views{root};
    while (!views.empty()) {
        auto view = views.back();
        views.pop_back();
        if (auto clip = std::dynamic_pointer_cast<ui::ClipView>(view); clip && clip->documentView()) {
            const auto document = clip->documentView();
            found.push_back({inPixels(*clip, clip->bounds()), inPixels(*document, document->bounds())});
        }
        for (const auto& sub : view->subviews()) views.push_back(sub);
    }
    return found;
}

// How far the ink reaches past each side of the clip (0 where it stays inside).
struct Overflow {
    double left = 0, top = 0, right = 0, bottom = 0;
    double most() const { return std::max({left, top, right, bottom}); }
};

Overflow overflowOf(const ui::Rect& ink, const ui::Rect& clip) {
    return {std::max(0.0, clip.minX() - ink.minX()), std::max(0.0, clip.minY() - ink.minY()),
            std::max(0.0, ink.maxX() - clip.maxX()), std::max(0.0, ink.maxY() - clip.maxY())};
}

// Text at the edge of a scroll view, where its document goes on, is scrolled there, not cut: the sides
// of the overflow that such an edge makes are left out.
Overflow leavingOutScrolling(Overflow cut, const ui::Rect& clip, const std::vector<Viewport>& viewports) {
    auto near = [](double a, double b) { return std::abs(a - b) < 1; };
    for (const auto& v : viewports) {
        if (near(clip.minX(), v.visible.minX()) && v.document.minX() < v.visible.minX() - kTolerance)
            cut.left = 0;
        if (near(clip.minY(), v.visible.minY()) && v.document.minY() < v.visible.minY() - kTolerance)
            cut.top = 0;
        if (near(clip.maxX(), v.visible.maxX()) && v.document.maxX() > v.visible.maxX() + kTolerance)
            cut.right = 0;
        if (near(clip.maxY(), v.visible.maxY()) && v.document.maxY() > v.visible.maxY() + kTolerance)
            cut.bottom = 0;
    }
    return cut;
}

// What of the text the clip cuts, in words, or nothing when it shows whole.
std::string cutOf(const ui::DrawnText& drawn, const std::vector<Viewport>& viewports = {}) {
    // Spaces alone, or a text wholly outside what its views show (another page of a pager, rows
    // scrolled away): nothing of it shows, so nothing is cut.
    if (drawn.ink.isEmpty() || !drawn.ink.intersects(drawn.clip)) return {};
    std::string said;
    auto say = [&said](const char* what, double pixels) {
        if (pixels <= kTolerance) return;
        char part[64];
        std::snprintf(part, sizeof part, "%s%s %.1f px", said.empty() ? "" : ", ", what, pixels);
        said += part;
    };
    const Overflow all = leavingOutScrolling(overflowOf(drawn.ink, drawn.clip), drawn.clip, viewports);
    say("left", all.left), say("top", all.top), say("right", all.right), say("bottom", all.bottom);
    if (said.empty()) return {};
    // Which lines lose ink: a lost line is worse than a clipped accent, and says which frame is short.
    std::string lines;
    for (size_t i = 0; i < drawn.lines.size(); ++i) {
        if (drawn.lines[i].isEmpty() ||
            leavingOutScrolling(overflowOf(drawn.lines[i], drawn.clip), drawn.clip, viewports).most() <=
                kTolerance)
            continue;
        lines += (lines.empty() ? "" : ",") + std::to_string(i + 1);
    }
    char clip[96];
    std::snprintf(clip, sizeof clip, " of its clip %.0f x %.0f px at (%.0f, %.0f)", drawn.clip.width(),
                  drawn.clip.height(), drawn.clip.minX(), drawn.clip.minY());
    return said + " (line " + lines + " of " + std::to_string(drawn.lines.size()) + ")" + clip;
}

class SceneTextsFitTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        ui::test::Fixture::SetUp();
        ui::CairoRenderer::installAsBackend();
        // What the snapshot command sets up before it draws: the scenarios' Mac and its camera.
        setenv("KESTRUNE_COMPUTER_NAME", "Ada's MacBook Pro", 1);
        kestrune::installInterfaceKitHelpers();
        platform::CaptureBackend::install(platform::SimulatedCamera::createDefault());
        ui::observeDrawnText([this](const ui::DrawnText& text) { drawn.push_back(text); });
    }
    void TearDown() override {
        ui::observeDrawnText(nullptr);
        platform::CaptureBackend::install(nullptr);
        unsetenv("KESTRUNE_COMPUTER_NAME");
        // Texts answer their keys again, as before any language was attached.
        kestrune::setGalleryLanguage("en");
        kestrune::BundleEx::shared().attachLanguageBundle(std::nullopt);
        kestrune::setLocalizedStringLookup(nullptr);
        ui::test::Fixture::TearDown();
    }
    std::vector<ui::DrawnText> drawn;
};

TEST_F(SceneTextsFitTest, ACutIsToldUnlessScrollingMadeIt) {
    // Two lines in a clip one line high.
    ui::DrawnText text;
    text.clip = {100, 200, 180, 36};
    text.lines = {{102, 204, 160, 28}, {102, 232, 170, 28}};
    text.ink = {102, 204, 170, 56};
    EXPECT_EQ(cutOf(text), "bottom 24.0 px (line 2 of 2) of its clip 180 x 36 px at (100, 200)");
    // The same clip's bottom made by a list whose rows go on below: scrolled there, not cut. Where the
    // list ends there, or where it goes on only above, the text is cut.
    std::vector<Viewport> list{{{50, 100, 400, 136}, {50, 0, 400, 600}}};
    EXPECT_EQ(cutOf(text, list), "");
    list[0].document = {50, 0, 400, 236};
    EXPECT_NE(cutOf(text, list), "");
    list[0].document = {50, -300, 400, 536};
    EXPECT_NE(cutOf(text, list), "");
    // Antialiasing's last half pixel, text of spaces alone and text wholly out of sight are not cuts.
    text.lines = {{99.6, 204, 40, 28}};
    text.ink = text.lines[0];
    EXPECT_EQ(cutOf(text), "");
    text.ink = {};
    EXPECT_EQ(cutOf(text), "");
    text.ink = {400, 204, 40, 28};
    EXPECT_EQ(cutOf(text), "");
}

// Every scene in a third of the languages (every third language of the list) a test, so that each test
// stays well inside its time.
class EverySceneTextFits : public SceneTextsFitTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(EverySceneTextFits, InEveryThirdLanguage) {
    kestrune::registerSnapshotScenes();
    // The scenes set their machine up once per process; a test after another in the same process finds
    // the stored data of the one before forgotten.
    if (!kestrune::DataManager::shared().model()) kestrune::DataManager::shared().getSavedDataModel();
    const auto names = ui::SceneRegistry::names();
    ASSERT_GT(names.size(), 100u);
    const auto& languages = kestrune::supprotedLanguages();
    for (size_t index = GetParam(); index < languages.size(); index += 3) {
        const std::string& language = languages[index];
        kestrune::setGalleryLanguage(language);
        kestrune::useGalleryLanguage();
        size_t texts = 0;
        for (const auto& name : names) {
            drawn.clear();
            const auto scene = ui::SceneRegistry::drawScene(name);
            EXPECT_TRUE(scene) << language << " " << name;
            if (!scene) continue;
            const auto viewports = viewportsOf(*scene);
            texts += drawn.size();
            for (const auto& text : drawn)
                if (const std::string cut = cutOf(text, viewports); !cut.empty())
                    ADD_FAILURE() << language << " " << name << ": \"" << text.text << "\" cut " << cut;
        }
        // The measure saw the scenes' texts: a dozen or so a scene, pages out of sight included.
        EXPECT_GT(texts, 10 * names.size()) << language;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, EverySceneTextFits, ::testing::Values(0, 1, 2));

}  // namespace
