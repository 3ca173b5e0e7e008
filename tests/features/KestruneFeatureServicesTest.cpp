#include "features/KestruneFeatureServices.h"

#include "app/records/DeviceLocalSettings.h"
#include "features/language/BundleLanguage.h"
#include "features/notifications/KestruneNotificationManager.h"
#include "platform/sim/camera/SimulatedCamera.h"
#include "platform/sim/pasteboard/SimulatedPasteboard.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/features/FeaturesFixture.h"

using namespace kestrune;

namespace {

class KestruneFeatureServicesTest : public featuretests::FeatureTest {
protected:
    std::string lastText() const {
        auto shown = notifications->delivered();
        return shown.empty() ? "<none>" : shown.back().informativeText;
    }
    KestruneFeatureServices features;
};

TEST_F(KestruneFeatureServicesTest, ClipboardResultsPickTheirNotification) {
    features.didCopyToMacClipboard(true);
    EXPECT_EQ(lastText(), "Text from your iPhone is on the clipboard");
    features.didCopyToMacClipboard(false);
    EXPECT_EQ(lastText(), "The text from your iPhone could not be copied");
    features.didCopyToIosClipboard(false);
    EXPECT_EQ(lastText(), "The clipboard could not be copied to your iPhone");
    features.showPersistantNativeNotificationWithText("Unlock your Mac with your iPhone");
    advance(10);
    EXPECT_EQ(lastText(), "Unlock your Mac with your iPhone");  // persistent: still shown
}

TEST_F(KestruneFeatureServicesTest, ClipboardSharingGoesThroughThePasteboardAndItsGate) {
    auto pasteboard = platform::SimulatedPasteboard::create();
    pasteboard->install();
    EXPECT_TRUE(features.pasteToClipboard("from the phone"));
    EXPECT_EQ(pasteboard->dataForType(platform::kPasteboardTypeString), std::string("from the phone"));
    // No phone to send to: refused with its notice, the completion never runs.
    bool sent = false;
    features.filterClipboardWithCompletion([&](const std::string&) { sent = true; });
    runUntilIdle();
    EXPECT_FALSE(sent);
    EXPECT_EQ(lastText(), "Your Mac is not connected to your iPhone");
    platform::PasteboardBackend::install(nullptr);
}

TEST_F(KestruneFeatureServicesTest, ManualPhotoAnswersThePhoneOnceAndLanguageFollowsThePhone) {
    platform::ui::CairoRenderer::installAsBackend();
    platform::CaptureBackend::install(
        platform::SimulatedCamera::create({platform::SimulatedCamera::Device{}}));
    int answers = 0;
    features.createAndSaveManualSnapshotWithCompletion([&] { ++answers; });
    advance(10);
    EXPECT_EQ(answers, 1);
    platform::CaptureBackend::install(nullptr);
    platform::ui::Renderer::install(nullptr);

    int updates = 0;
    features.updateLanguageIfNeeded_didUpdateCallback("fr", [&] { ++updates; });
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(currentlyUsedLanguageLangKey(), "fr");
    EXPECT_EQ(DeviceLocalSettings::shared().lastUsedLanguage(), "fr");
}

}  // namespace
