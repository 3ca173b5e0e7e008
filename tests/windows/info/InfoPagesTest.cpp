// The feature information pages: their texts (again after a language change), the choices their
// buttons send, the manual snapshots page's inert buttons, and the three-step page's missing picture.

#include <gtest/gtest.h>

#include "menubar/photos/FailedLoginPhotosViewDelegate.h"
#include "menubar/photos/MacControllerTrackTutorialViewDelegate.h"
#include "menubar/photos/ManualSnapshotsTutorialViewDelegate.h"
#include "platform/base/NotificationCenter.h"
#include "tests/windows/WizardsFixture.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControlPhotosTutorialView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/screens/InfoViewController.h"

namespace kestrune {
namespace {

// Every page's delegate at once: which page said what.
class RecordingPageDelegate : public FailedLoginPhotosViewDelegate,
                              public MacControllerTrackTutorialViewDelegate,
                              public ManualSnapshotsTutorialViewDelegate,
                              public MacControlPhotosTutorialViewDelegate {
public:
    std::vector<std::pair<std::string, int32_t>> heard;
    std::vector<const platform::ui::UIObject*> senders;
    void failedLoginPhotosView_didSelectOption(platform::ui::UIObject* view, int32_t option) override {
        record("failed", view, option);
    }
    void macControllerTrackTutorialView_didSelectOption(platform::ui::UIObject* view,
                                                        int32_t option) override {
        record("history", view, option);
    }
    void manualSnapshotsTutorialView_didSelectOption(platform::ui::UIObject* view, int32_t option) override {
        record("manual", view, option);
    }
    void macControlPhotosTutorialView_didSelectOption(platform::ui::UIObject* view, int32_t option) override {
        record("overview", view, option);
    }

private:
    void record(const std::string& page, platform::ui::UIObject* view, int32_t option) {
        heard.emplace_back(page, option);
        senders.push_back(view);
    }
};

using Heard = std::vector<std::pair<std::string, int32_t>>;

class InfoPagesTest : public wizardtests::WizardsFixture {
protected:
    static std::vector<std::string> photoTexts(const PhotoFeatureTutorialView& page) {
        return {page.titleLabel->stringValue(),
                page.descriptionLabel->stringValue(),
                page.firstDescriptionLabel->stringValue(),
                page.secondDescriptionLabel->stringValue(),
                page.thirdDescriptionLabel->stringValue(),
                page.fourthDescriptionLabel->stringValue(),
                page.fifthDescriptionLabel->stringValue(),
                page.showButton->title(),
                page.footNoteLabel->stringValue()};
    }
    std::shared_ptr<RecordingPageDelegate> pages = std::make_shared<RecordingPageDelegate>();
};

TEST_F(InfoPagesTest, ThePhotoPagesShareTheirTextsAndOnlyTheFailedLoginPageReports) {
    auto failed = BaseViewController::create<FailedLoginPhotosView>();
    auto manual = BaseViewController::create<ManualSnapshotsTutorialView>();
    failed->setDelegate(pages);
    manual->setDelegate(pages);
    // No version warning under the pages: failed logins are photographed on every version.
    const std::vector<std::string> expected{
        "failed_login_photos_short",
        "failed_login_photos_description_1 failed_login_photos_description_2",
        "mac_control_receive_notification_on_iphone",
        "mac_control_share_photo",
        "mac_control_save_photo_to_documents",
        "mac_control_delete_photo",
        "mac_control_delete_all_photos",
        "show_all_photos",
        ""};
    EXPECT_EQ(photoTexts(*failed), expected);
    EXPECT_EQ(photoTexts(*manual), expected);

    failed->showButton->performClick();
    failed->backToggled(*failed->showButton);
    manual->showButton->performClick();
    manual->backToggled(*manual->showButton);
    manual->showToggled(*manual->showButton);
    EXPECT_EQ(pages->heard, (Heard{{"failed", 1}, {"failed", 0}}));
    EXPECT_EQ(pages->senders.front(), failed.get());
}

TEST_F(InfoPagesTest, TheHistoryPageAndTheOverviewReportTheirChoices) {
    auto history = BaseViewController::create<MacControllerTrackTutorialView>();
    history->setDelegate(pages);
    EXPECT_EQ(history->descriptionLabel->stringValue(),
              "lock_unlock_history_description_1 lock_unlock_history_description_2");
    EXPECT_EQ(history->imageTitle->stringValue(), "lock_unlock_history");
    EXPECT_EQ(history->fourthDescriptionLabel->stringValue(), "session_duration");
    EXPECT_EQ(history->filterLabel->stringValue(), "filter");
    EXPECT_EQ(history->showButton->title(), "show_history");
    history->showButton->performClick();
    history->previousToggled(*history->showButton);

    auto overview = BaseViewController::create<MacControlPhotosTutorialView>();
    overview->setDelegate(pages);
    EXPECT_EQ(overview->titleLabel->stringValue(), "mac_control_options");
    EXPECT_EQ(overview->failedLoginPhotosDescription->stringValue(), "failed_login_photos_description_1");
    EXPECT_EQ(overview->lockUnlockHistoryButton->title(), "learn_more");
    overview->loginPhotosButton->performClick();
    overview->failedLoginPhotosButton->performClick();
    overview->lockUnlockHistoryButton->performClick();
    EXPECT_EQ(pages->heard,
              (Heard{{"history", 1}, {"history", 0}, {"overview", 2}, {"overview", 1}, {"overview", 3}}));
    // A page outlives a delegate it does not keep.
    pages.reset();
    EXPECT_FALSE(overview->delegate());
    overview->loginPhotosButton->performClick();
}

TEST_F(InfoPagesTest, ALanguageChangeSetsEveryTextAgain) {
    auto failed = BaseViewController::create<FailedLoginPhotosView>();
    auto history = BaseViewController::create<MacControllerTrackTutorialView>();
    auto overview = BaseViewController::create<MacControlPhotosTutorialView>();
    useTexts({{"failed_login_photos_short", "Fotos"},
              {"failed_login_photos_description_1", "Eins"},
              {"failed_login_photos_description_2", "Zwei"},
              {"show_history", "Verlauf zeigen"},
              {"learn_more", "Mehr"}});
    platform::NotificationCenter::defaultCenter().post(BaseViewController::kLanguageDidChangeNotification);
    EXPECT_EQ(failed->titleLabel->stringValue(), "Fotos");
    EXPECT_EQ(failed->descriptionLabel->stringValue(), "Eins Zwei");
    EXPECT_EQ(history->showButton->title(), "Verlauf zeigen");
    EXPECT_EQ(overview->failedLoginPhotosTitleLabel->stringValue(), "Fotos");
    EXPECT_EQ(overview->loginPhotosButton->title(), "Mehr");
}

TEST_F(InfoPagesTest, AStepWhosePictureIsMissingKeepsItsTextAndAnEmptyPicture) {
    auto known = registerImage("screen_siri_record", {200, 220});
    auto page = BaseViewController::create<IphoneMultiStepViewController>();
    page->setStep1_image("First", "no_such_picture");
    page->setStep2_image("Second", "screen_siri_record");
    page->setStep3_image("Third", "");
    EXPECT_EQ(page->item1TextField->stringValue(), "First");
    EXPECT_FALSE(page->item1Image->image());
    EXPECT_EQ(page->item2Image->image(), known);
    EXPECT_EQ(page->item3TextField->stringValue(), "Third");
    EXPECT_FALSE(page->item3Image->image());
}

}  // namespace
}  // namespace kestrune
