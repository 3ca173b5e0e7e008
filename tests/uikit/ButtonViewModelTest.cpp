// Button descriptions and their ready-made forms.

#include <gtest/gtest.h>

#include "uikit/buttons/ButtonViewModelFactory.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

TEST(ButtonViewModelTest, TheActionRunsOnlyWhenThereIsOne) {
    int runs = 0;
    auto model = ButtonViewModel::initWithTitle_action("Save", [&] { ++runs; });
    EXPECT_EQ(model->title(), "Save");
    model->executeAction();
    model->executeAction();
    EXPECT_EQ(runs, 2);
    model->setAction(nullptr);
    model->executeAction();  // nothing to run, nothing happens
    EXPECT_EQ(runs, 2);
    ButtonViewModel().executeAction();
}

TEST(ButtonViewModelTest, FactoryForms) {
    auto check = ButtonViewModelFactory::checkButton();
    EXPECT_EQ(check->title(), "test");
    EXPECT_EQ(check->iconName(), "back_arrow");
    EXPECT_EQ(check->color(), mockupsBlueButtonColor());
    EXPECT_EQ(check->textColor(), ui::Color::whiteColor());
    EXPECT_FALSE(check->action());

    auto back = ButtonViewModelFactory::backButton(std::make_shared<int>(1));
    EXPECT_TRUE(back->title().empty());
    EXPECT_TRUE(back->iconName().empty());
    EXPECT_FALSE(back->color());
    EXPECT_FALSE(back->textColor());
    EXPECT_FALSE(back->isEnabled());
    EXPECT_FALSE(back->isLoading());
}

}  // namespace
}  // namespace kestrune
