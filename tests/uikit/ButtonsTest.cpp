// The flat buttons' titles, widths and colours; icon, nib-width, tinted and hover buttons; radio
// buttons and check boxes; the additions to every button.

#include <gtest/gtest.h>

#include "platform/system/SystemVersion.h"
#include "platform/ui/AnimationContext.h"
#include "platform/ui/Nib.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/ButtonViewModelFactory.h"
#include "uikit/buttons/KSButton3.h"
#include "uikit/buttons/KSButtonIcon.h"
#include "uikit/buttons/KSButtonIconTinted.h"
#include "uikit/buttons/KSButtonNibWidth.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/buttons/KSRadioButton.h"
#include "uikit/buttons/MyButton.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

using ui::Rect;

class ButtonsTest : public ui::test::Fixture {
protected:
    void SetUp() override {
        Fixture::SetUp();
        window_ = window({100, 100, 600, 400});
    }
    // A button as a layout makes it: from the layout's frame, then woken.
    template <typename T>
    std::shared_ptr<T> fromLayout(Rect frame) {
        ui::NibRegistry::add("Buttons",
                             [frame](ui::NibLoader& loader) { loader.addTopLevel(loader.make<T>(frame)); });
        auto button = ui::Nib::loadFirst<T>("Buttons", nullptr);
        window_->contentView()->addSubview(button);
        return button;
    }
    std::shared_ptr<ui::Window> window_;
};

// A button in a window that is not on screen is sized at the window's first layout pass on screen, not
// before: measuring its title is left until someone can see it.
TEST_F(ButtonsTest, AWindowOffScreenSizesItsButtonsWhenItComesOnScreen) {
    auto button = fromLayout<KSButton3>({100, 10, 80, 30});
    window_->orderOut(nullptr);
    button->setTitle("twenty characters ok");
    advance(0.05);
    EXPECT_EQ(button->frame(), (Rect{100, 10, 80, 30}));
    window_->orderFront(nullptr);
    advance(0.01);
    EXPECT_EQ(button->frame(), (Rect{70, 10, 140, 30}));
    // On screen, a change is sized 0.01 s later as before.
    button->setTitle("x");
    advance(0.01);
    EXPECT_EQ(button->frame(), (Rect{90, 10, 100, 30}));
}

TEST_F(ButtonsTest, TitlesAreUpperCaseAndTheWidthFollowsThemAboutTheCentre) {
    auto button = fromLayout<KSButton3>({100, 10, 80, 30});
    EXPECT_EQ(button->nibWidth(), 80);
    button->setTitle("straße");
    EXPECT_EQ(button->title(), "STRASSE");
    EXPECT_EQ(button->frame().width(), 80);  // 0.01 s later
    advance(0.01);
    // 7 units of 5.5 points (Helvetica Neue 11) + 30 is below 100: 100 wide, same centre.
    EXPECT_EQ(button->frame(), (Rect{90, 10, 100, 30}));
    EXPECT_EQ(button->nibCenter(), (ui::Point{140, 25}));

    button->setStringValue("twenty characters ok");
    advance(0.01);
    EXPECT_EQ(button->title(), "TWENTY CHARACTERS OK");
    EXPECT_EQ(button->frame(), (Rect{70, 10, 140, 30}));  // 110 + 30
    EXPECT_EQ(button->getTitleLabelWidth(), 140);
}

TEST_F(ButtonsTest, TheFirstDrawingSetsDefaultsUnlessAViewModelCameFirst) {
    auto plain = fromLayout<KSButton3>({0, 0, 120, 30});
    plain->setCustomBackgroundColor(ui::Color::redColor());
    settle();  // first drawing: defaults again
    EXPECT_TRUE(plain->didSetupView());
    ASSERT_TRUE(plain->layer());
    EXPECT_EQ(plain->layer()->backgroundColor(), custom3());
    EXPECT_EQ(plain->layer()->cornerRadius(), 10);
    EXPECT_EQ(textColor(*plain), custom2());
    EXPECT_EQ(plain->buttonType(), ui::ButtonType::MomentaryPushIn);

    auto modelled = fromLayout<KSButton3>({0, 50, 120, 30});
    auto model = ButtonViewModel::initWithTitle_action("go", nullptr);
    model->setColor(ui::Color::blueColor());
    model->setTextColor(ui::Color::whiteColor());
    modelled->setViewModel(model);
    settle();
    advance(0.01);
    EXPECT_EQ(modelled->viewModel(), model);
    EXPECT_EQ(modelled->title(), "GO");
    EXPECT_EQ(modelled->layer()->backgroundColor(), ui::Color::blueColor());
    EXPECT_EQ(textColor(*modelled), ui::Color::whiteColor());  // kept after the title's own change
}

TEST_F(ButtonsTest, AButtonReleasedBeforeItsSizeUpdateIsLeftAlone) {
    auto button = KSButton3::create({0, 0, 50, 20});
    button->setTitle("x");
    std::weak_ptr<KSButton3> weak = button;
    button.reset();
    EXPECT_TRUE(weak.expired());  // the pending update does not hold it
    advance(0.01);
}

TEST_F(ButtonsTest, IconButtonsGrowToTheRightAndPaintTheirIcon) {
    registerImage("back_arrow", {12, 12});
    auto button = fromLayout<KSButtonIcon>({100, 10, 80, 30});
    auto model = ButtonViewModelFactory::checkButton();
    button->setViewModel(model);
    advance(0.01);
    EXPECT_EQ(button->iconName(), "back_arrow");
    // "TEST": 4 units of 5.5 + 35; origin and height unchanged.
    EXPECT_EQ(button->frame(), (Rect{100, 10, 57, 30}));
    ASSERT_TRUE(button->image());
    EXPECT_TRUE(button->image()->drawingHandler());  // painted in the text colour
    EXPECT_EQ(button->imagePosition(), ui::ImagePosition::ImageLeft);
    EXPECT_EQ(button->alignment(), ui::TextAlignment::Left);

    button->setTitle_withIcon("a much longer title", "back_arrow");
    advance(0.01);
    EXPECT_EQ(button->frame(), (Rect{100, 10, 19 * 5.5 + 35, 30}));
}

TEST_F(ButtonsTest, NibWidthButtonsKeepTheirLayoutsWidth) {
    auto button = fromLayout<KSButtonNibWidth>({100, 10, 150, 30});
    settle();
    button->setTitle("a title far longer than the button itself");
    advance(0.01);
    EXPECT_EQ(button->frame(), (Rect{100, 10, 150, 30}));
    button->setTitle("x");
    advance(0.01);
    EXPECT_EQ(button->frame().width(), 150);
}

TEST_F(ButtonsTest, RadioPicturesReloadOnlyWhenTheirNamesChange) {
    auto onFirst = registerImage("on", {14, 14});
    auto offFirst = registerImage("off", {14, 14});
    auto radio = CustomImageRadioButton::create({0, 0, 100, 20});
    radio->setSelectedImageName_unselectedImageName("on", "off");
    EXPECT_EQ(radio->image(), offFirst);
    radio->setIsSelected(true);
    EXPECT_EQ(radio->image(), onFirst);

    registerImage("on", {14, 14});  // a new picture under the same name
    radio->setSelectedImageName_unselectedImageName("on", "off");
    EXPECT_EQ(radio->imageForSelectedState(), onFirst);
    window_->contentView()->addSubview(radio);
    settle();  // drawing updates the view but loads nothing
    EXPECT_EQ(radio->imageForSelectedState(), onFirst);

    radio->setSelectedImageName_unselectedImageName("on", "other");
    EXPECT_NE(radio->imageForSelectedState(), onFirst);
    EXPECT_EQ(radio->imageForSelectedState(), ui::Image::imageNamed("on"));
    EXPECT_FALSE(radio->imageForDeselectedState());  // no such picture
    EXPECT_FALSE(radio->updateImagesOnNextRender());

    auto checked = registerImage("checkbox_checked", {14, 14});
    auto unchecked = registerImage("checkbox_unchecked", {14, 14});
    auto ks = KSRadioButton::create({0, 30, 100, 20});
    window_->contentView()->addSubview(ks);
    settle();
    EXPECT_EQ(ks->selectedImageName(), "checkbox_checked");
    EXPECT_EQ(ks->image(), unchecked);
    ks->setIsSelected(true);
    EXPECT_EQ(ks->image(), checked);
}

TEST_F(ButtonsTest, CheckBoxesTakeTheirPicturesAtTheFirstLayout) {
    auto checked = registerImage("checkbox_checked", {14, 14});
    auto unchecked = registerImage("checkbox_unchecked", {14, 14});
    auto box = KSCustomCheckBox::create({10, 10, 150, 20});
    box->setTitle("Remember");
    box->setState(ui::kStateOn);
    window_->contentView()->addSubview(box);
    const auto& list = drawing(*box);
    EXPECT_TRUE(box->didLayoutViewsOnce());
    EXPECT_EQ(box->buttonType(), ui::ButtonType::Switch);
    EXPECT_EQ(box->image(), unchecked);
    EXPECT_EQ(box->alternateImage(), checked);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], "image checkbox_checked in 0 3 14 14 sourceOver 1");
    EXPECT_EQ(list[1].rfind("text \"Remember\" in 18 ", 0), 0u) << list[1];
    box->setState(ui::kStateOff);
    EXPECT_EQ(drawing(*box)[0], "image checkbox_unchecked in 0 3 14 14 sourceOver 1");
}

TEST_F(ButtonsTest, TintedAndHoverButtonsPaintTheirPicturesBlack) {
    registerImage("bell", {10, 10});
    auto tinted = KSButtonIconTinted::create({0, 0, 20, 20});
    tinted->setImage(ui::Image::imageNamed("bell"));
    ASSERT_TRUE(tinted->image());
    EXPECT_TRUE(tinted->image()->drawingHandler());

    auto hover = fromLayout<MyButton>({50, 50, 40, 40});
    ASSERT_EQ(hover->trackingAreas().size(), 1u);
    EXPECT_EQ(hover->trackingAreas()[0]->options(), 833u);
    EXPECT_EQ(hover->alphaValue(), 0.6);
    moveMouse(*hover, {5, 5});  // assumed inside already: nothing
    EXPECT_EQ(hover->alphaValue(), 0.6);
    moveMouse(*hover, {-20, -20});
    EXPECT_EQ(hover->alphaValue(), 0.6);
    moveMouse(*hover, {20, 20});
    EXPECT_EQ(hover->alphaValue(), 1.0);
    EXPECT_EQ(ui::AnimationContext::recorded().back().key, "alphaValue");
    moveMouse(*hover, {100, 100});
    EXPECT_EQ(hover->alphaValue(), 0.6);
}

TEST_F(ButtonsTest, EnablingLooksAndTextColours) {
    auto button = ui::Button::create({0, 0, 80, 20});
    setCustomEnabled(*button, false);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->alphaValue(), 0.0);
    setCustomEnabled(*button, true);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(button->alphaValue(), 1.0);
    setKestruneDisabledButtonWithText(*button, "Later");
    EXPECT_EQ(button->alphaValue(), 0.5);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(button->title(), "Later");
    setKestruneEnabledButtonWithText(*button, "Now");
    EXPECT_EQ(button->alphaValue(), 1.0);
    EXPECT_TRUE(button->isEnabled());
    setToDefaultProperties(*button);
    EXPECT_FALSE(button->isBordered());
    EXPECT_EQ(button->buttonType(), ui::ButtonType::MomentaryChange);
    EXPECT_EQ(button->bezelStyle(), ui::BezelStyle::Rounded);

    EXPECT_FALSE(textColor(*button));  // a title with no colour of its own
    setTextColor(*button, ui::Color::redColor());
    EXPECT_EQ(textColor(*button), ui::Color::redColor());
    ASSERT_TRUE(button->attributedTitle());
    EXPECT_EQ(button->attributedTitle()->string(), "Now");
    EXPECT_EQ(button->attributedTitle()->attributesAtIndex_effectiveRange(2).foregroundColor,
              ui::Color::redColor());
    button->setTitle("");
    setTextColor(*button, ui::Color::redColor());
    EXPECT_EQ(textColor(*button), ui::Color::controlTextColor());
}

TEST_F(ButtonsTest, PreservedCornersExceptOnTenNine) {
    auto button = ui::Button::create({0, 0, 80, 20});
    auto image = ui::Image::create({40, 40});
    setImageWithPreservedCorners(*button, image);
    EXPECT_EQ(button->image(), image);
    EXPECT_EQ(image->capInsets(), (ui::EdgeInsets{10, 10, 10, 10}));
    platform::SystemVersion::setOverride("10.9.5");
    auto old = ui::Image::create({40, 40});
    setPreservedImageCorners(*old);
    EXPECT_EQ(old->capInsets(), ui::EdgeInsets{});
    platform::SystemVersion::setOverride(std::nullopt);
}

}  // namespace
}  // namespace kestrune
