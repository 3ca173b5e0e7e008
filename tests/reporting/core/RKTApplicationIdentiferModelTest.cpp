#include "reporting/core/RKTApplicationIdentiferModel.h"

#include <zlib.h>

#include <cstdlib>

#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/system/Bundle.h"
#include "reporting/core/RKTAppIconUtility.h"
#include "reporting/core/RKTByteUtility.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Value;
using reporting::RKTAppIconUtility;
using reporting::RKTApplicationIdentiferModel;
using reporting::RKTIcon;

namespace {

void appendChunk(std::string& png, const std::string& type, const std::string& payload) {
    auto be32 = [&](uint32_t v) {
        for (int shift = 24; shift >= 0; shift -= 8) png.push_back(static_cast<char>((v >> shift) & 0xFF));
    };
    be32(static_cast<uint32_t>(payload.size()));
    const std::string typed = type + payload;
    png += typed;
    be32(static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

// A valid grey PNG of the given pixel size.
Data makePNG(uint32_t width, uint32_t height) {
    std::string png("\x89PNG\r\n\x1a\n", 8);
    std::string header;
    for (uint32_t v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8) header.push_back(static_cast<char>((v >> shift) & 0xFF));
    header += std::string("\x08\x00\x00\x00\x00", 5);  // 8-bit greyscale
    appendChunk(png, "IHDR", header);
    std::string raw;
    for (uint32_t y = 0; y < height; ++y) raw += std::string(1, '\0') + std::string(width, '\x80');
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::string compressed(size, '\0');
    compress(reinterpret_cast<Bytef*>(compressed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
             static_cast<uLong>(raw.size()));
    compressed.resize(size);
    appendChunk(png, "IDAT", compressed);
    appendChunk(png, "IEND", "");
    return Data::fromString(png);
}

}  // namespace

class RKTApplicationIdentiferModelTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        if (movedBundle) {
            unsetenv("KESTRUNE_BUNDLE_PATH");
            platform::Bundle::main().reload();
        }
        KestruneTest::TearDown();
    }
    // A bundle of the test's own, with the given facts and files.
    void useBundle(const Value::Dictionary& info, const std::map<std::string, Data>& files) {
        const std::string folder = home() + "/Bundle";
        ASSERT_TRUE(platform::Files::writeAtomically(
            folder + "/Info.plist",
            *platform::PropertyList::dataFromValue(info, platform::PropertyList::Format::XML)));
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(platform::Files::writeAtomically(folder + "/" + name, bytes));
        ASSERT_EQ(getenv("KESTRUNE_BUNDLE_PATH"), nullptr);
        setenv("KESTRUNE_BUNDLE_PATH", folder.c_str(), 1);
        movedBundle = true;
        platform::Bundle::main().reload();
    }
    bool movedBundle = false;
};

TEST_F(RKTApplicationIdentiferModelTest,
       TheRunningProgramIsIdentifiedByTheBuildIdentifierTheCrashKitReports) {
    auto model = RKTApplicationIdentiferModel::initWithInstallID("install-1");
    ASSERT_TRUE(model);
    EXPECT_EQ(model->installID(), "install-1");
    reporting::CRKELFImageInfo info{};
    ASSERT_TRUE(reporting::CRKELFGetRunningImage(&info));
    ASSERT_TRUE(info.hasBuildID);
    const std::string uuid = reporting::RKTHexStringFromUUIDBytes(info.uuid);
    ASSERT_EQ(model->architectureUUIDMap().size(), 1u);
    EXPECT_EQ(model->architectureUUIDMap().begin()->first, reporting::CRKELFGetArchitectureName(&info));
    EXPECT_EQ(model->architectureUUIDMap().begin()->second, uuid);
    EXPECT_EQ(model->instanceIdentifier(), reporting::RKTSHA1HexStringFromData(Data::fromString(uuid)));
    EXPECT_EQ(model->instanceIdentifier().size(), 40u);
    EXPECT_NE(model->minimumSDKString(), "0.0.0");  // the ABI note names the oldest kernel
    EXPECT_NE(model->builtSDKString(), "0.0.0");
}

TEST_F(RKTApplicationIdentiferModelTest, TheInstanceIdentifierJoinsTheSlicesInNameOrder) {
    RKTApplicationIdentiferModel model("i");
    const std::string x86 = "00112233445566778899aabbccddeeff";
    const std::string arm = "ffeeddccbbaa99887766554433221100";
    model.setArchitectureUUIDMap({{"x86_64", x86}, {"arm64", arm}});
    ASSERT_TRUE(model.computeInstanceIdentifier());
    EXPECT_EQ(model.instanceIdentifier(), reporting::RKTSHA1HexStringFromData(Data::fromString(arm + x86)));
    model.setArchitectureUUIDMap({});
    model.computeInstanceIdentifier();
    EXPECT_EQ(model.instanceIdentifier(), "da39a3ee5e6b4b0d3255bfef95601890afd80709");  // SHA-1 of nothing
}

TEST_F(RKTApplicationIdentiferModelTest, TheIconIsTheBundlesPNGWithItsHashAndSize) {
    const Data png = makePNG(64, 32);
    useBundle({{"CFBundleIdentifier", "com.example"}, {"CFBundleIconFile", "AppIcon"}},
              {{"AppIcon.png", png}});
    RKTAppIconUtility utility;
    auto icon = utility.applicationIcon();
    ASSERT_TRUE(icon);
    EXPECT_EQ(icon->data(), png);
    EXPECT_EQ(icon->dataHash(), reporting::RKTSHA1HexStringFromData(png));
    EXPECT_EQ(icon->size().width, 64);
    EXPECT_EQ(icon->size().height, 32);
    EXPECT_TRUE(icon->prerendered());
    EXPECT_EQ(utility.applicationIcon(), icon);  // kept after the first use
    RKTApplicationIdentiferModel model("i");
    auto fresh = model.icon();
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, icon);  // a new utility every time
    EXPECT_EQ(fresh->dataHash(), icon->dataHash());
}

TEST_F(RKTApplicationIdentiferModelTest, AnIconThatIsNoPNGOrMissingGivesNoIcon) {
    useBundle({{"CFBundleIconFile", "AppIcon.icns"}}, {{"AppIcon.icns", Data::fromString("icns....")}});
    EXPECT_FALSE(RKTAppIconUtility().applicationIcon());
    platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIconFile", "Missing"}});
    EXPECT_FALSE(RKTAppIconUtility().applicationIcon());
    platform::Bundle::main().setInfoDictionaryForTesting({});
    EXPECT_FALSE(RKTAppIconUtility().applicationIcon());
}

TEST_F(RKTApplicationIdentiferModelTest, IconAreasCompareAgainstTheLimit) {
    auto big = RKTIcon::initWithData_size(makePNG(1, 1), {1024, 1024});
    EXPECT_TRUE(big->isWithinMaxSurfaceArea());
    EXPECT_FALSE(RKTIcon::initWithData_size(makePNG(1, 1), {1024, 1025})->isWithinMaxSurfaceArea());
    EXPECT_TRUE(big->largerThanSize(512, 512));
    EXPECT_FALSE(big->largerThanSize(1024, 1024));
    auto plain = RKTIcon::initWithData_size_prerendered(makePNG(1, 1), {1, 1}, false);
    EXPECT_FALSE(plain->prerendered());
}
