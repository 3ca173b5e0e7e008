// The blurring view and window, the gradient view and the circle layer.

#include <gtest/gtest.h>

#include "platform/ui/Nib.h"
#include "tests/support/ui/Fixture.h"
#include "uikit/views/BlurredView.h"
#include "uikit/views/BlurredWindowManager.h"
#include "uikit/views/ColorGradientView.h"
#include "uikit/views/FDCircleLayer.h"
#include "uikit/views/RMBlurredView.h"

namespace kestrune {
namespace {

class BlurredViewsTest : public ui::test::Fixture {};

std::vector<std::string> filterNames(const ui::Layer& layer) {
    std::vector<std::string> names;
    for (const auto& f : layer.backgroundFilters()) names.push_back(f.name);
    return names;
}

TEST_F(BlurredViewsTest, ABlurredViewSaturatesThenBlursAndKeepsItsTint) {
    auto view = RMBlurredView::create({0, 0, 100, 50});
    auto layer = view->layer();
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer, view->hostedLayer());
    EXPECT_TRUE(view->layerUsesCoreImageFilters());
    EXPECT_TRUE(layer->masksToBounds());
    EXPECT_TRUE(layer->needsDisplayOnBoundsChange());
    EXPECT_EQ(filterNames(*layer), (std::vector<std::string>{"CIColorControls", "CIGaussianBlur"}));
    EXPECT_EQ(layer->backgroundFilters()[0].parameters.at("inputSaturation"), 2.0);
    EXPECT_EQ(layer->backgroundFilters()[0].parameters.at("inputBrightness"), 0.0);  // the defaults stay
    EXPECT_EQ(layer->backgroundFilters()[1].parameters.at("inputRadius"), 20.0);
    EXPECT_EQ(layer->backgroundColor(), ui::Color::colorWithCalibratedWhite_alpha(1, 0.1));

    view->setBlurRadiusNumber(platform::Number(7.5));
    view->setSaturationFactor(0.5f);
    EXPECT_EQ(view->blurRadius(), 7.5f);
    EXPECT_EQ(layer->backgroundFilters()[1].parameters.at("inputRadius"), 7.5);
    EXPECT_EQ(layer->backgroundFilters()[0].parameters.at("inputSaturation"), 0.5);
    EXPECT_EQ(view->blurFilter(), layer->backgroundFilters()[1]);

    view->setTintColor(ui::Color::blackColor());
    EXPECT_EQ(layer->backgroundColor(), ui::Color::blackColor());
    view->setTintColor(std::nullopt);  // no tint leaves the last background
    EXPECT_EQ(layer->backgroundColor(), ui::Color::blackColor());
    EXPECT_FALSE(view->tintColor());
}

TEST_F(BlurredViewsTest, BothCreationPathsSetTheViewUp) {
    ui::NibRegistry::add("Blurred", [](ui::NibLoader& loader) {
        loader.addTopLevel(loader.make<RMBlurredView>({0, 0, 10, 10}));
    });
    auto loaded = ui::Nib::loadFirst<RMBlurredView>("Blurred", nullptr);
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(loaded->layer());
    EXPECT_EQ(loaded->layer()->backgroundFilters().size(), 2u);
}

TEST_F(BlurredViewsTest, ABlurredWindowAsksForRadius25AndIsSeeThrough) {
    auto w = window();
    EXPECT_FALSE(w->backgroundBlurRadius());
    BlurredWindowManager::enableBlurForWindow(*w);
    EXPECT_FALSE(w->isOpaque());
    EXPECT_EQ(w->backgroundBlurRadius(), 25.0);
}

TEST_F(BlurredViewsTest, GradientViewDrawsAGradientOnlyBetweenDifferentColours) {
    auto pattern = registerImage("wizzard_iphone5", {8, 8});
    auto w = window();
    auto view = ColorGradientView::create({0, 0, 40, 20});
    w->contentView()->addSubview(view);
    ASSERT_TRUE(view->startingColor());
    EXPECT_EQ(view->startingColor()->patternImage(), pattern);
    EXPECT_EQ(view->endingColor(), ui::Color::clearColor());
    EXPECT_EQ(view->angle(), 270);

    view->setStartingColor(ui::Color::redColor());
    view->setEndingColor(ui::Color::blueColor());
    auto list = drawing(*view);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].rfind("gradient rect(0 0 40 20) angle 270", 0), 0u) << list[0];

    view->setEndingColor(ui::Color::redColor());
    list = drawing(*view);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].rfind("fill rect(0 0 40 20) ", 0), 0u) << list[0];

    view->setAngle(90);  // stored only
    settle();
    EXPECT_EQ(view->displayCount(), 2);
}

TEST_F(BlurredViewsTest, ACircleLayerKeepsItsPositionAndAnimatesItsSize) {
    auto circle = FDCircleLayer::initWithRadius(5);
    EXPECT_EQ(circle->bounds(), (ui::Rect{0, 0, 10, 10}));
    EXPECT_EQ(circle->cornerRadius(), 5);
    circle->setPosition({50, 60});
    circle->setRadius_withDuration(12, 3);
    EXPECT_EQ(circle->radius(), 12);
    EXPECT_EQ(circle->position(), (ui::Point{50, 60}));
    EXPECT_EQ(circle->bounds(), (ui::Rect{0, 0, 24, 24}));
    EXPECT_EQ(circle->cornerRadius(), 12);
    auto bounds = circle->animationForKey("bounds");
    ASSERT_TRUE(bounds);
    EXPECT_EQ(bounds->duration, 0.25);  // the transaction's, not the one passed
}

TEST_F(BlurredViewsTest, APlainBlurredViewDrawsNothing) {
    auto w = window();
    auto view = BlurredView::create({0, 0, 10, 10});
    w->contentView()->addSubview(view);
    EXPECT_TRUE(drawing(*view).empty());
    EXPECT_EQ(view->displayCount(), 1);
}

}  // namespace
}  // namespace kestrune
