// The record reader on the shapes that long and odd records take: a line of hundreds of thousands of
// objects (a symbolicated record of a deep recursion), nesting at the depth limit, every kind of value.

#include "reporting/crash/store/CRKFileReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/storage/Files.h"

#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

// What the calling thread has read through system calls so far.
uint64_t bytesReadByThisThread() {
    std::ifstream in("/proc/thread-self/io");
    std::string key;
    uint64_t value = 0;
    while (in >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

// A parsed line as a value, the plain way: the whole document first, each array built as one vector.
platform::Value plainValue(const nlohmann::json& json) {
    if (json.is_null()) return platform::Value();
    if (json.is_boolean()) return platform::Value(json.get<bool>());
    if (json.is_number_unsigned()) return platform::Number(json.get<unsigned long long>());
    if (json.is_number_integer()) return platform::Number(json.get<long long>());
    if (json.is_number_float()) return platform::Value(json.get<double>());
    if (json.is_string()) return platform::Value(json.get<std::string>());
    if (json.is_array()) {
        platform::Value::Array array;
        for (const auto& item : json) array.push_back(plainValue(item));
        return platform::Value(std::move(array));
    }
    platform::Value::Dictionary dictionary;
    for (const auto& [key, item] : json.items()) dictionary[key] = plainValue(item);
    return platform::Value(std::move(dictionary));
}

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

// A record may come as one line of tens of thousands of values or as many lines of a few values each:
// either way the stop is asked all through the reading (between lines, every few thousand values inside
// one, and as every few thousand lines' values are put together), and the reading ends at the ask
// answered true.
TEST_F(CRKFileReaderTest, TheStopIsAskedAllThroughALongLineAndBetweenShortOnes) {
    constexpr size_t kValues = 40000;
    std::string longLine = "{\"stacktrace\":[";
    for (size_t i = 0; i < kValues; i++) longLine += (i ? "," : "") + std::to_string(4096 + i);
    longLine += "]}\n";
    std::string shortLines;
    for (size_t i = 0; i < kValues / 4; i++) shortLines += "{\"frame\":" + std::to_string(i) + "}\n";
    const struct {
        const char* what;
        std::string text;
        size_t fewestAsks;
    } cases[] = {
        {"one long line", longLine, kValues / 4096},
        {"many short lines", shortLines, kValues / 4 + kValues / 4 / 4096},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = write(c.text);
        size_t asked = 0;
        const auto whole = CRKFileReadSections(path.c_str(), false, nullptr, SIZE_MAX, [&] {
            ++asked;
            return false;
        });
        ASSERT_TRUE(whole);
        EXPECT_GE(asked, c.fewestAsks);
        // Halfway through, and at the last ask: the reading goes no further, and answers none.
        for (const size_t stopAt : {asked / 2, asked}) {
            size_t count = 0;
            EXPECT_FALSE(CRKFileReadSections(path.c_str(), false, nullptr, SIZE_MAX, [&] {
                return ++count >= stopAt;
            })) << stopAt;
            EXPECT_EQ(count, stopAt) << "the reading went on past the stop";
        }
    }
}

// Long arrays are gathered in chunks of a few thousand values and put together as their line closes:
// what is read is what a plain parse of each line gives, across chunk boundaries, in arrays of arrays,
// and in a file of more lines than a chunk holds.
TEST_F(CRKFileReaderTest, ValuesGatheredInChunksAreThoseOfAPlainParse) {
    std::string stack, pairs, texts;
    for (size_t i = 0; i < 10000; i++) stack += (i ? "," : "") + std::to_string(0x7f0000000000ull + i * 7);
    for (size_t i = 0; i < 6000; i++)
        pairs += (i ? ",[" : "[") + std::to_string(i) + (i % 3 ? ",-1.5]" : ",null,[true,\"x\"]]");
    for (size_t i = 0; i < 4500; i++) texts += (i ? ",\"" : "\"") + std::to_string(i) + "\"";
    std::string text = "{\"threads\":[{\"stacktrace\":[" + stack + "],\"crashed\":true},{\"pairs\":[" +
                       pairs + "]}],\"nested\":[[" + texts + "],[" + stack + "]]}\n";
    for (size_t i = 0; i < 4200; i++) text += "{\"line\":" + std::to_string(i) + ",\"empty\":[]}\n";

    const auto sections = CRKFileReadSections(write(text).c_str(), false);
    ASSERT_TRUE(sections);
    platform::Value::Array expected;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        expected.push_back(plainValue(nlohmann::json::parse(text.substr(start, end - start))));
    ASSERT_EQ(sections->size(), expected.size());
    EXPECT_TRUE(platform::Value(*sections) == platform::Value(expected));
    EXPECT_EQ((*sections)[0]["threads"].array()->front()["stacktrace"].array()->size(), 10000u);
}

// Putting a long array together asks the stop as its values move, as building them did: a line of one
// array of 40,000 values asks once per 4,096 built and again once per 4,096 moved.
TEST_F(CRKFileReaderTest, PuttingALongArrayTogetherAsksTheStop) {
    constexpr size_t kValues = 40000;
    std::string line = "[";
    for (size_t i = 0; i < kValues; i++) line += (i ? "," : "") + std::to_string(i);
    const std::string path = write(line + "]\n");
    size_t asked = 0;
    const auto whole = CRKFileReadSections(path.c_str(), false, nullptr, SIZE_MAX, [&] {
        asked++;
        return false;
    });
    ASSERT_TRUE(whole && whole->size() == 1 && whole->front().array()->size() == kValues);
    EXPECT_GE(asked, 2 * (kValues / 4096));
    // The last ask inside the line comes as its values move: stopped there, nothing is kept.
    size_t count = 0;
    EXPECT_FALSE(
        CRKFileReadSections(path.c_str(), false, nullptr, SIZE_MAX, [&] { return ++count >= asked - 1; }));
    EXPECT_EQ(count, asked - 1);
}

// A record of a deep recursion is megabytes: its file is read a few megabytes at a time, and a stop
// answered between two pieces ends the reading there, the rest of the file unread.
TEST_F(CRKFileReaderTest, AStopBetweenPiecesOfALongFileLeavesTheRestUnread) {
    constexpr size_t kBytes = 12 << 20;
    const std::string path = write("[" + std::string(kBytes, '7') + "]\n");
    size_t asked = 0;
    const uint64_t before = bytesReadByThisThread();
    EXPECT_FALSE(CRKFileReadSections(path.c_str(), true, nullptr, SIZE_MAX, [&] { return ++asked >= 1; }));
    const uint64_t read = bytesReadByThisThread() - before;
    EXPECT_EQ(asked, 1u);
    EXPECT_GT(read, 0u);
    EXPECT_LE(read, kBytes / 2) << "read on past the stop";
    EXPECT_TRUE(platform::Files::exists(path));
}

}  // namespace
