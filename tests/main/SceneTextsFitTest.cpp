// Every scene `kestrune --snapshot` draws, in every language of the application, drawn by the Cairo and
// Pango renderer with the fonts the application installs: no text is cut by the frame it is drawn in,
// and none is shortened with "…" but a one-line title. In Arabic, headings end where their paragraphs
// end, at the right. The renderer tells where each text's glyphs ink (marks above and below letters
// included, line by line), what its views' clips leave it, and whether Pango left part of it out for "…".
//
// The rule for "…": a text in sight may end in "…" only where the label that draws it is in single-line
// mode (`TextField::usesSingleLineMode`), which a layout sets for names and titles in fixed frames that
// may shorten (the phone's and the Mac's names under their pictures). Any other shortened text is a
// fault, as a cut is: a sentence the user must read (a description, a wrapping or multi-line label, a
// button's title) shows whole, every word of it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "main/InterfaceKitHelpers.h"
#include "main/SnapshotCommand.h"
#include "menubar/cells/TitleDescriptionCell.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/system/Camera.h"
#include "platform/ui/Alert.h"
#include "platform/ui/Button.h"
#include "platform/ui/ClipView.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Screen.h"
#include "platform/ui/TextField.h"
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

// A label in single-line mode, whose text may shorten, where it lies in the picture's pixels.
struct ShorteningTitle {
    std::string text;
    ui::Rect frame;
};

// What of a scene's views bears on its texts: its scroll views and its one-line titles, in the pixels of
// its picture as the renderer places them.
struct SceneViews {
    std::vector<Viewport> viewports;
    std::vector<ShorteningTitle> titles;
};

std::shared_ptr<ui::View> rootOf(const ui::Scene& scene) {
    return scene.view ? scene.view : scene.window->contentView();
}

// The view and every view below it, each before the views below it.
std::vector<std::shared_ptr<ui::View>> viewTreeOf(const std::shared_ptr<ui::View>& root) {
    std::vector<std::shared_ptr<ui::View>> tree, pending{root};
    while (!pending.empty()) {
        tree.push_back(pending.back());
        pending.pop_back();
        for (const auto& sub : tree.back()->subviews()) pending.push_back(sub);
    }
    return tree;
}

// Where a rectangle of one of the scene's views lies in its picture, in pixels.
ui::Rect inPixels(const ui::Scene& scene, const ui::View& view, ui::Rect rect) {
    const auto root = rootOf(scene);
    const auto window = root->window();
    const double scale =
        window ? window->backingScaleFactor() : ui::Screen::mainScreen()->backingScaleFactor();
    const ui::Rect frame = root->bounds();
    const ui::Rect r = view.convertRect_toView(rect, root.get());
    const double top = root->isFlipped() ? r.minY() - frame.minY() : frame.maxY() - r.maxY();
    return ui::Rect((r.minX() - frame.minX()) * scale, top * scale, r.width() * scale, r.height() * scale);
}

SceneViews viewsOf(const ui::Scene& scene) {
    SceneViews found;
    for (const auto& view : viewTreeOf(rootOf(scene))) {
        if (auto clip = std::dynamic_pointer_cast<ui::ClipView>(view); clip && clip->documentView()) {
            const auto document = clip->documentView();
            found.viewports.push_back(
                {inPixels(scene, *clip, clip->bounds()), inPixels(scene, *document, document->bounds())});
        }
        if (auto field = std::dynamic_pointer_cast<ui::TextField>(view); field && field->usesSingleLineMode())
            found.titles.push_back(
                {field->displayedText().string(), inPixels(scene, *field, field->bounds())});
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

// Why a text in sight ends in "…" where it should not, or nothing: nothing when it is whole, out of
// sight, or drawn by a one-line title (its label's text, drawn inside its label's frame).
std::string shortenedOf(const ui::DrawnText& drawn, const std::vector<ShorteningTitle>& titles) {
    if (!drawn.ellipsized || drawn.ink.isEmpty() || !drawn.ink.intersects(drawn.clip)) return {};
    for (const auto& title : titles)
        if (title.text == drawn.text && title.frame.insetBy(-1, -1).containsRect(drawn.clip)) return {};
    char clip[96];
    std::snprintf(clip, sizeof clip, " in its clip %.0f x %.0f px at (%.0f, %.0f)", drawn.clip.width(),
                  drawn.clip.height(), drawn.clip.minX(), drawn.clip.minY());
    return std::string("shortened with \"…\", and its label is no one-line title") + clip;
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

TEST_F(SceneTextsFitTest, OnlyAOneLineTitleMayEndInAnEllipsis) {
    // A name in single-line mode over a sentence, each truncating in a frame one line high and too
    // narrow: both are drawn shortened, inside their frames, so neither is cut.
    const std::string text = "Open Kestrune on your iPhone and keep Bluetooth on";
    auto root = ui::View::create({0, 0, 300, 120});
    auto label = [&](ui::Rect frame) {
        auto field = ui::TextField::create(frame);
        field->setBezeled(false);
        field->setDrawsBackground(false);
        field->setFont(ui::Font::systemFontOfSize(13));
        field->setLineBreakMode(ui::LineBreakMode::TruncatingTail);
        field->setStringValue(text);
        root->addSubview(field);
        return field;
    };
    label({10, 90, 120, 20})->setUsesSingleLineMode(true);
    auto sentence = label({10, 10, 120, 20});
    auto draw = [&] {
        drawn.clear();
        ui::CairoRenderer().renderView(*root, root->bounds(), ui::Screen::mainScreen()->backingScaleFactor());
        return viewsOf({nullptr, root});
    };
    auto views = draw();
    ASSERT_EQ(views.titles.size(), 1u);
    ASSERT_EQ(drawn.size(), 2u);
    const ui::DrawnText name = drawn[0], shortened = drawn[1];
    for (const auto& t : drawn) {
        EXPECT_TRUE(t.ellipsized);
        EXPECT_EQ(cutOf(t), "");
    }
    // The same words shortened in the label that is no title are a fault; shortened out of sight, where
    // nobody reads them, they are not.
    EXPECT_EQ(shortenedOf(name, views.titles), "");
    EXPECT_EQ(shortenedOf(shortened, views.titles).rfind("shortened with \"…\"", 0), 0u);
    ui::DrawnText unseen = shortened;
    unseen.clip = {0, 0, 0, 0};
    EXPECT_EQ(shortenedOf(unseen, views.titles), "");

    // The sentence wrapping in a frame with room for its lines shows whole.
    sentence->setLineBreakMode(ui::LineBreakMode::WordWrapping);
    sentence->setFrame({10, 10, 280, 60});
    views = draw();
    ASSERT_EQ(drawn.size(), 2u);
    EXPECT_FALSE(drawn[1].ellipsized);
    EXPECT_GT(drawn[1].lines.size(), 1u);
    EXPECT_EQ(cutOf(drawn[1]), "");
    EXPECT_EQ(shortenedOf(drawn[1], views.titles), "");
}

// In Arabic a one-line heading over a paragraph of its column ends where the paragraph's right-to-left
// lines end, at the column's right edge, where the reader starts: the crash kit's send prompt and an
// information page of the screens. A settings page's header leaves the end of its title's line to its
// "more" link: its title ends where the link begins. The settings' check box titles stay beside their
// check boxes.
TEST_F(SceneTextsFitTest, ArabicHeadingsEndAtTheirParagraphsRightEdge) {
    kestrune::registerSnapshotScenes();
    if (!kestrune::DataManager::shared().model()) kestrune::DataManager::shared().getSavedDataModel();
    kestrune::setGalleryLanguage("ar");
    kestrune::useGalleryLanguage();
    // The text drawn as `whole`, or the first that holds `part`.
    auto drawnAs = [&](const std::string& whole, const std::string& part = {}) -> const ui::DrawnText* {
        for (const auto& text : drawn)
            if (part.empty() ? text.text == whole : text.text.find(part) != std::string::npos) return &text;
        return nullptr;
    };
    // The text a label of the scene drew: its own, inside its frame.
    auto drawnBy = [&](const ui::Scene& scene, const ui::TextField& field) -> const ui::DrawnText* {
        const ui::Rect frame = inPixels(scene, field, field.bounds()).insetBy(-1, -1);
        for (const auto& text : drawn)
            if (text.text == field.stringValue() && frame.containsRect(text.clip)) return &text;
        return nullptr;
    };
    auto paragraphsRight = [](const ui::DrawnText& paragraph) {
        double right = 0;
        for (const ui::Rect& line : paragraph.lines) right = std::max(right, line.maxX());
        return right;
    };
    auto expectHeadingOver = [&](const ui::DrawnText* title, const ui::DrawnText* lines) {
        ASSERT_TRUE(title && lines);
        ASSERT_EQ(title->lines.size(), 1u) << title->text;
        ASSERT_GE(lines->lines.size(), 2u) << lines->text;
        EXPECT_NEAR(title->ink.maxX(), paragraphsRight(*lines), 4) << title->text;
    };

    drawn.clear();
    const auto prompt = ui::SceneRegistry::drawScene("crash-send-prompt");
    ASSERT_TRUE(prompt && prompt->window);
    const auto message = ui::Alert::messageFieldOf(*prompt->window);
    const auto informative = ui::Alert::informativeFieldOf(*prompt->window);
    ASSERT_TRUE(message && informative);
    expectHeadingOver(drawnAs(message->stringValue()), drawnAs({}, informative->stringValue()));

    drawn.clear();
    ASSERT_TRUE(ui::SceneRegistry::drawScene("screens-factory-update-on-your-phone"));
    expectHeadingOver(drawnAs(kestrune::localizable("update")),
                      drawnAs({}, kestrune::localizable("we_detected_new_ios_version_please_update")));

    // The clipboard page's header, whatever the phone: the title's line ends with the link, at the
    // description's right edge, and the title ends where the link's frame begins, clear of its letters.
    for (const char* name :
         {"settings-clipboard-no-phone", "settings-clipboard-not-connected",
          "settings-clipboard-not-connected-warning-opened", "settings-clipboard-connected"}) {
        SCOPED_TRACE(name);
        drawn.clear();
        const auto page = ui::SceneRegistry::drawScene(name);
        ASSERT_TRUE(page);
        std::shared_ptr<kestrune::TitleDescriptionCell> header;
        for (const auto& view : viewTreeOf(rootOf(*page))) {
            header = std::dynamic_pointer_cast<kestrune::TitleDescriptionCell>(view);
            if (header && header->titleLabel->stringValue() == kestrune::localizable("clipboard")) break;
            header.reset();
        }
        ASSERT_TRUE(header);
        const ui::DrawnText* title = drawnBy(*page, *header->titleLabel);
        const ui::DrawnText* lines = drawnBy(*page, *header->descriptionLabel);
        const ui::DrawnText* more = drawnBy(*page, *header->readMoreTextField);
        ASSERT_TRUE(title && lines && more);
        ASSERT_EQ(title->lines.size(), 1u);
        ASSERT_GE(lines->lines.size(), 2u);
        EXPECT_NEAR(more->ink.maxX(), paragraphsRight(*lines), 4);
        EXPECT_NEAR(title->ink.maxX(), more->clip.minX(), 6);
        EXPECT_LT(title->ink.maxX(), more->ink.minX());
    }

    // Each check box's title starts right after its box, a few pixels away, in its own row.
    drawn.clear();
    const auto settings = ui::SceneRegistry::drawScene("settings-advanced");
    ASSERT_TRUE(settings);
    size_t titles = 0;
    for (const auto& view : viewTreeOf(rootOf(*settings))) {
        const auto box = std::dynamic_pointer_cast<ui::Button>(view);
        if (!box || box->buttonType() != ui::ButtonType::Switch || !box->title().empty()) continue;
        const ui::Rect boxFrame = box->frame();
        for (const auto& sibling : view->superview()->subviews()) {
            const auto title = std::dynamic_pointer_cast<ui::TextField>(sibling);
            if (!title || title->frame().minX() < boxFrame.maxX() ||
                title->frame().minX() > boxFrame.maxX() + 8 || title->frame().minY() >= boxFrame.maxY() ||
                title->frame().maxY() <= boxFrame.minY())
                continue;
            const ui::Rect frame = inPixels(*settings, *title, title->bounds());
            for (const auto& text : drawn) {
                if (text.text != title->stringValue() || !frame.insetBy(-1, -1).containsRect(text.clip))
                    continue;
                ++titles;
                const double boxRight = inPixels(*settings, *box->superview(), boxFrame).maxX();
                EXPECT_GT(text.ink.minX(), boxRight) << text.text;
                EXPECT_LT(text.ink.minX(), boxRight + 20) << text.text;
            }
        }
    }
    EXPECT_GE(titles, 3u);
}

// The title of each section of a settings page (the page's title over its description, and those of the
// sections below) starts at its column's leading edge, the left edge where the description's lines start
// too, in English and in Arabic alike. Only over a description whose right-to-left lines wrap, and so
// all end at the column's right edge, does an Arabic title end there instead, where the link of its line
// begins.
// One language a test, and of its settings pages every third, starting from each of the first three: a
// language took half a minute of processor time under the thread sanitizer alone.
constexpr size_t kTitlePageStride = 3;

class SettingsPageTitles : public SceneTextsFitTest,
                           public ::testing::WithParamInterface<std::tuple<std::string, size_t>> {};

TEST_P(SettingsPageTitles, StartAtTheirColumnsLeadingEdge) {
    kestrune::registerSnapshotScenes();
    if (!kestrune::DataManager::shared().model()) kestrune::DataManager::shared().getSavedDataModel();
    // The text a label of the scene drew in sight: its own, inside its frame.
    auto drawnBy = [&](const ui::Scene& scene, const ui::TextField& field) -> const ui::DrawnText* {
        const ui::Rect frame = inPixels(scene, field, field.bounds()).insetBy(-1, -1);
        for (const auto& text : drawn)
            if (text.text == field.stringValue() && frame.containsRect(text.clip) && !text.ink.isEmpty() &&
                text.ink.intersects(text.clip))
                return &text;
        return nullptr;
    };
    // Lines that all end where the widest ends: a paragraph laid out from the right.
    auto endsAtTheRight = [](const ui::DrawnText& paragraph) {
        if (paragraph.lines.size() < 2) return false;
        double right = 0;
        for (const ui::Rect& line : paragraph.lines) right = std::max(right, line.maxX());
        return std::all_of(paragraph.lines.begin(), paragraph.lines.end(),
                           [right](const ui::Rect& line) { return line.maxX() > right - 2; });
    };
    const std::string language = std::get<0>(GetParam());
    std::vector<std::string> pages;
    for (const auto& name : ui::SceneRegistry::names())
        if (name.rfind("settings-", 0) == 0) pages.push_back(name);
    ASSERT_GE(pages.size(), 26u);
    {
        kestrune::setGalleryLanguage(language);
        kestrune::useGalleryLanguage();
        for (size_t index = std::get<1>(GetParam()); index < pages.size(); index += kTitlePageStride) {
            const std::string& name = pages[index];
            size_t atLeadingEdge = 0, overRightToLeftParagraphs = 0;
            drawn.clear();
            const auto page = ui::SceneRegistry::drawScene(name);
            ASSERT_TRUE(page) << name;
            for (const auto& view : viewTreeOf(rootOf(*page))) {
                const auto header = std::dynamic_pointer_cast<kestrune::TitleDescriptionCell>(view);
                if (!header) continue;
                const ui::DrawnText* title = drawnBy(*page, *header->titleLabel);
                const ui::DrawnText* lines = drawnBy(*page, *header->descriptionLabel);
                if (!title) continue;  // a page out of sight, a row scrolled away
                const ui::Rect column = inPixels(*page, *header->titleLabel, header->titleLabel->bounds());
                const ui::Rect link =
                    inPixels(*page, *header->readMoreTextField, header->readMoreTextField->bounds());
                if (language == "ar" && lines && endsAtTheRight(*lines)) {
                    ++overRightToLeftParagraphs;
                    EXPECT_NEAR(title->ink.maxX(), link.minX(), 6) << name << ": \"" << title->text << "\"";
                } else {
                    ++atLeadingEdge;
                    EXPECT_GE(title->ink.minX(), column.minX()) << name << ": \"" << title->text << "\"";
                    EXPECT_LT(title->ink.minX(), column.minX() + 10) << name << ": \"" << title->text << "\"";
                }
            }
            // Every settings page shows a title at least, but the welcome page, the pairing wizard pushed
            // over it and the translation page, which have no rows of titles; the clipboard page's
            // description wraps in Arabic.
            const bool untitled = name == "settings-devices-welcome" || name == "settings-devices-pairing" ||
                                  name == "settings-translation";
            if (!untitled) {
                EXPECT_GE(atLeadingEdge + overRightToLeftParagraphs, 1u) << name;
            }
            if (language == "ar" && name.rfind("settings-clipboard", 0) == 0) {
                EXPECT_GE(overRightToLeftParagraphs, 1u) << name;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, SettingsPageTitles,
                         ::testing::Combine(::testing::Values(std::string("en"), std::string("ar")),
                                            ::testing::Range<size_t>(0, kTitlePageStride)),
                         [](const ::testing::TestParamInfo<std::tuple<std::string, size_t>>& info) {
                             return std::get<0>(info.param) + "Pages" +
                                    std::to_string(std::get<1>(info.param));
                         });

// Every scene in every fourteenth language of the list, starting from each of the first fourteen, and of
// each language's scenes every third, starting from each of the first three: one language a test of the
// fourteen and a third of its scenes, each scene of each language drawn once. A whole language took some
// 35 s of processor time under the address sanitizer alone, and over ctest's limit on a busy machine;
// a third of one costs a test about a tenth of that limit alone.
constexpr size_t kLanguageStride = 14;
constexpr size_t kSceneStride = 3;

#if defined(__SANITIZE_THREAD__)
// Under the thread sanitizer a language draws only the scenes whose drawing crosses threads: the history
// window (both of its lists) and the activity chart work their rows and days out on a worker, the photo
// window (with photos, and with its notice) looks for its photo files there, and the advanced settings
// page reads the login items on their own serial queue; the main thread adopts each result and lays it out
// in the language. Those crossings are what this build is for. Every other scene is drawn on the main
// thread alone, and whether its texts fit is the address sanitizer's build's to check: there every scene
// of every language is drawn. All of a language's scenes cost a test one to two minutes alone here, and
// more than ctest's limit (300 s) on a busy machine; these cost it a few seconds.
const std::vector<std::string> kScenesCrossingThreads = {
    "activity-chart", "history-window",      "history-window-filtered",
    "photo-window",   "photo-window-notice", "settings-advanced",
};
#endif

class EverySceneTextFits : public SceneTextsFitTest,
                           public ::testing::WithParamInterface<std::tuple<size_t, size_t>> {};

TEST_P(EverySceneTextFits, InEveryFourteenthLanguageEveryThirdScene) {
    const auto [firstLanguage, firstScene] = GetParam();
    kestrune::registerSnapshotScenes();
    // The scenes set their machine up once per process; a test after another in the same process finds
    // the stored data of the one before forgotten.
    if (!kestrune::DataManager::shared().model()) kestrune::DataManager::shared().getSavedDataModel();
    const auto names = ui::SceneRegistry::names();
    ASSERT_GT(names.size(), 100u);
#if defined(__SANITIZE_THREAD__)
    // A scene of the list renamed or gone fails below, where it cannot be drawn.
    const auto& allNames = kScenesCrossingThreads;
#else
    const auto& allNames = names;
#endif
    std::vector<std::string> drawnNames;
    for (size_t index = firstScene; index < allNames.size(); index += kSceneStride)
        drawnNames.push_back(allNames[index]);
    const auto& languages = kestrune::supprotedLanguages();
    // Each test draws a language and scenes at least: with fewer than there are tests, one would pass
    // drawing nothing.
    ASSERT_LT(firstLanguage, languages.size());
    ASSERT_FALSE(drawnNames.empty());
    for (size_t index = firstLanguage; index < languages.size(); index += kLanguageStride) {
        const std::string& language = languages[index];
        kestrune::setGalleryLanguage(language);
        kestrune::useGalleryLanguage();
        size_t texts = 0;
        for (const auto& name : drawnNames) {
            drawn.clear();
            const auto scene = ui::SceneRegistry::drawScene(name);
            EXPECT_TRUE(scene) << language << " " << name;
            if (!scene) continue;
            const auto views = viewsOf(*scene);
            texts += drawn.size();
            for (const auto& text : drawn) {
                if (const std::string cut = cutOf(text, views.viewports); !cut.empty())
                    ADD_FAILURE() << language << " " << name << ": \"" << text.text << "\" cut " << cut;
                if (const std::string shortened = shortenedOf(text, views.titles); !shortened.empty())
                    ADD_FAILURE() << language << " " << name << ": \"" << text.text << "\" " << shortened;
            }
        }
        // The measure saw the scenes' texts: a dozen or so a scene, pages out of sight included.
        EXPECT_GT(texts, 10 * drawnNames.size()) << language;
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, EverySceneTextFits,
                         ::testing::Combine(::testing::Range<size_t>(0, kLanguageStride),
                                            ::testing::Range<size_t>(0, kSceneStride)),
                         [](const ::testing::TestParamInfo<std::tuple<size_t, size_t>>& info) {
                             return "Language" + std::to_string(std::get<0>(info.param)) + "Scenes" +
                                    std::to_string(std::get<1>(info.param));
                         });

}  // namespace
