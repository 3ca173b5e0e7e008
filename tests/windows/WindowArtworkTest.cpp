// The screens' pictures drawn by code: words where the screens they picture have words, the proportions
// kept in any rectangle, and the share buttons sharp at the screen's scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "app/support/Localizable.h"
#include "features/language/BundleLanguage.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/RecordingContext.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"
#include "windows/WindowArtwork.h"

namespace {

class WindowArtworkTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        kestrune::registerWindowArtwork();
        // The words of the pictures come from the interface's tables, English unless a test says.
        kestrune::setLocalizableLanguage("en");
    }
    void TearDown() override {
        kestrune::setLocalizableLanguage(std::nullopt);
        kestrune::setLocalizedStringLookup(nullptr);
        Fixture::TearDown();
    }
    // The texts the picture draws into a rectangle of its own size, each as recorded.
    static std::vector<std::string> drawnLines(const std::string& name) {
        auto image = ui::Image::imageNamed(name);
        if (!image) return {};
        ui::RecordingContext context;
        ui::GraphicsContext::Scope scope(&context);
        image->drawInRect({0, 0, image->size().width, image->size().height});
        std::vector<std::string> found;
        for (const auto& line : context.displayList())
            if (line.rfind("text \"", 0) == 0) found.push_back(line);
        return found;
    }
    static std::vector<std::string> texts(const std::string& name) {
        std::vector<std::string> found;
        for (const auto& line : drawnLines(name)) found.push_back(line.substr(6, line.find('"', 6) - 6));
        return found;
    }
};

TEST_F(WindowArtworkTest, ThePicturesOfScreensWithWordsShowThoseWords) {
    const std::pair<const char*, std::vector<std::string>> pictures[] = {
        {"security_general",
         {"General", "Require password", "immediately", "after sleep or screen saver begins"}},
        {"security_privacy", {"Accessibility", "Kestrune"}},
        {"mac_frame_status", {"Ada's iPhone", "Quit Kestrune"}},
        {"mac_osx_notification", {"Kestrune", "Unlocked with Ada's iPhone"}},
        {"screen_app_welcome", {"Kestrune"}},
        {"screen_siri_settigns", {"Settings", "Siri & Search"}},
        {"screen_siri_shortcuts", {"Shortcuts", "Lock my Mac"}},
        {"screen_siri_record", {"Say your phrase"}},
        {"screen_siri_all", {"\u201cLock my Mac\u201d"}},
        {"share_facebook", {"Share"}},
        {"share_twitter", {"Tweet"}},
        {"clipboard_shortcut", {"ctrl", "cmd", "V"}},
    };
    for (const auto& [name, words] : pictures) {
        SCOPED_TRACE(name);
        const auto drawn = texts(name);
        for (const auto& word : words)
            EXPECT_NE(std::find(drawn.begin(), drawn.end(), word), drawn.end()) << word;
    }
}

// The share buttons' words follow the interface's language when drawn; one too long for the button at
// the usual size is drawn smaller rather than on a second line.
TEST_F(WindowArtworkTest, TheShareButtonsSpeakTheLanguageInUseAndFitTheirWords) {
    // "text "WORD" in RECT font NAME SIZE COLOUR": the first number after the font's name.
    auto fontSize = [](const std::string& line) {
        std::smatch match;
        const std::regex size(" font .*? ([0-9]+(\\.[0-9]+)?) ");
        return std::regex_search(line, match, size) ? std::stod(match[1]) : -1.0;
    };
    kestrune::setLocalizableLanguage("de");
    EXPECT_EQ(texts("share_facebook"), (std::vector<std::string>{"Teilen"}));
    EXPECT_EQ(texts("share_twitter"), (std::vector<std::string>{"Twittern"}));
    ASSERT_EQ(drawnLines("share_facebook").size(), 1u);
    EXPECT_EQ(fontSize(drawnLines("share_facebook")[0]), 14);
    kestrune::setLocalizableLanguage("pt");
    const auto lines = drawnLines("share_facebook");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("text \"Compartilhar\"", 0), 0u) << lines[0];
    // 12 letters at half the type size each: 13 is the first size that fits 80 of the button's 88.
    EXPECT_EQ(fontSize(lines[0]), 13) << lines[0];
}

TEST_F(WindowArtworkTest, APictureShownInAnotherShapeKeepsItsProportionsAndStaysCentred) {
    auto image = ui::Image::imageNamed("screen_siri_record");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), (ui::Size{200, 380}));
    // Stretched to twice its width by its view, the phone is drawn at its own shape in the middle.
    auto view = ui::ImageView::create({0, 0, 400, 380});
    view->setImageScaling(ui::ImageScaling::AxesIndependently);
    view->setImage(image);
    const auto b = ui::CairoRenderer().renderView(*view, view->bounds(), 1);
    int left = b.width, right = -1;
    for (int x = 0; x < b.width; ++x)
        if (b.rgbaAt(x, 190).a > 128) left = std::min(left, x), right = std::max(right, x);
    EXPECT_NEAR(left, 104, 2);
    EXPECT_NEAR(right, 295, 2);
}

TEST_F(WindowArtworkTest, ButtonsAndIconsAreSharpAtTheScreensScale) {
    struct Case {
        const char* name;
        int row, from, to, clearAt, solidAt;  // pixels at scale 2
    };
    // Across the left edge of the button, and of the lock's body (from 18 pixels in), along a middle row:
    // clear, then at most two pixels of edge, then solid.
    for (const Case& c : {Case{"share_twitter", 36, 0, 12, 0, 8}, Case{"info_locked", 52, 10, 28, 14, 22}}) {
        SCOPED_TRACE(c.name);
        auto image = ui::Image::imageNamed(c.name);
        ASSERT_TRUE(image);
        auto view = ui::ImageView::create({0, 0, image->size().width, image->size().height});
        view->setImage(image);
        const auto b = ui::CairoRenderer().renderView(*view, view->bounds(), 2);
        int soft = 0;
        for (int x = c.from; x < c.to; ++x) {
            const int a = b.rgbaAt(x, c.row).a;
            soft += a > 30 && a < 225;
        }
        EXPECT_LE(soft, 2);
        EXPECT_EQ(b.rgbaAt(c.clearAt, c.row).a, 0);
        EXPECT_EQ(b.rgbaAt(c.solidAt, c.row).a, 255);
    }
}

}  // namespace
