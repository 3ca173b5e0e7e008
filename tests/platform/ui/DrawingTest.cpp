// Colours, fonts, attributed strings, the fixed measurer and recorded drawing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>

#include "platform/storage/Files.h"
#include "platform/system/Bundle.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

TEST(ColorTest, EqualityComparesSpaceAndComponents) {
    const auto calibrated = Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1);
    EXPECT_EQ(calibrated, Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1));
    EXPECT_NE(calibrated, Color::colorWithDeviceRed_green_blue_alpha(1, 0, 0, 1));
    EXPECT_NE(Color::colorWithCalibratedWhite_alpha(1, 1),
              Color::colorWithCalibratedRed_green_blue_alpha(1, 1, 1, 1));
    EXPECT_EQ(Color::clearColor(), Color::clearColor());
    EXPECT_NE(Color::clearColor(), Color::blackColor().colorWithAlphaComponent(0));
    auto image = Image::create({2, 2});
    EXPECT_EQ(Color::colorWithPatternImage(image), Color::colorWithPatternImage(image));
    EXPECT_NE(Color::colorWithPatternImage(image), Color::colorWithPatternImage(Image::create({2, 2})));
}

TEST(ColorTest, ConversionsBetweenSpaces) {
    const auto white = Color::colorWithCalibratedWhite_alpha(0.5, 0.25);
    const auto rgb = white.colorUsingColorSpaceName("NSDeviceRGBColorSpace");
    ASSERT_TRUE(rgb);
    EXPECT_EQ(*rgb, Color::colorWithDeviceRed_green_blue_alpha(0.5, 0.5, 0.5, 0.25));
    const auto grey = Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1)
                          .colorUsingColorSpaceName("NSCalibratedWhiteColorSpace");
    ASSERT_TRUE(grey);
    EXPECT_NEAR(grey->whiteComponent(), 0.299, 1e-12);
    EXPECT_FALSE(Color::colorWithPatternImage(nullptr).colorUsingColorSpaceName("NSCalibratedRGBColorSpace"));
    EXPECT_FALSE(white.colorUsingColorSpaceName("NSNoSuchColorSpace"));
    // Components are kept within 0..1.
    EXPECT_DOUBLE_EQ(Color::colorWithDeviceRed_green_blue_alpha(2, -1, 0.5, 1).redComponent(), 1);
    EXPECT_FALSE(Color::named("noSuchColor"));
    EXPECT_EQ(Font::fontWithName_size("Helvetica Neue Thin", 0).pointSize(),
              13);  // a font is always answered
}

TEST(AttributedStringTest, IndexesCountUTF16Units) {
    AttributedString s("a😀b", TextAttributes::withFont(Font::systemFontOfSize(10)));
    EXPECT_EQ(s.length(), 4u);
    s.addAttributes_range(TextAttributes::withFont(Font::systemFontOfSize(20), Color::redColor()), {1, 2});
    Range effective;
    EXPECT_EQ(s.attributesAtIndex_effectiveRange(2, &effective).effectiveFont().pointSize(), 20);
    EXPECT_EQ(effective, Range(1, 2));
    EXPECT_EQ(s.attributesAtIndex_effectiveRange(3, &effective).effectiveFont().pointSize(), 10);
    EXPECT_EQ(effective, Range(3, 1));
    const auto runs = s.runs();
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[1].text, "😀");
    s.replaceCharactersInRange_withString({1, 2}, "xy");
    EXPECT_EQ(s.string(), "axyb");
    EXPECT_EQ(s.attributesAtIndex_effectiveRange(1).effectiveColor(), Color::redColor());
    // Ranges past the end are cut, never read beyond the text.
    s.addAttributes_range(TextAttributes::withFont(Font::systemFontOfSize(30)), {3, 100});
    EXPECT_EQ(s.attributesAtIndex_effectiveRange(3).effectiveFont().pointSize(), 30);
    EXPECT_EQ(s.attributedSubstringFromRange({2, 50}).string(), "yb");
}

TEST(FixedTextMeasurerTest, AdvancesHalfTheSizeAndWrapsAtSpaces) {
    FixedTextMeasurer m;
    const AttributedString text("hello world", TextAttributes::withFont(Font::systemFontOfSize(10)));
    struct Case {
        double width;
        Size size;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {0, {55, 12}, {"hello world"}},
        {55, {55, 12}, {"hello world"}},
        {30, {25, 24}, {"hello", "world"}},
        {25, {25, 24}, {"hello", "world"}},
    };
    for (const auto& k : cases) {
        EXPECT_EQ(m.measure(text, k.width), k.size) << k.width;
        EXPECT_EQ(m.lines(text, k.width), k.lines) << k.width;
    }
    // A word wider than the line breaks where it overflows.
    const AttributedString word("abcdef", TextAttributes::withFont(Font::systemFontOfSize(10)));
    EXPECT_EQ(m.lines(word, 20), (std::vector<std::string>{"abcd", "ef"}));
    EXPECT_EQ(m.measure(AttributedString(""), 0), Size(0, 0));
}

class Swatch : public View {
public:
    void drawRect(Rect) override {
        auto* c = GraphicsContext::current();
        c->saveGState();
        c->setFillColor(Color::colorWithCalibratedRed_green_blue_alpha(1, 0, 0, 1));
        c->fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius({0, 0, 20, 10}, 3, 3));
        c->restoreGState();
        AttributedString("Hi", TextAttributes::withFont(Font::systemFontOfSize(10)))
            .drawInRect({2, 2, 16, 12});
        Image::imageNamed("dot")->drawInRect_fromRect_operation_fraction(
            {0, 0, 4, 4}, {}, CompositingOperation::SourceOver, 0.5);
    }
};

class DrawingTest : public test::Fixture {};

TEST_F(DrawingTest, DisplayListsRecordWhatAViewDrew) {
    registerImage("dot", {4, 4});
    auto w = window();
    auto a = make<Swatch>(Rect{0, 0, 20, 10});
    auto b = make<Swatch>(Rect{30, 0, 20, 10});
    w->contentView()->addSubview(a);
    w->contentView()->addSubview(b);
    const DisplayList expected = {
        "save",
        "fill rrect(0 0 20 10 3 3) rgba(1,0,0,1)",
        "restore",
        "text \"Hi\" in 2 2 16 12 font DejaVu Sans 10 rgba(0,0,0,1)",
        "image dot in 0 0 4 4 sourceOver 0.5",
    };
    EXPECT_EQ(drawing(*a), expected);
    EXPECT_EQ(drawing(*a), drawing(*b));
    EXPECT_EQ(Image::imageNamed("missing"), nullptr);
}

TEST_F(DrawingTest, TextFieldsPlaceTheirTextByAlignment) {
    auto w = window();
    struct Case {
        TextAlignment alignment;
        double x;
    };
    // "ab" at 13 points is 13 wide and 15.6 high; the bezel insets it by 4; the line sits in the middle.
    const Case cases[] = {
        {TextAlignment::Left, 4}, {TextAlignment::Center, 43.5}, {TextAlignment::Right, 83}};
    for (const auto& k : cases) {
        auto field = TextField::create({0, 0, 100, 22});
        field->setStringValue("ab");
        field->setAlignment(k.alignment);
        w->contentView()->addSubview(field);
        const auto& list = drawing(*field);
        ASSERT_EQ(list.size(), 6u);
        EXPECT_EQ(list[0], "fill rect(0 0 100 22) rgba(1,1,1,1)");
        char expected[160];
        std::snprintf(expected, sizeof expected,
                      "text \"ab\" in %g 3.2 13 15.6 font DejaVu Sans 13 rgba(0,0,0,0.85)", k.x);
        EXPECT_EQ(list[4], expected);
        field->removeFromSuperview();
    }
    // A label as high as its text fills it exactly; wrapped lines start at the top.
    auto label = TextField::labelWithString("ab");
    w->contentView()->addSubview(label);
    const auto drawn = drawing(*label);
    EXPECT_NE(std::find(drawn.begin(), drawn.end(),
                        "text \"ab\" in 2 0 13 15.6 font DejaVu Sans 13 rgba(0,0,0,0.85)"),
              drawn.end());
    auto wrapped = TextField::create({0, 0, 30, 60});
    wrapped->setStringValue("ab cd ef");
    w->contentView()->addSubview(wrapped);
    const auto list = drawing(*wrapped);
    ASSERT_GE(list.size(), 5u);
    // Three lines of 15.6 that start 2 below the top of the 60-point field, laid out in its whole width.
    EXPECT_EQ(list[4], "text \"ab cd ef\" in 4 11.2 22 46.8 font DejaVu Sans 13 rgba(0,0,0,0.85)");
    // A secure field shows one bullet per character (UTF-16 units, as the field counts them).
    auto secure = TextField::create({0, 0, 100, 22});
    secure->setStringValue("p\u00e9");
    secure->setSecure(true);
    w->contentView()->addSubview(secure);
    const auto hidden = drawing(*secure);
    EXPECT_TRUE(std::any_of(hidden.begin(), hidden.end(), [](const std::string& line) {
        return line.rfind("text \"\u2022\u2022\" in", 0) == 0;
    }));
}

TEST_F(DrawingTest, NamedImagesComeFromTheRegistryThenTheBundle) {
    Renderer::install(std::make_shared<CairoRenderer>());
    const std::string bundle = home() + "/bundle";
    ASSERT_TRUE(platform::Files::createDirectories(bundle + "/images"));
    Bitmap pixels;
    pixels.width = 3;
    pixels.height = 5;
    pixels.pixels.assign(15, 0xff00ff00);
    ASSERT_TRUE(
        Image::createWithBitmap(pixels, {3, 5})->writePNGToFile(bundle + "/images/wizzard_iphone5.png"));
    setenv("KESTRUNE_BUNDLE_PATH", bundle.c_str(), 1);
    platform::Bundle::main().reload();
    auto image = Image::imageNamed("wizzard_iphone5");
    unsetenv("KESTRUNE_BUNDLE_PATH");
    platform::Bundle::main().reload();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), Size(3, 5));
    EXPECT_EQ(image->name(), "wizzard_iphone5");
    EXPECT_EQ(Image::imageNamed("wizzard_iphone5"), image);  // kept once found
    auto registered = registerImage("wizzard_iphone5", {1, 1});
    EXPECT_EQ(Image::imageNamed("wizzard_iphone5"), registered);
}

}  // namespace
}  // namespace platform::ui
