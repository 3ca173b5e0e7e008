// The default road played in each interface language, in virtual time: the scenarios' user reads the
// settings window in the language it shows, where flat buttons draw their titles in capitals of any
// script, and the road ends as expected in every one.

#include <sstream>

#include "app/support/Localizable.h"
#include "features/language/BundleLanguage.h"
#include "features/language/LanguageControllerMac.h"
#include "features/language/TextFormat.h"
#include "main/ScenarioRunner.h"
#include "main/Scenarios.h"
#include "platform/services/UserNotificationRecorder.h"
#include "platform/storage/FileEvents.h"
#include "platform/system/PreferredLanguages.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/main/ScenarioFixture.h"

using namespace scenariotests;

namespace {

class RoadInEveryLanguageTest : public RoadTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        RoadTest::SetUp();
        // The photo of the guest is drawn and coded as PNG; the notifications are kept.
        platform::ui::CairoRenderer::installAsBackend();
        platform::UserNotificationBackend::install(std::make_shared<platform::UserNotificationRecorder>());
    }
    void TearDown() override {
        RoadTest::TearDown();
        platform::UserNotificationBackend::install(nullptr);
        platform::ui::Renderer::install(nullptr);
        platform::PreferredLanguages::setForTesting(std::nullopt);
        kestrune::setLocalizableLanguage(std::nullopt);
        kestrune::setLocalizedStringLookup(nullptr);
    }
};

TEST_P(RoadInEveryLanguageTest, TheDefaultRoadEndsAsExpected) {
    const std::string code = GetParam();
    // A first launch on a Mac whose user prefers the language, as the shell sets the language up.
    platform::PreferredLanguages::setForTesting(std::vector<std::string>{code});
    useFeatures();
    kestrune::LanguageControllerMac::shared().setupInitialLanguageIfNeeded();
    ASSERT_EQ(kestrune::currentlyUsedLanguageLangKey(), code);
    const std::string paired =
        kestrune::stringWithTextArgument(kestrune::localizable("you_have_sucessfuly_paired"), "Ada's iPhone");
    const std::string unlocked = kestrune::localizable("mac_unlocked");
    launch();
    const auto [timeline, succeeded] = playToItsEnd("default");
    EXPECT_TRUE(succeeded) << timeline;
    EXPECT_NE(timeline.find("end    as expected: the Mac is unlocked and the phone paired; the music plays"),
              std::string::npos)
        << timeline;
    // The road went through the window's own button, read in the language.
    EXPECT_NE(timeline.find("you    click \"Add a new iPhone\""), std::string::npos) << timeline;
    EXPECT_NE(timeline.find("Mac    paired with Ada's iPhone"), std::string::npos) << timeline;
    // The Mac speaks the language throughout: the user's phone reports the same one in its settings, so
    // the pairing notification and the history after coming back are the language's own.
    EXPECT_NE(timeline.find("Mac    notification \"" + paired + "\""), std::string::npos) << timeline;
    EXPECT_NE(timeline.find("Mac    history entry \"" + unlocked + "\""), std::string::npos) << timeline;
    EXPECT_EQ(kestrune::currentlyUsedLanguageLangKey(), code);
}

INSTANTIATE_TEST_SUITE_P(EveryLanguage, RoadInEveryLanguageTest,
                         ::testing::ValuesIn(kestrune::supprotedLanguages()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (auto& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

}  // namespace
