// The record reader on the shapes that long and odd records take: a line of hundreds of thousands of
// objects (a symbolicated record of a deep recursion), nesting at the depth limit, every kind of value.

#include "reporting/crash/store/CRKFileReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/storage/Files.h"

#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

class CRKFileReaderTest : public testsupport::KestruneTest {
protected:
    std::string write(const std::string& text) {
        const std::string path = home() + "/record";
        uploadtest::writeFile(path, text);
        return path;
    }
};

TEST_F(CRKFileReaderTest, ALineOfAHundredThousandObjectsReadsWhole) {
    constexpr size_t kFrames = 100000;
    std::string line = "{\"threads\":[[";
    for (size_t i = 0; i < kFrames; i++)
        line += (i ? "," : "") + std::string("{\"symbol\":\"f\",\"offset\":") + std::to_string(i) + "}";
    line += "]]}\n";
    const auto sections = CRKFileReadSections(write(line).c_str(), false);
    ASSERT_TRUE(sections && sections->size() == 1);
    const auto* threads = (*sections)[0]["threads"].array();
    ASSERT_TRUE(threads && threads->size() == 1);
    const auto* frames = (*threads)[0].array();
    ASSERT_TRUE(frames);
    ASSERT_EQ(frames->size(), kFrames);
    EXPECT_EQ((*frames)[kFrames - 1]["offset"].number()->unsignedLongLongValue(), kFrames - 1);
    EXPECT_EQ(*(*frames)[12345]["symbol"].string(), "f");
}

TEST_F(CRKFileReaderTest, ValuesKeepTheirKindsAndALineTooDeepIsSkipped) {
    // 65 containers may nest, the innermost empty; a value inside 64 at most.
    const auto nested = [](int depth, bool value) {
        return std::string(depth, '[') + (value ? "7" : "") + std::string(depth, ']') + "\n";
    };
    const std::string text = nested(65, false) + nested(66, false) + nested(64, true) + nested(65, true) +
                             "{\"big\":18446744073709551615,\"negative\":-3,\"real\":2.5,\"yes\":true,"
                             "\"none\":null,\"text\":\"a\\u00e9\\n\",\"twice\":1,\"twice\":2}\n"
                             "{\"cut\":[1,\n{\"bytes\":\"\xff\"}\n";
    const auto sections = CRKFileReadSections(write(text).c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 3u);
    int depth = 0;
    for (const platform::Value* at = &(*sections)[0]; at->array(); depth++)
        at = at->array()->empty() ? &platform::Value::null() : &at->array()->front();
    EXPECT_EQ(depth, 65);
    const platform::Value* at = &(*sections)[1];
    for (int i = 0; i < 64; i++) at = &at->array()->front();
    EXPECT_EQ(at->number()->intValue(), 7);

    const platform::Value& values = (*sections)[2];
    EXPECT_EQ(values["big"].number()->unsignedLongLongValue(), 18446744073709551615ull);
    EXPECT_EQ(values["negative"].number()->longLongValue(), -3);
    EXPECT_DOUBLE_EQ(values["real"].number()->doubleValue(), 2.5);
    EXPECT_TRUE(values["yes"].number() && values["yes"].number()->boolValue());
    EXPECT_TRUE(values.dictionary()->count("none") && values["none"].isNull());
    EXPECT_EQ(*values["text"].string(), "a\xc3\xa9\n");
    EXPECT_EQ(values["twice"].number()->intValue(), 2);  // the last of a name given twice, as JSON readers do
}

TEST_F(CRKFileReaderTest, ReadingEndsOnceEnoughSectionsAreKept) {
    // The first line is all a caller after the crash time needs; the megabytes after it are not parsed.
    const std::string path =
        write("not a line\n{\"signal\":{\"time\":5}}\n{\"dropped\":1}\n{\"threads\":[]}\n");
    int parsed = 0;
    const auto keep = [&](const platform::Value& section) {
        parsed++;
        return section["dropped"].number() ? platform::Value() : section;
    };
    auto first = CRKFileReadSections(path.c_str(), false, keep, 1);
    ASSERT_TRUE(first && first->size() == 1);
    EXPECT_EQ((*first)[0]["signal"]["time"].number()->intValue(), 5);
    EXPECT_EQ(parsed, 1);
    parsed = 0;
    auto two = CRKFileReadSections(path.c_str(), false, keep, 2);
    ASSERT_TRUE(two && two->size() == 2);
    EXPECT_TRUE((*two)[1]["threads"].array());
    EXPECT_EQ(parsed, 3);
}

// A thread of a deep recursion is one line of hundreds of thousands of values: a stop that comes while
// that line is read ends the reading within a few thousand values, not at the line's end, and answers
// none (the file stays, whatever deleteOnFailure says). Unasked, the same file reads whole.
TEST_F(CRKFileReaderTest, AStopEndsTheReadingInsideALongLineAndLeavesTheFile) {
    constexpr size_t kFrames = 200000;
    std::string line = "{\"threads\":[{\"stacktrace\":[";
    for (size_t i = 0; i < kFrames; i++) line += (i ? "," : "") + std::to_string(4096 + i);
    line += "]}]}\n";
    const std::string path = write("{\"signal\":{\"time\":5}}\n" + line);
    // The first two asks come between lines; every later one is inside the long line.
    size_t asked = 0;
    const auto stopInsideTheLine = [&] { return ++asked > 3; };
    EXPECT_FALSE(CRKFileReadSections(path.c_str(), true, nullptr, SIZE_MAX, stopInsideTheLine));
    EXPECT_EQ(asked, 4u) << "the reading went on past the stop";
    ASSERT_TRUE(platform::Files::exists(path));
    const auto whole = CRKFileReadSections(path.c_str(), true, nullptr, SIZE_MAX, [] { return false; });
    ASSERT_TRUE(whole && whole->size() == 2);
    const auto* threads = (*whole)[1]["threads"].array();
    ASSERT_TRUE(threads && threads->size() == 1);
    EXPECT_EQ(threads->front()["stacktrace"].array()->size(), kFrames);
}

}  // namespace
