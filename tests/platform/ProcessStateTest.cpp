// The test programs put the process back as it was after every test (tests/support): a test that changes
// the environment or installs a backend leaves neither to the tests after it in a whole shuffled run.

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <memory>
#include <string>

#include "platform/base/BackendSlot.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/TextMeasurer.h"
#include "tests/support/TestEnvironment.h"

namespace {

struct Accounts {
    virtual ~Accounts() = default;
};

// Measures every text as one wide line: a layout that met it would differ from the fixed measurer's.
struct WideMeasurer : platform::ui::TextMeasurer {
    platform::ui::Size measure(const platform::ui::AttributedString&, double) const override {
        return {1000, 10};
    }
};

// Draws nothing; only whether it is the one installed matters here.
struct BlankRenderer : platform::ui::Renderer {
    std::optional<platform::ui::Bitmap> decodePNG(const std::vector<uint8_t>&) override {
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> encodePNG(const platform::ui::Bitmap&) override {
        return std::nullopt;
    }
    platform::ui::Bitmap renderView(platform::ui::View&, platform::ui::Rect, double) override { return {}; }
};

std::string variable(const char* name) {
    const char* value = getenv(name);
    return value ? value : "(unset)";
}

// Seconds east of UTC of the local time zone at a fixed moment.
long localOffset() {
    const time_t moment = 1800000000;
    tm local{};
    localtime_r(&moment, &local);
    return local.tm_gmtoff;
}

TEST(ProcessStateTest, TheEnvironmentTheZoneAndTheBackendsAreAsCaptured) {
    setenv("KESTRUNE_STATE_KEPT", "kept", 1);
    setenv("KESTRUNE_STATE_CHANGED", "first", 1);
    unsetenv("KESTRUNE_STATE_ADDED");
    setenv("TZ", "UTC0", 1);
    tzset();
    const auto captured = testsupport::ProcessState::capture();

    // What a test might leave: a variable added, one changed, one removed, another zone, an account
    // service installed.
    setenv("KESTRUNE_STATE_ADDED", "left behind", 1);
    setenv("KESTRUNE_STATE_CHANGED", "second", 1);
    unsetenv("KESTRUNE_STATE_KEPT");
    setenv("TZ", "JST-9", 1);
    tzset();
    ASSERT_EQ(localOffset(), 9 * 3600);
    platform::backendSlot<Accounts>().set(std::make_shared<Accounts>());

    captured.restore();
    EXPECT_EQ(variable("KESTRUNE_STATE_ADDED"), "(unset)");
    EXPECT_EQ(variable("KESTRUNE_STATE_CHANGED"), "first");
    EXPECT_EQ(variable("KESTRUNE_STATE_KEPT"), "kept");
    EXPECT_EQ(localOffset(), 0) << "the zone is not read again";
    EXPECT_EQ(platform::backendSlot<Accounts>().get(), nullptr);
}

// The interface's measurer, renderer and text language, whether the captured state had one installed or
// not: a test that installs Pango's measurer or the Cairo renderer, or draws in Japanese, leaves none of
// it to the tests after it.
TEST(ProcessStateTest, TheTextMeasurerTheRendererAndTheTextLanguageAreAsCaptured) {
    using namespace platform::ui;
    const auto measurer = std::make_shared<WideMeasurer>();
    TextMeasurer::install(measurer);
    Renderer::install(nullptr);
    TextLanguage::set("de");
    const auto captured = testsupport::ProcessState::capture();

    TextMeasurer::install(nullptr);
    Renderer::install(std::make_shared<BlankRenderer>());
    TextLanguage::set("ja");
    captured.restore();
    EXPECT_EQ(&TextMeasurer::current(), measurer.get());
    EXPECT_EQ(Renderer::current(), nullptr);
    EXPECT_EQ(TextLanguage::current(), "de");

    // And the other way round: none captured, one installed since.
    TextMeasurer::install(nullptr);
    const auto renderer = std::make_shared<BlankRenderer>();
    Renderer::install(renderer);
    TextLanguage::set("");
    const auto bare = testsupport::ProcessState::capture();
    TextMeasurer::install(std::make_shared<WideMeasurer>());
    Renderer::install(nullptr);
    TextLanguage::set("zh-Hans");
    bare.restore();
    EXPECT_EQ(TextMeasurer::installed(), nullptr);
    EXPECT_NE(dynamic_cast<const FixedTextMeasurer*>(&TextMeasurer::current()), nullptr);
    EXPECT_EQ(Renderer::current(), renderer.get());
    EXPECT_EQ(TextLanguage::current(), "");
}

}  // namespace
