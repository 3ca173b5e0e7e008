// The interface's pictures in each language: the scenes of the panel over the lock screen, the login-icon
// view, the photo window and the tutorial's last page draw the texts of the language's table, words
// inside drawn pictures included, and nothing of them stays English.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine/coordinator/ShieldGallery.h"
#include "features/language/BundleEx.h"
#include "features/language/BundleLanguage.h"
#include "features/language/TextFormat.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/storage/StringsTable.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/SceneRegistry.h"
#include "tests/windows/RecordWindowsFixture.h"
#include "windows/HistoryPhotosGallery.h"
#include "windows/ScreensGallery.h"

namespace kestrune::windowtests {
namespace {

// Draws through the Cairo renderer as the pictures are drawn, and keeps every text the drawing holds:
// each view's own texts and the words of the pictures it draws.
class TextRecordingRenderer : public ui::Renderer {
public:
    explicit TextRecordingRenderer(std::shared_ptr<ui::Renderer> pixels) : pixels_(std::move(pixels)) {}
    std::optional<ui::Bitmap> decodePNG(const std::vector<uint8_t>& bytes) override {
        return pixels_->decodePNG(bytes);
    }
    std::optional<std::vector<uint8_t>> encodePNG(const ui::Bitmap& bitmap) override {
        return pixels_->encodePNG(bitmap);
    }
    ui::Bitmap renderView(ui::View& view, ui::Rect rect, double scale) override {
        collect(view);
        return pixels_->renderView(view, rect, scale);
    }
    std::set<std::string> texts;

private:
    void keepTexts(const ui::DisplayList& list) {
        for (const auto& line : list) {
            if (line.rfind("text \"", 0) == 0) {
                texts.insert(line.substr(6, line.rfind("\" in ") - 6));
            } else if (line.rfind("image ", 0) == 0) {
                auto image = ui::Image::imageNamed(line.substr(6, line.find(" in ") - 6));
                if (!image || !image->drawingHandler()) continue;
                ui::RecordingContext context;
                ui::GraphicsContext::Scope scope(&context);
                image->drawInRect({0, 0, image->size().width, image->size().height});
                keepTexts(context.displayList());
            }
        }
    }
    void collect(ui::View& view) {
        if (view.isHidden()) return;
        view.display();
        keepTexts(view.displayList());
        for (const auto& sub : view.subviews()) collect(*sub);
    }
    std::shared_ptr<ui::Renderer> pixels_;
};

class SceneLanguageTest : public RecordWindowsTest {
protected:
    void TearDown() override {
        ui::SceneRegistry::reset();
        setGalleryLanguage(BundleEx::kDevelopmentLanguage);
        setLocalizableLanguage(std::nullopt);
        RecordWindowsTest::TearDown();
    }
    // The texts the scenes draw in the language, as `--snapshot --language CODE` draws them.
    std::set<std::string> drawnTexts(const std::string& code) {
        ui::SceneRegistry::reset();
        setGalleryLanguage(code);
        useGalleryLanguage();
        registerShieldGallery();
        registerHistoryAndPhotosGallery(&platform::SimulatedCamera::testPattern);
        registerScreensGallery();
        auto recorder = std::make_shared<TextRecordingRenderer>(std::make_shared<ui::CairoRenderer>());
        ui::Renderer::install(recorder);
        EXPECT_EQ(
            ui::SceneRegistry::renderAll(home() + "/" + code, {"shield-connected", "login-icon-notification",
                                                               "photo-window", "screens-tutorial-finished"}),
            0);
        ui::CairoRenderer::installAsBackend();
        return recorder->texts;
    }
};

// Every fifth language a test, starting from each of the first five: all fourteen in one test took half a
// minute of processor time under the address sanitizer alone, a third of them 24 s under the thread
// sanitizer.
constexpr size_t kLanguageStride = 5;

class EveryLanguage : public SceneLanguageTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(EveryLanguage, DrawsItsOwnTexts) {
    auto english = platform::StringsTable::tableAtPath(BundleEx::tablePathForLanguage("en"));
    ASSERT_TRUE(english);
    const char* const keys[] = {"enter_password_prompt",    "share_action", "save_photo_action", "delete",
                                "delete_all_photos_action", "tweet_action"};
    const auto& languages = supprotedLanguages();
    ASSERT_LT(GetParam(), languages.size());
    for (size_t index = GetParam(); index < languages.size(); index += kLanguageStride) {
        const auto& code = languages[index];
        SCOPED_TRACE(code);
        auto table = platform::StringsTable::tableAtPath(BundleEx::tablePathForLanguage(code));
        ASSERT_TRUE(table);
        const auto texts = drawnTexts(code);
        auto drawn = [&](const std::string& text) { return texts.count(text) > 0; };
        EXPECT_TRUE(drawn(stringWithTextArgument(table->at("distance_to_unlock_device"), "0.8 m")));
        for (const char* key : keys) {
            const std::string own = table->at(key);
            EXPECT_TRUE(drawn(own)) << key << ": " << own;
            if (code != "en" && own != english->at(key)) {
                EXPECT_FALSE(drawn(english->at(key))) << key;
            }
        }
        if (code != "en") {
            EXPECT_FALSE(drawn("Unlocks at 0.8 m"));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, EveryLanguage, ::testing::Range<size_t>(0, kLanguageStride));

}  // namespace
}  // namespace kestrune::windowtests
