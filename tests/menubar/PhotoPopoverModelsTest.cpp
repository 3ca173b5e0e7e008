// The photo window's popover models by type, their buttons' options, and the small photo views of the
// settings pages: the login-photos page, the photos view and the photo row.

#include <gtest/gtest.h>

#include <map>

#include "app/support/Localizable.h"
#include "menubar/photos/LoginPhotosView.h"
#include "menubar/photos/MyListViewCell.h"
#include "menubar/photos/PhotosView.h"
#include "menubar/photos/PopoverModelFactory.h"
#include "tests/support/ui/Fixture.h"

namespace kestrune {
namespace {

class Recorder : public PopoverModelFactoryDelegate,
                 public LoginPhotosViewDelegate,
                 public MyListViewCellDelegate {
public:
    std::vector<int32_t> options;
    std::vector<std::string> cells;
    void popoverModelFactory_didSelectOption(PopoverModelFactory&, int32_t option) override {
        options.push_back(option);
    }
    void loginPhotosView_didSelectOption(ui::UIObject*, int32_t option) override {
        options.push_back(option);
    }
    void myListViewCellDidSelectDelete(MyListViewCell&) override { cells.push_back("delete"); }
    void myListViewCellDidSelectShare(MyListViewCell&) override { cells.push_back("share"); }
};

class PhotoPopoverModelsTest : public ui::test::Fixture {
protected:
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(PhotoPopoverModelsTest, EachTypeHasItsTextsAndButtons) {
    auto factory = PopoverModelFactory::init();
    factory->setDelegate(recorder);
    EXPECT_FALSE(factory->popoverModelForType(0));
    struct Row {
        std::optional<std::string> longText, shortText, first;
        std::optional<int32_t> firstOption;
        std::string second;
        int32_t secondOption;
    };
    const std::map<int32_t, Row> table{
        {3,
         {"feature_not_supported_on_sierra", "feature_not_supported_on_sierra_short", "ok", 0, "learn_more",
          5}},
        {4, {"no_suitable_camera", "no_camera_detected", "ok", 0, "learn_more", 5}},
        {5, {"no_suitable_camera", "no_camera_detected", "ok", 0, "learn_more", 4}},
        {6, {"login_photo_not_enabled enable_in_mac_control", "not_enabled", "enable", 1, "learn_more", 4}},
        {7,
         {std::nullopt, "failed_login_attempt_not_enabled enable_in_mac_control", "enable", 2, "learn_more",
          5}},
        {8, {"disable_in_mac_control", "", "ok", 0, "learn_more", 4}},
        {9, {"disable_in_mac_control", "", "ok", 0, "learn_more", 5}},
        // Not in the table: close only.
        {1, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, "close", 3}},
        {2, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, "close", 3}},
        {10, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, "close", 3}},
    };
    for (const auto& [type, row] : table) {
        SCOPED_TRACE(type);
        auto model = factory->popoverModelForType(type);
        ASSERT_TRUE(model);
        EXPECT_EQ(model->popoverDescriptionLong, row.longText);
        EXPECT_EQ(model->popoverDescriptionShort, row.shortText);
        EXPECT_EQ(model->button1Title, row.first);
        EXPECT_EQ(model->button2Title, row.second);
        recorder->options.clear();
        if (model->button1Action) model->button1Action(*model);
        model->button2Action(*model);
        std::vector<int32_t> expected;
        if (row.firstOption) expected.push_back(*row.firstOption);
        expected.push_back(row.secondOption);
        EXPECT_EQ(recorder->options, expected);
    }
}

TEST_F(PhotoPopoverModelsTest, AModelsButtonsKeepTheFactoryAlive) {
    std::shared_ptr<PopoverModel> model;
    {
        auto factory = PopoverModelFactory::init();
        factory->setDelegate(recorder);
        model = factory->popoverModelForType(6);
    }
    model->button1Action(*model);
    EXPECT_EQ(recorder->options, (std::vector<int32_t>{1}));
}

TEST_F(PhotoPopoverModelsTest, TheLoginPhotosPageFillsItsTextsAndReportsItsButtons) {
    auto page = BaseViewController::create<LoginPhotosView>();
    page->setDelegate(recorder);
    ASSERT_TRUE(page->titleLabel && page->description5Label && page->showButton && page->backButton);
    EXPECT_EQ(page->titleLabel->stringValue(), "login_photos_short");
    EXPECT_EQ(page->descriptionLabel->stringValue(), "login_photos_description_1 login_photos_description_2");
    EXPECT_EQ(page->description2Label->stringValue(), "mac_control_share_photo");
    EXPECT_EQ(page->description5Label->stringValue(), "mac_control_delete_all_photos");
    EXPECT_EQ(page->footNoteLabel->stringValue(), "");
    EXPECT_EQ(page->showButton->title(), "SHOW_ALL_PHOTOS");
    page->backButton->sendAction();
    page->showButton->sendAction();
    EXPECT_EQ(recorder->options, (std::vector<int32_t>{0, 1}));
}

TEST_F(PhotoPopoverModelsTest, ThePhotosViewAndThePhotoRow) {
    auto view = PhotosView::loadFromNib();
    ASSERT_TRUE(view && view->checkBox && view->clipboardSeparator && view->infoButton);
    EXPECT_EQ(view->loginPhotosLabel->stringValue(), "login_photos_short");
    EXPECT_EQ(view->failedLoginAttemptsPhotoLabel->stringValue(), "failed_login_photos_short");
    EXPECT_EQ(view->photosViewInfoLabel->stringValue(), "lock_unlock_history_short");

    auto cell = MyListViewCell::loadFromNib();
    ASSERT_TRUE(cell && cell->imageView && cell->titleLabel);
    EXPECT_EQ(cell->reusableIdentifier(), "MyListViewCell");
    cell->setDelegate(recorder);
    auto entry = FailedLoginEntry::init();
    entry->setDate(platform::Date::dateWithTimeIntervalSince1970(1772600760));
    setenv("TZ", "UTC0", 1);
    tzset();
    cell->setFailedLoginEntry(entry);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(cell->titleLabel->stringValue(), "2026-03-04 05:06");
    cell->imageView->setImage(ui::Image::create({4, 4}));
    cell->prepareForReuse();
    EXPECT_FALSE(cell->imageView->image());
    for (const std::string& title : {localizable("delete"), localizable("share_action")}) {
        for (const auto& sub : cell->subviews()) {
            auto button = std::dynamic_pointer_cast<ui::Button>(sub);
            if (button && button->title() == title) {
                EXPECT_TRUE(button->sendAction());
            }
        }
    }
    EXPECT_EQ(recorder->cells, (std::vector<std::string>{"delete", "share"}));
}

}  // namespace
}  // namespace kestrune
