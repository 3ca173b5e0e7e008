// The label styles, fading text, sizing labels around a point and emboldening part of a text.

#include <gtest/gtest.h>

#include "platform/ui/AnimationContext.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/text/KSTextFieldStyles.h"
#include "uikit/text/TextFieldAdditions.h"
#include "uikit/text/TextViewBoldSubstring.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

class TextFieldsTest : public ui::test::Fixture {};

template <typename Style>
void expectStyle(ui::View& container, const std::string& font, double size, const ui::Color& color) {
    auto field = ui::make<Style>(ui::Rect{0, 0, 100, 20});
    container.addSubview(field);
    field->layoutSubtreeIfNeeded();
    EXPECT_TRUE(field->didLayoutViewsOnce()) << font << size;
    EXPECT_EQ(field->font(), ui::Font::fontWithName_size(font, size));
    EXPECT_EQ(field->textColor(), color) << font << size;
}

TEST_F(TextFieldsTest, EachStyleSetsItsFontAndColourAtItsFirstLayout) {
    auto w = window();
    auto& c = *w->contentView();
    const auto black = ui::Color::blackColor(), white = ui::Color::whiteColor(), grey = customLightGray();
    expectStyle<KSTextFieldTitle>(c, "Helvetica", 25, black);
    expectStyle<KSTextFieldTitleWhite>(c, "Helvetica", 25, white);
    expectStyle<KSTextFieldTitle1>(c, "Helvetica", 20, black);
    expectStyle<KSTextFieldTitle1_2>(c, "Helvetica", 16, black);
    expectStyle<KSTextFieldTitle2>(c, "Helvetica", 14, grey);
    expectStyle<KSTextFieldTitle2_2>(c, "Helvetica", 13, grey);
    expectStyle<KSTextFieldTitle3>(c, "Helvetica", 14, black);
    expectStyle<KSTextFieldDescription>(c, "Helvetica Neue Light", 16, grey);
    expectStyle<NSTextFieldDescription2>(c, "Helvetica Neue Light", 13, black);
    expectStyle<KSTextFieldDescription3>(c, "Helvetica Neue Light", 12, grey);
    expectStyle<KSTextFieldDescription3White>(c, "Helvetica Neue Light", 12, white);
    expectStyle<KSTextFieldDescription4>(c, "Helvetica Neue Light", 12, black);
    expectStyle<KSTextFieldDescription5>(c, "Helvetica Neue Light", 9, black);
}

TEST_F(TextFieldsTest, TheStyleIsAppliedOnceAndLaterChangesByCodeStay) {
    auto w = window();
    auto field = ui::make<KSTextFieldTitle2>(ui::Rect{0, 0, 100, 20});
    const ui::Font before = field->font();
    w->contentView()->addSubview(field);
    EXPECT_EQ(field->font(), before);  // nothing until the layout pass
    settle();
    EXPECT_EQ(field->font(), ui::Font::fontWithName_size("Helvetica", 14));
    field->setFont(ui::Font::systemFontOfSize(30));
    field->setTextColor(ui::Color::redColor());
    field->setNeedsLayout(true);
    field->setFrameSize({120, 30});
    settle();
    EXPECT_EQ(field->font(), ui::Font::systemFontOfSize(30));
    EXPECT_EQ(field->textColor(), ui::Color::redColor());
}

TEST_F(TextFieldsTest, NewTextFadesOutIsSetThenFadesIn) {
    auto field = ui::TextField::create({0, 0, 100, 20});
    field->setStringValue("near");
    setAnimatedStringValue(*field, "near");
    EXPECT_TRUE(ui::AnimationContext::recorded().empty());  // the same text does not fade

    setAnimatedStringValue(*field, "far");
    const auto& records = ui::AnimationContext::recorded();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].key, "alphaValue");
    EXPECT_EQ(std::get<double>(records[0].to), 0.0);
    EXPECT_EQ(records[0].duration, 0.2);
    EXPECT_EQ(records[0].timing, ui::TimingFunction::named("easeOut"));
    advance(0.19);
    EXPECT_EQ(field->stringValue(), "near");
    advance(0.01);
    EXPECT_EQ(field->stringValue(), "far");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(std::get<double>(records[1].to), 1.0);
    EXPECT_EQ(records[1].duration, 0.2);
    EXPECT_EQ(records[1].timing, ui::TimingFunction::named("easeIn"));
    EXPECT_EQ(field->alphaValue(), 1.0);
}

TEST_F(TextFieldsTest, LabelsSizeToTheirTextAroundAPoint) {
    auto label = ui::TextField::labelWithString("aaaa bbbb cccc");
    label->setFont(ui::Font::systemFontOfSize(10));  // 5 points a unit, lines of 12
    setWidth_centerPoint(*label, 44, {100, 50});
    // 40 points inside the insets: one word a line.
    EXPECT_EQ(label->frame(), (ui::Rect{78, 32, 44, 36}));
    EXPECT_EQ(textWidthForCurrentHeight(*label), 74);

    setStringValueOrEmptyString(*label, std::nullopt);
    EXPECT_EQ(label->stringValue(), "");
    setStringValueOrEmptyString(*label, "x");
    EXPECT_EQ(label->stringValue(), "x");
}

TEST_F(TextFieldsTest, BoldGoesOnTheFirstOccurrenceOnly) {
    auto field = ui::TextField::create({0, 0, 200, 20});
    field->setStringValue("ab cd ab");
    const ui::Font lucida = ui::Font::fontWithName_size("Lucida Grande", 13);
    boldSubstring(*field, std::nullopt);
    EXPECT_FALSE(field->attributedStringValue());
    boldSubstring(*field, "zz");
    EXPECT_FALSE(field->attributedStringValue());
    boldRange(*field, {7, 2});  // past the end
    EXPECT_FALSE(field->attributedStringValue());

    boldSubstring(*field, "ab");
    auto text = field->attributedStringValue();
    ASSERT_TRUE(text);
    EXPECT_EQ(text->string(), "ab cd ab");
    ui::Range run;
    EXPECT_EQ(text->attributesAtIndex_effectiveRange(0, &run).font, lucida);
    EXPECT_EQ(run, (ui::Range{0, 2}));
    EXPECT_EQ(text->attributesAtIndex_effectiveRange(6).font, field->font());
    EXPECT_EQ(text->attributesAtIndex_effectiveRange(6).foregroundColor, field->textColor());
}

TEST_F(TextFieldsTest, ATextViewTakesTheRangeFoundInAnotherText) {
    auto view = ui::TextView::create({0, 0, 200, 50});
    view->setString("hello world");
    setStringValue_withBoldSubstring(*view, "say world", "world");
    const ui::Font bold = ui::Font::boldSystemFontOfSize(12);
    ui::Range run;
    EXPECT_EQ(view->textStorage().attributesAtIndex_effectiveRange(4, &run).font, bold);
    EXPECT_EQ(run, (ui::Range{4, 5}));  // "o worl" of the view's own text
    EXPECT_NE(view->textStorage().attributesAtIndex_effectiveRange(9).font, bold);
    EXPECT_EQ(view->string(), "hello world");

    auto shortView = ui::TextView::create({0, 0, 200, 50});
    shortView->setString("hi");
    const auto before = shortView->textStorage();
    setStringValue_withBoldSubstring(*shortView, "say world", "world");  // past its text
    setStringValue_withBoldSubstring(*shortView, "say world", "moon");
    EXPECT_EQ(shortView->textStorage(), before);
}

}  // namespace
}  // namespace kestrune
