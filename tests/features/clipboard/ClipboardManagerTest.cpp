// The clipboard gate and the pasteboard: what is refused with which notice, in which order, and the text
// that reaches the completion, on the main thread, only when every check passes.

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/records/MobileDevice.h"
#include "app/records/MobileDeviceConnectionInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "app/store/DataModel.h"
#include "features/clipboard/ClipboardManager.h"
#include "features/clipboard/MacClipboardManager.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/pasteboard/SimulatedPasteboard.h"
#include "platform/system/WorkspaceRecorder.h"
#include "tests/features/FeaturesFixture.h"

namespace kestrune {
namespace {

using platform::Number;

constexpr const char* kEmpty = "The clipboard is empty";
constexpr const char* kTooBig = "The clipboard is too big to send";
constexpr const char* kNotConnected = "Your Mac is not connected to your iPhone";
constexpr const char* kUpdatePhone = "Update Kestrune on your iPhone to use this feature";

class ClipboardManagerTest : public featuretests::FeatureTest {
protected:
    void SetUp() override {
        FeatureTest::SetUp();
        pasteboard = platform::SimulatedPasteboard::create();
        pasteboard->install();
        workspace = std::make_shared<platform::WorkspaceRecorder>();
        platform::WorkspaceBackend::install(workspace);
    }
    void TearDown() override {
        platform::PasteboardBackend::install(nullptr);
        platform::WorkspaceBackend::install(nullptr);
        FeatureTest::TearDown();
    }

    // The tracked phone; no version leaves the phone without a settings record.
    void trackPhone(bool connected, std::optional<std::string> version = std::string("3.6.1")) {
        auto& manager = DataManager::shared();
        auto phone = MobileDevice::initWithUnId("phone-1");
        phone->mobileDeviceConnectionInfo()->setIsConnected(Number(connected));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone;
        auto settings = MobileSettings::initWithUnId("phone-1");
        settings->pairingInfo()->setConnectionStatus(Number(PairingInfo::kConnectionStatusPaired));
        auto preferences = iOSPreferences::init();
        preferences->setIOSVersion(version);
        settings->setIOSSettings(preferences);
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings;
    }

    // Runs the gate to its end: the texts passed to the completion, and whether each came on the main
    // thread.
    std::vector<std::string> send() {
        std::vector<std::string> passed;
        ClipboardManager::filterClipboardWithCompletion([&passed, this](const std::string& text) {
            passed.push_back(text);
            onMainThread = onMainThread && platform::isMainThread();
        });
        runUntilIdle();
        return passed;
    }

    std::optional<std::string> notice() const {
        auto shown = notifications->delivered();
        if (shown.empty()) return std::nullopt;
        return shown.back().informativeText;
    }
    size_t errorSounds() const {
        size_t count = 0;
        for (const auto& path : workspace->playedSounds())
            count += path.find("error_sound") != std::string::npos;
        return count;
    }

    std::shared_ptr<platform::SimulatedPasteboard> pasteboard;
    std::shared_ptr<platform::WorkspaceRecorder> workspace;
    bool onMainThread = true;
};

TEST_F(ClipboardManagerTest, NothingToSendIsTheEmptyNoticeWithTheErrorSound) {
    trackPhone(true);
    struct Case {
        const char* name;
        std::function<void()> copy;
    };
    const std::vector<Case> cases = {
        {"never copied", [] {}},
        {"empty text", [this] { pasteboard->copyText(""); }},
        {"a picture only",
         [this] {
             pasteboard->copyImage({0x89, 'P', 'N', 'G'});
         }},
        {"blanks and line breaks", [this] { pasteboard->copyText(" \t\r\n\u2028\u3000\u00a0 \n"); }},
    };
    size_t sounds = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        notifications->removeAll();
        c.copy();
        EXPECT_TRUE(send().empty());
        EXPECT_EQ(notice(), kEmpty);
        EXPECT_EQ(errorSounds(), ++sounds);
    }
}

TEST_F(ClipboardManagerTest, TheLimitIsTenThousandUTF16Units) {
    trackPhone(true);
    const std::string atLimit(10000, 'a');
    pasteboard->copyText(atLimit);
    EXPECT_EQ(send(), std::vector<std::string>{atLimit});
    EXPECT_EQ(notice(), std::nullopt);

    pasteboard->copyText(atLimit + "a");
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notice(), kTooBig);

    // A character outside the basic plane is two units: 9998 + 2 is sent, 9999 + 2 is not.
    const std::string smile = "\U0001F600";
    notifications->removeAll();
    pasteboard->copyText(std::string(9998, 'a') + smile);
    EXPECT_EQ(send().size(), 1u);
    EXPECT_EQ(notice(), std::nullopt);
    pasteboard->copyText(std::string(9999, 'a') + smile);
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notice(), kTooBig);
    EXPECT_TRUE(onMainThread);
}

TEST_F(ClipboardManagerTest, ChecksComeInOrderAndStopAtTheFirstRefusal) {
    // Too long and no phone: only the size is told.
    pasteboard->copyText(std::string(10001, 'x'));
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notifications->delivered().size(), 1u);
    EXPECT_EQ(notice(), kTooBig);

    pasteboard->copyText("hello");
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notice(), kNotConnected);

    trackPhone(false);
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notice(), kNotConnected);
    EXPECT_EQ(errorSounds(), 3u);
}

TEST_F(ClipboardManagerTest, ThePhoneApplicationMustBeAtLeastThreeSixOne) {
    pasteboard->copyText("hello");
    for (const auto& [version, passes] : std::vector<std::pair<std::optional<std::string>, bool>>{
             {"3.6.0", false}, {"3.6.1", true}, {"3.10", true}, {"4", true}, {std::nullopt, false}}) {
        SCOPED_TRACE(version.value_or("none"));
        notifications->removeAll();
        trackPhone(true, version);
        EXPECT_EQ(send().size(), passes ? 1u : 0u);
        EXPECT_EQ(notice(), passes ? std::nullopt : std::optional<std::string>(kUpdatePhone));
    }
    // A settings record without the phone's own settings counts as too old.
    notifications->removeAll();
    DataManager::shared().settingsForDeviceId("phone-1")->setIOSSettings(nullptr);
    EXPECT_TRUE(send().empty());
    EXPECT_EQ(notice(), kUpdatePhone);
}

TEST_F(ClipboardManagerTest, TextIsReadAfreshAndInvalidBytesBecomeReplacementCharacters) {
    trackPhone(true);
    pasteboard->copyText("first");
    EXPECT_EQ(send(), std::vector<std::string>{"first"});
    pasteboard->copyText(std::string("a\xff", 2) + "b");
    EXPECT_EQ(send(), std::vector<std::string>{"a\uFFFDb"});
    EXPECT_EQ(MacClipboardManager::copyFromClipboard(), std::string("a\uFFFDb"));
}

TEST_F(ClipboardManagerTest, PastingReplacesWhateverWasThereAndReportsARefusal) {
    pasteboard->copyImage({1, 2, 3});
    EXPECT_FALSE(MacClipboardManager::clipboardHasString());
    EXPECT_TRUE(MacClipboardManager::pasteToClipboard("from the phone"));
    EXPECT_EQ(pasteboard->contents(),
              (std::map<std::string, std::string>{{platform::kPasteboardTypeString, "from the phone"}}));
    EXPECT_TRUE(MacClipboardManager::clipboardHasString());

    pasteboard->setRefusesWrites(true);
    EXPECT_FALSE(MacClipboardManager::pasteToClipboard("lost"));
    EXPECT_TRUE(logged("the pasteboard refused"));
    EXPECT_FALSE(MacClipboardManager::clipboardHasString());

    // Without a pasteboard at all nothing is read and nothing is taken.
    platform::PasteboardBackend::install(nullptr);
    EXPECT_FALSE(MacClipboardManager::pasteToClipboard("x"));
    EXPECT_EQ(MacClipboardManager::copyFromClipboard(), std::nullopt);
}

}  // namespace
}  // namespace kestrune
