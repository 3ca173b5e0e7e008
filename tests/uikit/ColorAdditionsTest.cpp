// Colours from hexadecimal text and the palette built on them.

#include <gtest/gtest.h>

#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"

namespace kestrune {
namespace {

struct Components {
    double r, g, b;
};

void expectColor(const ui::Color& c, Components want, const std::string& what) {
    EXPECT_NEAR(c.redComponent(), want.r, 1e-9) << what;
    EXPECT_NEAR(c.greenComponent(), want.g, 1e-9) << what;
    EXPECT_NEAR(c.blueComponent(), want.b, 1e-9) << what;
    EXPECT_EQ(c.alphaComponent(), 1.0) << what;
    EXPECT_EQ(c.space(), ui::Color::Space::CalibratedRGB) << what;
}

TEST(ColorAdditionsTest, HexTextReadsAsAScannerReadsAHexNumber) {
    const Components green{9 / 255.0, 210 / 255.0, 97 / 255.0};
    const Components black{0, 0, 0};
    const struct {
        std::optional<std::string> text;
        Components want;
    } table[] = {
        {"09D261", green},
        {"09d261", green},
        {"0x09D261", green},                      // the prefix reads like none
        {"  \t09D261", green},                    // leading white space is skipped
        {"109D261", green},                       // bits above the 24 of the colour are ignored
        {"09D2G1", {0, 9 / 255.0, 210 / 255.0}},  // reading stops at the first other character
        {std::nullopt, black},
        {"", black},
        {"#09D261", black},  // nothing readable
        {"0x", black},
        {"123456789", {1, 1, 1}},  // more than 32 bits saturate at the largest number
    };
    for (const auto& row : table)
        expectColor(colorWithHexColorString(row.text), row.want, row.text.value_or("nil"));
}

TEST(ColorAdditionsTest, PaletteEntriesThatAreNotHexColours) {
    EXPECT_EQ(kestruneGreen(), colorWithHexColorString("09D261"));
    EXPECT_EQ(separatorColorLight(), custom3());
    EXPECT_EQ(separatorColor(), ui::Color::lightGrayColor());
}

}  // namespace
}  // namespace kestrune
