// The keyboard focus ring around the first responder of the key window, recorded and in pixels, and the
// shadows of text in pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/ui/Button.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/TextField.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/ui/Fixture.h"

namespace platform::ui {
namespace {

class Painted : public View {
public:
    std::function<void()> paint;
    void drawRect(Rect) override {
        if (paint) paint();
    }
};

bool hasLine(const DisplayList& list, const std::string& start) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

class FocusRingTest : public test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        w = window({100, 100, 300, 200});
        field = TextField::create({50, 100, 200, 24});
        button = Button::create({50, 40, 100, 30});
        w->contentView()->addSubview(field);
        w->contentView()->addSubview(button);
        settle();
    }
    std::shared_ptr<Window> w;
    std::shared_ptr<TextField> field;
    std::shared_ptr<Button> button;
};

TEST_F(FocusRingTest, AFieldBeingEditedInTheKeyWindowIsRingedUntilItOrItsWindowLosesFocus) {
    EXPECT_FALSE(hasLine(drawing(*field), "begin focus ring mask"));
    click(*field, {10, 10});
    settle();
    ASSERT_EQ(w->firstResponder().get(), field.get());
    const DisplayList& ringed = drawing(*field);
    // After the field's own drawing: the mask (its frame), then the ring in the platform's colour.
    auto begin = std::find(ringed.begin(), ringed.end(), "begin focus ring mask in 0 0 200 24");
    ASSERT_NE(begin, ringed.end());
    ASSERT_LT(begin + 2, ringed.end());
    EXPECT_EQ(begin[1].rfind("fill rect(0 0 200 24)", 0), 0u) << begin[1];
    EXPECT_EQ(begin[2], "end focus ring mask " + Color::keyboardFocusIndicatorColor().description());

    // Another window becomes key: the ring goes, and comes back with the key.
    auto other = window({500, 100, 100, 100});
    settle();
    EXPECT_FALSE(hasLine(drawing(*field), "begin focus ring mask"));
    w->makeKeyWindow();
    settle();
    EXPECT_TRUE(hasLine(drawing(*field), "begin focus ring mask"));

    w->makeFirstResponder(nullptr);
    settle();
    EXPECT_FALSE(hasLine(drawing(*field), "begin focus ring mask"));

    // A field that asks for no ring, and a label being selected, show none.
    field->setFocusRingType(FocusRingType::None);
    w->makeFirstResponder(field);
    settle();
    EXPECT_FALSE(hasLine(drawing(*field), "begin focus ring mask"));
    auto label = TextField::labelWithString("Selectable");
    label->setSelectable(true);
    w->contentView()->addSubview(label);
    ASSERT_TRUE(w->makeFirstResponder(label));
    settle();
    EXPECT_FALSE(hasLine(drawing(*label), "fill"));
}

TEST_F(FocusRingTest, AButtonShowsItsRingRoundItsBezelOnlyWhenItTakesFocusFromTheKeyboard) {
    ASSERT_TRUE(w->makeFirstResponder(button));
    settle();
    EXPECT_FALSE(hasLine(drawing(*button), "begin focus ring mask"));  // a click gives no keyboard focus

    Application::shared().setFullKeyboardAccessEnabled(true);
    button->setNeedsDisplay(true);
    settle();
    const DisplayList& list = drawing(*button);
    auto begin = std::find(list.begin(), list.end(), "begin focus ring mask in 0 0 100 30");
    ASSERT_NE(begin, list.end());
    EXPECT_EQ(begin[1].rfind("fill rrect(1 1 98 28 5 5)", 0), 0u) << begin[1];
}

TEST_F(FocusRingTest, TheRingIsPaintedJustOutsideTheFieldInTheFocusColour) {
    auto pixels = [&] {
        return CairoRenderer().renderView(*w->contentView(), w->contentView()->bounds(), 1);
    };
    // Rows from the top: the field covers rows 76..99 and columns 50..249.
    const Bitmap before = pixels();
    w->makeFirstResponder(field);
    settle();
    const Bitmap after = pixels();
    const Color focus = Color::keyboardFocusIndicatorColor();
    for (auto [x, y] : {std::pair{150, 74}, {150, 101}, {48, 88}, {251, 88}}) {
        SCOPED_TRACE(testing::Message() << x << "," << y);
        const auto ring = after.rgbaAt(x, y), plain = before.rgbaAt(x, y);
        // The ring's blue over the window's background, where there was only the background.
        EXPECT_GT(ring.b - ring.r, plain.b - plain.r + 40);
        EXPECT_NEAR(ring.b - ring.r,
                    (focus.blueComponent() - focus.redComponent()) * 255 * focus.alphaComponent() +
                        (plain.b - plain.r) * (1 - focus.alphaComponent()),
                    25);
    }
    // Inside the field and well away from it, nothing changes.
    EXPECT_EQ(after.pixelAt(150, 88), before.pixelAt(150, 88));
    EXPECT_EQ(after.pixelAt(150, 68), before.pixelAt(150, 68));
    EXPECT_EQ(after.pixelAt(40, 88), before.pixelAt(40, 88));
}

class TextShadowTest : public test::Fixture {
protected:
    // White text on a clear view, one pixel a point (y counted from the top row).
    Bitmap render(std::optional<Shadow> attributeShadow, std::optional<Shadow> contextShadow) {
        auto view = make<Painted>(Rect{0, 0, 120, 80});
        view->paint = [&] {
            TextAttributes a = TextAttributes::withFont(Font::boldSystemFontOfSize(36), Color::whiteColor());
            a.shadow = attributeShadow;
            auto* c = GraphicsContext::current();
            c->setShadow(contextShadow);
            AttributedString("HIH", a).drawInRect({20, 20, 90, 45});
        };
        return CairoRenderer().renderView(*view, view->bounds(), 1);
    }
    static bool dark(Bitmap::RGBA p) { return p.a > 200 && p.r < 60; }
    static int count(const Bitmap& b, bool (*test)(Bitmap::RGBA)) {
        int n = 0;
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x) n += test(b.rgbaAt(x, y));
        return n;
    }
    // How many of the shadow's dark pixels lie where the plain text has ink moved by (dx, dy) pixels.
    static double shareUnderTextMovedBy(const Bitmap& shadowed, const Bitmap& plain, int dx, int dy) {
        int darkPixels = 0, matched = 0;
        for (int y = 0; y < shadowed.height; ++y)
            for (int x = 0; x < shadowed.width; ++x) {
                if (!dark(shadowed.rgbaAt(x, y))) continue;
                ++darkPixels;
                const int sx = x - dx, sy = y - dy;
                matched += sx >= 0 && sy >= 0 && sx < plain.width && sy < plain.height &&
                           plain.rgbaAt(sx, sy).a > 100;
            }
        return darkPixels ? static_cast<double>(matched) / darkPixels : 0;
    }
};

TEST_F(TextShadowTest, AShadowedTextCastsItsShadowByTheOffsetUnderTheLetters) {
    const Bitmap plain = render(std::nullopt, std::nullopt);
    EXPECT_GT(count(plain, [](Bitmap::RGBA p) { return p.a > 200 && p.r > 200; }), 200);
    EXPECT_EQ(count(plain, dark), 0);

    Shadow down;  // black, 3 points right and 3 down, sharp
    down.shadowColor = Color::blackColor();
    down.shadowOffset = {3, -3};
    const Bitmap shadowed = render(down, std::nullopt);
    EXPECT_GT(count(shadowed, dark), 50);
    EXPECT_GT(shareUnderTextMovedBy(shadowed, plain, 3, 3), 0.95);  // rows count downwards
    EXPECT_LT(shareUnderTextMovedBy(shadowed, plain, -3, -3), 0.5);
    // The letters stay on top of their shadow.
    EXPECT_EQ(count(shadowed, [](Bitmap::RGBA p) { return p.a > 200 && p.r > 200; }),
              count(plain, [](Bitmap::RGBA p) { return p.a > 200 && p.r > 200; }));

    // The context's shadow falls under text too, and the text's own shadow wins over it.
    Shadow up = down;
    up.shadowOffset = {-3, 3};
    const Bitmap fromContext = render(std::nullopt, up);
    EXPECT_GT(count(fromContext, dark), 50);
    EXPECT_GT(shareUnderTextMovedBy(fromContext, plain, -3, -3), 0.95);
    EXPECT_GT(shareUnderTextMovedBy(render(down, up), plain, 3, 3), 0.95);
}

TEST_F(TextShadowTest, ABlurredShadowSpreadsFaintly) {
    auto faint = [](Bitmap::RGBA p) { return p.a > 0 && p.a < 100 && p.r < 60; };
    const Bitmap sharp = render(Shadow{Color::blackColor(), {0, -2}, 0}, std::nullopt);
    const Bitmap blurred = render(Shadow{Color::blackColor(), {0, -2}, 6}, std::nullopt);
    EXPECT_GT(count(blurred, faint), count(sharp, faint) + 100);
}

TEST_F(TextShadowTest, TheRecordingNamesATextsShadow) {
    TextAttributes a = TextAttributes::withFont(Font::systemFontOfSize(12), Color::whiteColor());
    a.shadow = Shadow{Color::blackColor(), {0, -1}, 0};
    RecordingContext context;
    context.drawText(AttributedString("12:30", a), {0, 0, 60, 20});
    ASSERT_EQ(context.displayList().size(), 1u);
    EXPECT_NE(context.displayList()[0].find(" shadow 0 -1 0 " + Color::blackColor().description()),
              std::string::npos)
        << context.displayList()[0];
}

}  // namespace
}  // namespace platform::ui
