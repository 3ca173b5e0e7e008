#include "platform/storage/BinaryPropertyListWriter.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"
#include "platform/storage/PropertyList.h"
#include "tests/support/TestEnvironment.h"

using platform::BinaryPropertyListWriter;
using platform::Data;
using platform::Date;
using platform::KeyedArchiver;
using platform::KeyedUnarchiver;
using platform::Number;
using platform::PropertyList;
using platform::Value;

namespace {

class BinaryPropertyListWriterTest : public testsupport::KestruneTest {
protected:
    // The trailer's object count and the widths of offsets and references.
    struct Trailer {
        uint64_t objects = 0;
        int offsetWidth = 0;
        int referenceWidth = 0;
    };
    static Trailer trailerOf(const Data& data) {
        const uint8_t* end = data.bytes() + data.size() - 32;
        Trailer trailer{0, end[6], end[7]};
        for (int i = 8; i < 16; ++i) trailer.objects = trailer.objects << 8 | end[i];
        return trailer;
    }
    // Writes the value as a binary property list and reads it back through libplist.
    static Value roundTrip(const Value& value, Trailer* trailer = nullptr) {
        auto data = PropertyList::dataFromValue(value, PropertyList::Format::Binary);
        EXPECT_TRUE(data);
        if (!data) return Value();
        if (trailer) *trailer = trailerOf(*data);
        auto back = PropertyList::valueFromData(*data);
        EXPECT_TRUE(back);
        return back ? *back : Value();
    }
};

}  // namespace

// Every width the format has: counts past the four-bit marker and past one byte, integers of each size
// (8 bytes signed, 16 for an unsigned value past the signed range), references and offsets past one and
// two bytes.
TEST_F(BinaryPropertyListWriterTest, EveryWidthReadsBackThroughTheLibrary) {
    Value::Array numbers;
    for (uint64_t bits :
         {0ull, 14ull, 15ull, 255ull, 256ull, 65535ull, 65536ull, 4294967295ull, 4294967296ull})
        numbers.emplace_back(Number(static_cast<long long>(bits)));
    numbers.emplace_back(-1);
    numbers.emplace_back(Number(std::numeric_limits<long long>::min()));
    numbers.emplace_back(Number(std::numeric_limits<unsigned long long>::max()));
    numbers.emplace_back(0.1);
    numbers.emplace_back(-2.5e300);
    numbers.emplace_back(true);
    numbers.emplace_back(false);
    Value::Dictionary sample{
        {"numbers", Value(numbers)},
        {"short", "fourteen chars"},
        {"fifteen", "fifteen chars!!"},
        {"long", std::string(300, 'x')},
        {"utf16", "Zürich 🔐 日本"},
        {std::string(20, 'k') + "é", "a long key, not ASCII"},
        {"bytes", Data(std::vector<uint8_t>(300, 0xAB))},
        {"no bytes", Data()},
        {"when", Date::dateWithTimeIntervalSinceReferenceDate(-12345.25)},
        {"references",
         Value::Array{Value(Value::Dictionary{{"CF$UID", 255}}), Value(Value::Dictionary{{"CF$UID", 256}}),
                      Value(Value::Dictionary{{"CF$UID", 70000}})}},
    };
    Value small(sample);
    EXPECT_EQ(roundTrip(small), small);

    // 70,000 distinct texts: over 65,536 objects (4-byte references) and a table past 64 KiB.
    Value::Array many;
    for (int i = 0; i < 70000; ++i) many.emplace_back("text " + std::to_string(i));
    many.emplace_back(small);
    Trailer trailer;
    Value big(many);
    EXPECT_EQ(roundTrip(big, &trailer), big);
    EXPECT_EQ(trailer.referenceWidth, 4);
    EXPECT_GE(trailer.offsetWidth, 4);
}

TEST_F(BinaryPropertyListWriterTest, EqualTextsAreOneObjectAndOtherValuesAreNot) {
    Trailer trailer;
    // The list, one text (value and key alike) and three numbers.
    Value value(Value::Array{"same", "same", Value::Dictionary{{"same", 1}}, 1, 1});
    EXPECT_EQ(roundTrip(value, &trailer), value);
    EXPECT_EQ(trailer.objects, 1u + 1u + 1u + 3u);
    EXPECT_EQ(trailer.referenceWidth, 1);

    // The builder answers the same object for the same text, and says so.
    BinaryPropertyListWriter writer;
    bool added = false;
    const uint64_t first = writer.addText("Zoë", &added);
    EXPECT_TRUE(added);
    EXPECT_EQ(writer.addText("Zoë", &added), first);
    EXPECT_FALSE(added);
    EXPECT_NE(writer.addText("Zoe", &added), first);
    EXPECT_TRUE(added);
}

// A single-precision field is stored as a 4-byte real (marker 0x22) beside 8-byte ones, and the library
// reads both back.
TEST_F(BinaryPropertyListWriterTest, SingleRealsTakeFourBytesAndReadBack) {
    BinaryPropertyListWriter writer;
    const uint64_t single = writer.addSingleReal(60.5f);
    const uint64_t inexact = writer.addSingleReal(0.1f);
    const uint64_t wide = writer.addReal(0.1);
    const Data data = writer.finish(writer.addList({single, inexact, wide}));
    const std::string bytes = data.toString();
    EXPECT_NE(bytes.find(std::string("\x22\x42\x72\x00\x00", 5)), std::string::npos);
    EXPECT_EQ(bytes.find(std::string("\x23\x40\x4E\x40", 4)), std::string::npos);  // no 8-byte 60.5
    auto back = PropertyList::valueFromData(data);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, Value(Value::Array{60.5, double(0.1f), 0.1}));
}

// Texts that the archive's own names also use (keys of its dictionaries) are entries of their own when
// the data holds them.
TEST_F(BinaryPropertyListWriterTest, ArchivedTextsThatAreAlsoTheArchivesKeysRoundTrip) {
    Value texts(Value::Array{"NS.objects", "$class", "root", "NSKeyedArchiver", "$classes", "NS.objects"});
    auto data = KeyedArchiver::archivedDataWithRootObject(texts);
    ASSERT_TRUE(data);
    platform::Error error;
    EXPECT_EQ(KeyedUnarchiver::unarchiveObjectWithData(*data, &error), texts);
    EXPECT_EQ(error.code, 0);
}

TEST_F(BinaryPropertyListWriterTest, TreesNoReaderWouldTakeAreRefused) {
    testsupport::LogCapture log;
    EXPECT_FALSE(BinaryPropertyListWriter::write(nullptr));
    // Nested past what the reader accepts: the file could never be read back.
    platform::PlistHandle deep(plist_new_string("bottom"));
    for (int i = 0; i < PropertyList::kMaximumDepth + 2; ++i) {
        plist_t outer = plist_new_array();
        plist_array_append_item(outer, deep.release());
        deep.reset(outer);
    }
    EXPECT_FALSE(BinaryPropertyListWriter::write(deep.get()));
    EXPECT_TRUE(log.contains("nested deeper"));
}
