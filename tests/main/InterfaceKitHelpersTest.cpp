// The engine's view helpers, as the program's entry installs them, do what the interface kit does.

#include "main/InterfaceKitHelpers.h"

#include "platform/ui/Application.h"
#include "platform/ui/Layer.h"
#include "platform/ui/Screen.h"
#include "tests/support/ui/Fixture.h"

namespace {

namespace ui = platform::ui;

class InterfaceKitHelpersTest : public ui::test::Fixture {
protected:
    void TearDown() override {
        kestrune::ViewHelpers::install(nullptr);
        ui::test::Fixture::TearDown();
    }
};

TEST_F(InterfaceKitHelpersTest, EachHelperReachesTheKit) {
    kestrune::installInterfaceKitHelpers();
    auto helpers = kestrune::ViewHelpers::current();
    ASSERT_TRUE(std::dynamic_pointer_cast<kestrune::InterfaceKitHelpers>(helpers));
    auto w = window({100, 100, 400, 300});
    auto view = ui::View::create({0, 0, 50, 50});
    w->contentView()->addSubview(view);

    helpers->setBackgouroundColor(*view, ui::Color::colorWithCalibratedWhite_alpha(1.0, 0.25));
    ASSERT_TRUE(view->layer());
    ASSERT_TRUE(view->layer()->backgroundColor());
    EXPECT_EQ(view->layer()->backgroundColor()->alphaComponent(), 0.25);

    helpers->setAlpha_withDuration(*view, 0.4, 0);
    EXPECT_EQ(view->alphaValue(), 0.4);

    helpers->setRoundedCornerSize(*view, 12);
    EXPECT_EQ(view->layer()->cornerRadius(), 12);
    EXPECT_TRUE(view->layer()->masksToBounds());

    ui::Application::shared().deactivate();
    auto screen = std::make_shared<ui::Screen>(ui::Rect{1440, 0, 1920, 1080}, 2);
    helpers->showWindowInCenter(*w, screen);
    EXPECT_EQ(w->frame().minX() + w->frame().width() / 2, 1440 + 960);
    EXPECT_EQ(w->frame().minY() + w->frame().height() / 2, 540);
    EXPECT_TRUE(w->isKeyWindow());
    EXPECT_TRUE(ui::Application::shared().isActive());
}

}  // namespace
