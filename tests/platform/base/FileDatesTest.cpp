#include "platform/base/FileDates.h"

#include <gtest/gtest.h>

#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

namespace {

class FileDatesTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        platform::FileDates::setCreationDateSourceForTesting(nullptr);
        KestruneTest::TearDown();
    }
};

TEST_F(FileDatesTest, AFileHasACreationDateNearItsModificationAndTestsMayAnswerInstead) {
    const std::string path = home() + "/f";
    ASSERT_TRUE(platform::Files::writeAtomically(path, platform::Data::fromString("x"), 0600));
    auto created = platform::FileDates::creationDate(path);
    auto modified = platform::Files::modificationDate(path);
    ASSERT_TRUE(created && modified);
    // Birth time where recorded (never after the last change), else the modification time itself.
    EXPECT_LE(created->timeIntervalSince1970(), modified->timeIntervalSince1970() + 1e-6);
    EXPECT_GT(created->timeIntervalSince1970(), modified->timeIntervalSince1970() - 60);
    EXPECT_FALSE(platform::FileDates::creationDate(home() + "/missing"));

    platform::FileDates::setCreationDateSourceForTesting(
        [](const std::string&) { return platform::Date::dateWithTimeIntervalSince1970(5); });
    EXPECT_EQ(platform::FileDates::creationDate(path)->timeIntervalSince1970(), 5);
}

}  // namespace
