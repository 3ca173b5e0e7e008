// What the Pango text drawing tells of each text it draws (its ink, its lines, the clip it is drawn
// under, in the picture's pixels, the faces it took), checked against the pixels; labels that truncate
// draw one line ending in "…" inside their frame; Chinese and Japanese take their own faces.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/ui/TextField.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class DrawnTextTest : public test::Fixture {
protected:
    void SetUp() override {
        test::Fixture::SetUp();
        CairoRenderer::installAsBackend();
        observeDrawnText([this](const DrawnText& text) { drawn.push_back(text); });
    }
    void TearDown() override {
        observeDrawnText(nullptr);
        test::Fixture::TearDown();
    }

    // A 13-point label at (10, 10) in a 200 x 60 view, drawn two pixels per point.
    Bitmap draw(const std::string& text, Rect frame, LineBreakMode mode = LineBreakMode::WordWrapping) {
        root = View::create({0, 0, 200, 60});
        label = TextField::create(frame);
        label->setBezeled(false);
        label->setDrawsBackground(false);
        label->setFont(Font::systemFontOfSize(13));
        label->setLineBreakMode(mode);
        label->setStringValue(text);
        root->addSubview(label);
        drawn.clear();
        return CairoRenderer().renderView(*root, root->bounds(), 2);
    }

    std::vector<DrawnText> drawn;
    std::shared_ptr<View> root;
    std::shared_ptr<TextField> label;
};

// The inked pixels' box (alpha over a quarter), in pixels.
Rect inkedBox(const Bitmap& b) {
    int minX = b.width, minY = b.height, maxX = -1, maxY = -1;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.rgbaAt(x, y).a > 64)
                minX = std::min(minX, x), minY = std::min(minY, y), maxX = std::max(maxX, x),
                maxY = std::max(maxY, y);
    return maxX < 0 ? Rect{} : Rect(minX, minY, maxX + 1 - minX, maxY + 1 - minY);
}

TEST_F(DrawnTextTest, TheInkAndClipToldAreThoseOfThePicture) {
    // Accents over capitals and descenders: the ink reaches past the letters' usual height.
    const Bitmap b = draw("Ärger gypsy", {10, 10, 180, 30});
    ASSERT_EQ(drawn.size(), 1u);
    const DrawnText& text = drawn.front();
    EXPECT_EQ(text.text, "Ärger gypsy");
    EXPECT_EQ(text.lines.size(), 1u);
    EXPECT_FALSE(text.ellipsized);
    // The label's frame, in pixels from the picture's top left.
    EXPECT_NEAR(text.clip.minX(), 20, 0.01);
    EXPECT_NEAR(text.clip.minY(), 40, 0.01);
    EXPECT_NEAR(text.clip.width(), 360, 0.01);
    EXPECT_NEAR(text.clip.height(), 60, 0.01);
    // Where the picture has ink, to a pixel of antialiasing.
    const Rect pixels = inkedBox(b);
    ASSERT_FALSE(pixels.isEmpty());
    EXPECT_NEAR(text.ink.minX(), pixels.minX(), 1.5);
    EXPECT_NEAR(text.ink.maxX(), pixels.maxX(), 1.5);
    EXPECT_NEAR(text.ink.minY(), pixels.minY(), 1.5);
    EXPECT_NEAR(text.ink.maxY(), pixels.maxY(), 1.5);
    EXPECT_TRUE(text.clip.containsRect(text.ink));
}

TEST_F(DrawnTextTest, ALineTheFrameHasNoRoomForIsToldOutsideTheClip) {
    // Two lines' worth of text in a frame one line high: the second line is drawn, and cut.
    const Bitmap b = draw("Fotos nach Anmeldungen", {10, 10, 110, 18});
    ASSERT_EQ(drawn.size(), 1u);
    const DrawnText& text = drawn.front();
    ASSERT_EQ(text.lines.size(), 2u);
    EXPECT_GT(text.lines[1].minY(), text.lines[0].maxY() - 1);
    EXPECT_GT(text.lines[1].maxY(), text.clip.maxY() + 10);
    EXPECT_GT(text.ink.maxY(), text.clip.maxY());
    // The picture holds only what the clip lets through.
    EXPECT_LE(inkedBox(b).maxY(), text.clip.maxY() + 0.01);
}

TEST_F(DrawnTextTest, ATruncatingLabelEndsInAnEllipsisInsideItsFrame) {
    const Bitmap b = draw("Fotos nach Anmeldungen", {10, 10, 110, 18}, LineBreakMode::TruncatingTail);
    ASSERT_EQ(drawn.size(), 1u);
    const DrawnText& text = drawn.front();
    EXPECT_EQ(text.lines.size(), 1u);
    EXPECT_TRUE(text.ellipsized);
    EXPECT_TRUE(text.clip.containsRect(text.ink));
    // The field takes one line's height for it and centres it.
    const Size size = label->cellSizeForBounds(label->bounds());
    EXPECT_LT(size.height, 18);
    EXPECT_LE(size.width, 110);
    EXPECT_NEAR(text.ink.midY(), text.clip.midY(), 4);

    // Text that fits is not shortened, and the other truncating modes cut where they say.
    draw("Fotos", {10, 10, 110, 18}, LineBreakMode::TruncatingTail);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_FALSE(drawn.front().ellipsized);
    for (auto mode : {LineBreakMode::TruncatingHead, LineBreakMode::TruncatingMiddle}) {
        draw("Fotos nach Anmeldungen", {10, 10, 110, 18}, mode);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_TRUE(drawn.front().ellipsized);
        EXPECT_EQ(drawn.front().lines.size(), 1u);
    }
}

// Han characters and kana are drawn differently by Chinese, Japanese and Korean faces. A text in the
// interface's language takes one face for all of them, whatever the process's locale (the tests run
// under "C"), not the Korean face with the characters it lacks taken from another.
TEST_F(DrawnTextTest, ChineseAndJapaneseTakeOneFaceInTheInterfacesLanguage) {
    const std::pair<const char*, const char*> texts[] = {
        {"ja", "接続されていません。有効になります。"},
        {"zh-Hans", "配对后，你离开时会自动锁定，回来时自动解锁。"},
        {"zh-Hant", "配對後，你離開時會自動鎖定，回來時自動解鎖。"}};
    for (const auto& [language, text] : texts) {
        SCOPED_TRACE(language);
        TextLanguage::set(language);
        draw(text, {10, 10, 180, 40});
        ASSERT_EQ(drawn.size(), 1u);
        const std::vector<std::string>& families = drawn.front().families;
        ASSERT_FALSE(families.empty());
        for (const std::string& family : families) EXPECT_EQ(family, families.front());
    }
}

TEST_F(DrawnTextTest, NobodyIsToldOnceTheObserverIsRemoved) {
    observeDrawnText(nullptr);
    draw("Fotos", {10, 10, 110, 18});
    EXPECT_TRUE(drawn.empty());
}

}  // namespace
}  // namespace platform::ui
