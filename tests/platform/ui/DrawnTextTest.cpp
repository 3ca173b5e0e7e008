// What the Pango text drawing tells of each text it draws (its ink, its lines, the clip it is drawn
// under, in the picture's pixels, the faces it took), checked against the pixels; labels that truncate
// draw one line ending in "…" inside their frame; Chinese and Japanese take their own faces, whatever the
// process's locale; Arabic paragraphs read right to left, and their one-line headings end where they do;
// Korean lines break between words; a light description keeps one weight.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <vector>

#include "platform/ui/ImageView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/cairo/CairoContext.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/TestEnvironment.h"
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
        TextLanguage::set("");
        test::Fixture::TearDown();
    }

    // A 13-point label at (10, 10) in a 200 x 60 view, drawn two pixels per point.
    Bitmap draw(const std::string& text, Rect frame, LineBreakMode mode = LineBreakMode::WordWrapping,
                const Font& font = Font::systemFontOfSize(13),
                TextAlignment alignment = TextAlignment::Natural) {
        root = View::create({0, 0, 200, 60});
        label = TextField::create(frame);
        label->setBezeled(false);
        label->setDrawsBackground(false);
        label->setFont(font);
        label->setLineBreakMode(mode);
        label->setAlignment(alignment);
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

// The run holding `part`, or none.
const DrawnText::Run* runWith(const DrawnText& text, const std::string& part) {
    for (const auto& run : text.runs)
        if (run.text.find(part) != std::string::npos) return &run;
    return nullptr;
}

// In an Arabic interface a sentence that starts with a Latin name still reads from the right: the
// name, its first word, stands at the right end. A text with no Arabic letter keeps its own direction.
TEST_F(DrawnTextTest, ArabicSentencesStartingWithALatinWordReadFromTheRight) {
    for (const char* text : {"Bluetooth متوقف", "Touch ID أو Face ID أو رمز الدخول"}) {
        SCOPED_TRACE(text);
        TextLanguage::set("ar");
        draw(text, {10, 10, 180, 30});
        ASSERT_EQ(drawn.size(), 1u);
        const std::string first = std::string(text).substr(0, std::string(text).find(' '));
        const DrawnText::Run* name = runWith(drawn.front(), first);
        ASSERT_NE(name, nullptr);
        // Each run of the name's line lies to its left.
        for (const auto& run : drawn.front().runs) {
            const bool sameLine = run.ink.midY() > name->ink.minY() && run.ink.midY() < name->ink.maxY();
            if (&run != name && sameLine) {
                EXPECT_LE(run.ink.maxX(), name->ink.minX() + 1) << run.text;
            }
        }
        EXPECT_NEAR(name->ink.maxX(), drawn.front().lines.front().maxX(), 0.5);
    }
    // Without an Arabic letter the closing bracket stays at the end, on the right.
    draw("iPhone (2)", {10, 10, 180, 30});
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(drawn.front().runs.size(), 1u);
    EXPECT_EQ(drawn.front().runs.front().text, "iPhone (2)");
}

// Lines of a right-to-left paragraph end on the right, as those of a paragraph starting with Arabic.
TEST_F(DrawnTextTest, WrappedArabicLinesEndOnTheRightWhicheverWordStartsThem) {
    TextLanguage::set("ar");
    const std::string latinFirst = "Bluetooth متوقف على هذا الجهاز الآن ولا يمكن الاتصال بالهاتف";
    draw(latinFirst, {10, 10, 120, 50});
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_GE(drawn.front().lines.size(), 2u);
    const double right = drawn.front().lines.front().maxX();
    for (const Rect& line : drawn.front().lines) EXPECT_NEAR(line.maxX(), right, 2);
    EXPECT_NE(drawn.front().lines[0].minX(), drawn.front().lines[1].minX());
}

// A wrapped right-to-left paragraph stands in its frame, not in the box of its widest line: natural,
// left and right aligned, its lines end at the frame's right edge (less the label's inset of 2 points,
// give or take the glyphs' side bearings), so that paragraphs of one column start at one place;
// centred, they are centred in the frame. Left-to-right lines aligned left start at the left edge.
TEST_F(DrawnTextTest, WrappedArabicLinesEndAtTheFramesRightEdge) {
    const Rect frame{10, 10, 180, 50};
    auto linesOf = [&](const std::string& language, const std::string& text, TextAlignment alignment) {
        TextLanguage::set(language);
        draw(text, frame, LineBreakMode::WordWrapping, Font::systemFontOfSize(13), alignment);
        EXPECT_EQ(drawn.size(), 1u);
        return drawn.empty() ? std::vector<Rect>() : drawn.front().lines;
    };
    const std::string arabic = "افتح Kestrune على iPhone واترك Bluetooth قيد التشغيل\nثم انقر متابعة";
    // Paragraphs that each fit on a line stand so too.
    const std::string paragraphs = "افتح Kestrune على iPhone\nثم انقر";
    for (const std::string& text : {arabic, paragraphs})
        for (auto alignment : {TextAlignment::Natural, TextAlignment::Left, TextAlignment::Right}) {
            SCOPED_TRACE(text + " aligned " + std::to_string(static_cast<int>(alignment)));
            const std::vector<Rect> lines = linesOf("ar", text, alignment);
            ASSERT_GE(lines.size(), 2u);
            for (const Rect& line : lines) EXPECT_NEAR(line.maxX(), (frame.maxX() - 2) * 2, 4);
            // The short last paragraph starts well right of the longer one.
            EXPECT_GT(lines.back().minX(), lines.front().minX() + 40);
        }
    for (const Rect& line : linesOf("ar", arabic, TextAlignment::Center))
        EXPECT_NEAR(line.midX(), frame.midX() * 2, 4);
    const std::string english = "Open Kestrune on your iPhone and keep Bluetooth on\nThen click Continue";
    for (const Rect& line : linesOf("en", english, TextAlignment::Left))
        EXPECT_NEAR(line.minX(), (frame.minX() + 2) * 2, 4);
}

// A one-line heading over a paragraph of its column (its labels' left and right edges the same) ends, in
// Arabic, where the paragraph's right-to-left lines end, whether its own words are Arabic or Latin, and
// whatever picture stands beside the two; over several short paragraphs too. Its glyphs end there, not
// its line, whose end stands off a bold heading's last letter. A heading told which paragraph it heads,
// its frame stopping short of the paragraph's edge where a link takes the end of its line, ends at its
// own frame's right edge. It stays at its leading edge where the paragraph does not end at the right
// (another column, centred, one short line, English, above the heading and not below it), and beside an
// icon level with its own line: that is a row's title.
TEST_F(DrawnTextTest, AOneLineHeadingEndsWhereItsRightToLeftParagraphEnds) {
    const Rect paragraphFrame{60, 20, 240, 72};
    const std::string arabic =
        "عندما تعود، يطلب منك iPhone التأكيد قبل أن يُفتح قفل Mac، حتى وهو مقفل في جيبك.";
    struct Column {
        std::string heading, paragraph;
        Rect paragraphFrame{60, 20, 240, 72};
        TextAlignment paragraphAlignment = TextAlignment::Natural;
        Rect picture{};  // none when empty
        std::string language = "ar";
        Rect headingFrame{60, 100, 240, 22};
        bool toldItsParagraph = false;
    };
    // The heading's ink and the paragraph's lines, in pixels.
    auto draw = [&](const Column& column) -> std::pair<Rect, std::vector<Rect>> {
        TextLanguage::set(column.language);
        root = View::create({0, 0, 320, 200});
        auto add = [&](const std::string& text, Rect frame, const Font& font, TextAlignment alignment) {
            auto field = TextField::labelWithString(text);
            field->setFrame(frame);
            field->setFont(font);
            field->setAlignment(alignment);
            field->setLineBreakMode(LineBreakMode::WordWrapping);
            root->addSubview(field);
            return field;
        };
        auto heading =
            add(column.heading, column.headingFrame, Font::boldSystemFontOfSize(15), TextAlignment::Natural);
        auto paragraph = add(column.paragraph, column.paragraphFrame, Font::systemFontOfSize(13),
                             column.paragraphAlignment);
        if (column.toldItsParagraph) heading->setHeadedParagraph(paragraph);
        if (!column.picture.isEmpty()) root->addSubview(ImageView::create(column.picture));
        drawn.clear();
        CairoRenderer().renderView(*root, root->bounds(), 2);
        EXPECT_EQ(drawn.size(), 2u);
        if (drawn.size() != 2) return {};
        return {drawn[0].ink, drawn[1].lines};
    };
    auto rightmost = [](const std::vector<Rect>& lines) {
        double right = 0;
        for (const Rect& line : lines) right = std::max(right, line.maxX());
        return right;
    };

    const std::vector<std::pair<const char*, Column>> endingAtTheRight{
        {"Arabic", {"تأكيد فتح القفل", arabic}},
        {"Latin", {"Kestrune does not connect", arabic}},
        // An alert's icon beside both, its middle level with the paragraph.
        {"beside a picture",
         {"تأكيد فتح القفل", arabic, paragraphFrame, TextAlignment::Natural, {8, 40, 48, 48}}},
        {"over short paragraphs", {"تأكيد فتح القفل", "اقفل Mac الآن.\nافتحه عند عودتك."}},
        {"told its paragraph",
         {.heading = "الحافظة",
          .paragraph = arabic,
          .headingFrame = {60, 100, 180, 22},
          .toldItsParagraph = true}},
    };
    for (const auto& [name, column] : endingAtTheRight) {
        SCOPED_TRACE(name);
        const auto [heading, lines] = draw(column);
        ASSERT_GE(lines.size(), 2u);
        // Within a pixel of the frame's right edge, less the label's inset.
        EXPECT_NEAR(heading.maxX(), (column.headingFrame.maxX() - 2) * 2, 1);
        if (column.headingFrame.maxX() == column.paragraphFrame.maxX()) {
            EXPECT_NEAR(heading.maxX(), rightmost(lines), 4);
        }
    }

    const std::vector<std::pair<const char*, Column>> atTheLeadingEdge{
        {"row title", {"تأكيد فتح القفل", arabic, paragraphFrame, TextAlignment::Natural, {30, 99, 24, 24}}},
        {"another column", {"تأكيد فتح القفل", arabic, {60, 20, 250, 72}}},
        {"centred", {"تأكيد فتح القفل", arabic, paragraphFrame, TextAlignment::Center}},
        {"one short line", {"تأكيد فتح القفل", "اقفل Mac الآن."}},
        {"English",
         {"Confirm unlocking",
          "When you come back, your iPhone asks you to confirm before your Mac unlocks.",
          paragraphFrame,
          TextAlignment::Natural,
          {},
          "en"}},
        {"under the paragraph", {"تأكيد فتح القفل", arabic, {60, 124, 240, 72}}},
    };
    for (const auto& [name, column] : atTheLeadingEdge) {
        SCOPED_TRACE(name);
        const auto [heading, lines] = draw(column);
        EXPECT_FALSE(lines.empty());
        EXPECT_NEAR(heading.minX(), (column.headingFrame.minX() + 2) * 2, 4);
    }
}

// Korean is broken only at its spaces: every line holds whole words. A word wider than the line alone
// is still broken, and the measurer counts the lines the drawing shows.
TEST_F(DrawnTextTest, KoreanLinesBreakOnlyBetweenWords) {
    TextLanguage::set("ko");
    const std::string text =
        "iPhone에서 Kestrune을 열고 Bluetooth를 켜 두십시오. 그래도 연결되지 않으면 문제 "
        "해결사를 사용해 보십시오.";
    for (double width : {90.0, 120.0, 170.0}) {
        SCOPED_TRACE(width);
        draw(text, {10, 10, width, 50});
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_GE(drawn.front().lineTexts.size(), 2u);
        std::string joined;
        for (const std::string& line : drawn.front().lineTexts) {
            EXPECT_TRUE(line.empty() || line.front() != ' ') << line;
            if (!joined.empty()) {
                EXPECT_EQ(joined.back(), ' ') << "broken inside a word before: " << line;
            }
            joined += line;
        }
        EXPECT_EQ(joined, text);
        // What the measurer answers for a width is what the drawing shows at that width.
        AttributedString attributed(text, TextAttributes::withFont(Font::systemFontOfSize(13)));
        const double lineHeight = PangoTextMeasurer().measure(attributed, 0).height;
        const double measured = PangoTextMeasurer().measure(attributed, width).height;
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200);
        cairo_t* cr = cairo_create(surface);
        drawn.clear();
        drawPangoText(cr, attributed, {0, 0, width, 200}, 1);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        ASSERT_EQ(drawn.size(), 1u);
        EXPECT_EQ(std::lround(measured / lineHeight), static_cast<long>(drawn.front().lines.size()));
    }
    // A paragraph wider than the line does not stand for the words of the paragraphs after it.
    draw("iPhone에서 Kestrune을 열고 Bluetooth를 켜 두십시오.\n블루투스를 확인하십시오", {10, 10, 110, 50});
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn.front().lineTexts.back(), "확인하십시오");
    const std::string longWord = "가나다라마바사아자차카타파하가나다라마바사";
    draw(longWord, {10, 10, 60, 50});
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_GE(drawn.front().lineTexts.size(), 2u);
    // A word is as wide as its last character's end: one that passes the line by less than that
    // character does not fit, and is broken as any word wider than its line.
    const auto textOf = [](const std::string& text) {
        return AttributedString(text, TextAttributes::withFont(Font::systemFontOfSize(13)));
    };
    const AttributedString word = textOf("블루투스를");
    const double whole = PangoTextMeasurer().measure(word, 0).width;
    const double allButLast = PangoTextMeasurer().measure(textOf("블루투스"), 0).width;
    ASSERT_GT(whole, allButLast + 4);
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 200, 200);
    cairo_t* cr = cairo_create(surface);
    drawn.clear();
    drawPangoText(cr, word, {0, 0, (whole + allButLast) / 2, 200}, 1);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn.front().lineTexts, (std::vector<std::string>{"블루투스", "를"}));
}

// The grey descriptions use a light face that has only Latin letters (and their neighbours): in a
// language it lacks, the whole description is drawn in one regular weight, Latin names included; where
// the light face has the letters it stays light.
TEST_F(DrawnTextTest, ALightDescriptionKeepsOneWeightInEveryLanguage) {
    const Font light = Font::fontWithName_size("Helvetica Neue Light", 12);
    const std::pair<const char*, const char*> texts[] = {{"ja", "Mac と iPhone を接続します"},
                                                         {"ko", "iPhone을 페어링하면 Mac이 잠깁니다"},
                                                         {"zh-Hans", "配对 iPhone 后 Mac 会锁定"},
                                                         {"ar", "افتح Kestrune على iPhone"},
                                                         {"en", "Open Kestrune on the iPhone"}};
    for (const auto& [language, text] : texts) {
        SCOPED_TRACE(language);
        TextLanguage::set(language);
        draw(text, {10, 10, 190, 40}, LineBreakMode::WordWrapping, light);
        ASSERT_EQ(drawn.size(), 1u);
        ASSERT_FALSE(drawn.front().runs.empty());
        for (const auto& run : drawn.front().runs)
            EXPECT_EQ(run.weight, drawn.front().runs.front().weight) << run.text << " in " << run.family;
        if (std::string(language) == "en") {
            EXPECT_LT(drawn.front().runs.front().weight, 400);
        }
    }
}

// Texts whose faces are printed by the launched copy of this program, one line per text: the language,
// then each run's characters and family.
const std::pair<const char*, const char*> kSharedSignTexts[] = {
    {"ja", "接続されていません。有効になります。"}, {"ja", "Touch ID、Face ID またはパスワード"},
    {"zh-Hans", "配对后，你离开时会自动锁定。"},    {"zh-Hans", "iPhone：已连接"},
    {"zh-Hant", "配對後，你離開時會自動鎖定。"},    {"zh-Hant", "Touch ID、Face ID 或密碼"},
    {"en", "Open Kestrune on the iPhone"}};

// Run by the test below in a process of its own, under the locale it sets before anything starts
// fontconfig. It checks what it can alone: each text's Han characters and full-width signs in one face.
TEST_F(DrawnTextTest, DISABLED_PrintsTheFacesOfChineseAndJapanese) {
    for (const auto& [language, text] : kSharedSignTexts) {
        TextLanguage::set(language);
        // A family that is not installed, as most that the interface names.
        draw(text, {10, 10, 190, 40}, LineBreakMode::WordWrapping,
             Font::fontWithName_size("Helvetica Neue", 13));
        ASSERT_EQ(drawn.size(), 1u);
        std::string line = std::string("faces ") + language;
        std::string cjkFamily;
        for (const auto& run : drawn.front().runs) {
            line += " | " + run.text + " = " + run.family;
            const bool latin = std::all_of(run.text.begin(), run.text.end(),
                                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
            if (latin) continue;
            if (cjkFamily.empty()) cjkFamily = run.family;
            EXPECT_EQ(run.family, cjkFamily) << run.text;
        }
        std::cout << line << std::endl;
    }
}

// Chinese and Japanese take the faces the interface's language gives them under any process locale,
// the Korean one included (fontconfig adds the locale's language to every match).
TEST_F(DrawnTextTest, ChineseAndJapaneseTakeTheirFacesUnderEveryLocale) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    auto facesUnder = [&](const std::string& locale) {
        const auto run = testsupport::runProgram(
            {self, "--gtest_also_run_disabled_tests",
             "--gtest_filter=DrawnTextTest.DISABLED_PrintsTheFacesOfChineseAndJapanese"},
            testsupport::childEnvironment({"LANG=", "LC_", "LANGUAGE=", "FC_LANG="}, {"LANG=" + locale}),
            ".");
        EXPECT_EQ(run.status, 0) << locale << "\n" << run.out << run.err;
        std::vector<std::string> faces;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("faces ", 0) == 0) faces.push_back(line);
        return faces;
    };
    const std::vector<std::string> plain = facesUnder("C");
    ASSERT_EQ(plain.size(), std::size(kSharedSignTexts));
    for (const char* locale : {"en_US.UTF-8", "ko_KR.UTF-8", "ja_JP.UTF-8", "zh_CN.UTF-8", "ar_EG.UTF-8"}) {
        SCOPED_TRACE(locale);
        EXPECT_EQ(facesUnder(locale), plain);
    }
}

TEST_F(DrawnTextTest, NobodyIsToldOnceTheObserverIsRemoved) {
    observeDrawnText(nullptr);
    draw("Fotos", {10, 10, 110, 18});
    EXPECT_TRUE(drawn.empty());
}

}  // namespace
}  // namespace platform::ui
