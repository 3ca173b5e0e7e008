#include "platform/storage/PropertyList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Date;
using platform::Number;
using platform::PropertyList;
using platform::Value;

namespace {

// A binary property list of containers only: object i is an array referring to the objects listed for it.
Data binaryOfArrays(const std::vector<std::vector<uint32_t>>& objects) {
    Data out = Data::fromString("bplist00");
    std::vector<uint32_t> offsets;
    auto put32 = [&out](uint32_t v) {
        uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        out.append(b, 4);
    };
    for (const auto& children : objects) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        uint8_t marker = static_cast<uint8_t>(0xA0 | std::min<size_t>(children.size(), 0x0F));
        out.append(&marker, 1);
        if (children.size() >= 0x0F) {
            uint8_t count[2] = {0x12, 0};
            out.append(count, 1);
            put32(static_cast<uint32_t>(children.size()));
        }
        for (uint32_t child : children) put32(child);
    }
    uint32_t table = static_cast<uint32_t>(out.size());
    for (uint32_t offset : offsets) put32(offset);
    uint8_t trailer[32] = {};
    trailer[6] = 4;
    trailer[7] = 4;
    for (int i = 0; i < 4; ++i) {
        trailer[15 - i] = uint8_t(objects.size() >> (8 * i));
        trailer[31 - i] = uint8_t(table >> (8 * i));
    }
    out.append(trailer, 32);
    return out;
}

class PropertyListTest : public testsupport::KestruneTest {
protected:
    // Writes the value in the format, reads it back and checks that the format was recognised.
    Value roundTrip(const Value& value, PropertyList::Format format) {
        auto data = PropertyList::dataFromValue(value, format);
        EXPECT_TRUE(data);
        if (!data) return Value();
        PropertyList::Format found =
            format == PropertyList::Format::XML ? PropertyList::Format::Binary : PropertyList::Format::XML;
        auto back = PropertyList::valueFromData(*data, &found);
        EXPECT_TRUE(back);
        EXPECT_EQ(found, format);
        return back ? *back : Value();
    }

    static Value sample() {
        Value::Dictionary inner{{"flag", true},
                                {"off", false},
                                {"count", -56},
                                {"big", Value(Number(9007199254740993ll))},
                                {"huge", Value(Number(18446744073709551615ull))},
                                {"lowest", Value(Number(std::numeric_limits<long long>::min()))},
                                {"ratio", 0.1},
                                {"distance", 60.0},
                                {"bytes", Data(std::vector<uint8_t>{0, 1, 2, 255, 0})},
                                {"empty", Value::Array{}}};
        return Value(Value::Dictionary{
            {"name", "Zoë's Mac ✓ 日本 <&> \"quoted\""},
            {"emoji", "🔐"},
            {"list", Value::Array{1, "two", Value::Array{3.5, Value::Dictionary{}}}},
            {"inner", Value(inner)},
            {"", "empty key"},
            {"key <with> & entities", ""},
        });
    }
};

}  // namespace

TEST_F(PropertyListTest, NestedValuesRoundTripInBothFormats) {
    for (auto format : {PropertyList::Format::XML, PropertyList::Format::Binary}) {
        Value back = roundTrip(sample(), format);
        EXPECT_EQ(back, sample()) << back.description();
        // Booleans stay booleans and whole reals stay reals: the typed getters depend on it.
        EXPECT_TRUE(back["inner"]["flag"].number()->isBoolean());
        EXPECT_TRUE(back["inner"]["distance"].number()->isReal());
        EXPECT_FALSE(back["inner"]["count"].number()->isReal());
        EXPECT_EQ(back["inner"]["huge"].number()->unsignedLongLongValue(), 18446744073709551615ull);
        EXPECT_EQ(back["inner"]["lowest"].number()->longLongValue(), std::numeric_limits<long long>::min());
    }
}

TEST_F(PropertyListTest, XMLIsTheFormatOtherToolsRead) {
    auto data = PropertyList::dataFromValue(
        Value(Value::Dictionary{{"proximityLockDistance", 52},
                                {"allow_closer_distances", true},
                                {"first_run_date", Date::dateWithTimeIntervalSince1970(0)}}),
        PropertyList::Format::XML);
    ASSERT_TRUE(data);
    std::string text = data->toString();
    EXPECT_NE(text.find("<key>proximityLockDistance</key>"), std::string::npos);
    EXPECT_NE(text.find("<integer>52</integer>"), std::string::npos);
    EXPECT_NE(text.find("<true/>"), std::string::npos);
    EXPECT_NE(text.find("<date>1970-01-01T00:00:00Z</date>"), std::string::npos);
    auto binary = PropertyList::dataFromValue(Value(1), PropertyList::Format::Binary);
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->toString().substr(0, 8), "bplist00");
}

TEST_F(PropertyListTest, DatesCountFromTheReferenceDate) {
    Date epoch = Date::dateWithTimeIntervalSince1970(0);
    Date reference = Date::dateWithTimeIntervalSinceReferenceDate(0);
    Date precise = Date::dateWithTimeIntervalSinceReferenceDate(700000000.25);
    Date before = Date::dateWithTimeIntervalSinceReferenceDate(-12345.5);
    Value dates(Value::Array{epoch, reference, precise, before});
    Value binary = roundTrip(dates, PropertyList::Format::Binary);
    ASSERT_TRUE(binary.array());
    EXPECT_EQ(binary, dates);
    // XML keeps whole seconds only.
    Value xml = roundTrip(dates, PropertyList::Format::XML);
    ASSERT_TRUE(xml.array());
    EXPECT_EQ((*xml.array())[0], Value(epoch));
    EXPECT_EQ((*xml.array())[1], Value(reference));
    EXPECT_DOUBLE_EQ((*xml.array())[2].date()->timeIntervalSinceReferenceDate(), 700000000.0);

    auto node = PropertyList::dateNode(-2.75);
    EXPECT_DOUBLE_EQ(PropertyList::dateNodeSecondsSinceReferenceDate(node.get()), -2.75);
}

TEST_F(PropertyListTest, DatesOutsideTheHeldRangeAreClampedWithALogLine) {
    testsupport::LogCapture log;
    Value far(Date::distantPast());
    Value back = roundTrip(far, PropertyList::Format::Binary);
    ASSERT_TRUE(back.date());
    EXPECT_DOUBLE_EQ(back.date()->timeIntervalSinceReferenceDate(), std::numeric_limits<int32_t>::min());
    EXPECT_TRUE(log.contains("clamped"));
}

TEST_F(PropertyListTest, ValuesAPropertyListCannotHoldAreRefusedWhole) {
    testsupport::LogCapture log;
    EXPECT_FALSE(PropertyList::dataFromValue(Value(), PropertyList::Format::XML));
    EXPECT_FALSE(
        PropertyList::dataFromValue(Value(Value::Array{1, Value(), 2}), PropertyList::Format::Binary));
    EXPECT_FALSE(PropertyList::dataFromValue(
        Value(Value::Dictionary{{"a", Value::Dictionary{{"b", Value()}}}}), PropertyList::Format::XML));
    EXPECT_FALSE(
        PropertyList::dataFromValue(Value(std::string("nul\0inside", 10)), PropertyList::Format::XML));
    EXPECT_GE(log.lines().size(), 4u);
}

TEST_F(PropertyListTest, ReferencesReadAsUIDDictionariesAndWriteBack) {
    Value reference(Value::Dictionary{{"CF$UID", 7}});
    auto binary = PropertyList::dataFromValue(reference, PropertyList::Format::Binary);
    ASSERT_TRUE(binary);
    auto node = PropertyList::parse(*binary);
    ASSERT_TRUE(node);
    EXPECT_EQ(plist_get_node_type(node.get()), PLIST_UID);
    auto back = PropertyList::valueFromNode(node.get());
    ASSERT_TRUE(back);
    EXPECT_EQ((*back)["CF$UID"].number()->longLongValue(), 7);
}

TEST_F(PropertyListTest, BadBytesGiveNoneAndALogLine) {
    auto good = PropertyList::dataFromValue(sample(), PropertyList::Format::Binary);
    auto goodXML = PropertyList::dataFromValue(sample(), PropertyList::Format::XML);
    ASSERT_TRUE(good && goodXML);
    std::vector<Data> bad = {
        Data(),
        Data::fromString("garbage"),
        Data::fromString("bplist00"),
        Data::fromString("bplist00 this is not a binary property list at all, only text"),
        *good->subdata(0, good->size() / 2),
        *goodXML->subdata(0, goodXML->size() / 2),
        Data::fromString("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key></plist>"),
    };
    // A damaged trailer: the object count and offsets point outside the data.
    Data damaged = *good;
    for (size_t i = damaged.size() - 24; i < damaged.size(); ++i) damaged.mutableBytes()[i] = 0xff;
    bad.push_back(damaged);
    for (const Data& data : bad) {
        testsupport::LogCapture log;
        EXPECT_FALSE(PropertyList::valueFromData(data)) << data.hexString();
        EXPECT_FALSE(log.lines().empty());
    }
}

TEST_F(PropertyListTest, DeepNestingIsRefusedNotOverflowed) {
    Value deep = Value(1);
    for (int i = 0; i < PropertyList::kMaximumDepth + 5; ++i) deep = Value(Value::Array{deep});
    testsupport::LogCapture log;
    EXPECT_FALSE(PropertyList::dataFromValue(deep, PropertyList::Format::XML));
    EXPECT_TRUE(log.contains("deeper"));

    std::string xml = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < PropertyList::kMaximumDepth + 5; ++i) xml += "<array>";
    for (int i = 0; i < PropertyList::kMaximumDepth + 5; ++i) xml += "</array>";
    xml += "</plist>";
    EXPECT_FALSE(PropertyList::valueFromData(Data::fromString(xml)));
}

TEST_F(PropertyListTest, HostileBinaryStructuresAreRefusedBeforeParsing) {
    // A chain of 100000 nested arrays would overflow the parser's stack.
    std::vector<std::vector<uint32_t>> chain;
    for (uint32_t i = 0; i < 100000; ++i) chain.push_back({i + 1});
    chain.push_back({});
    testsupport::LogCapture log;
    EXPECT_FALSE(PropertyList::valueFromData(binaryOfArrays(chain)));
    EXPECT_TRUE(log.contains("nested too deep"));

    // 40 arrays that each refer twice to the next expand to 2^40 objects.
    std::vector<std::vector<uint32_t>> laughs;
    for (uint32_t i = 0; i < 40; ++i) laughs.push_back({i + 1, i + 1});
    laughs.push_back({});
    EXPECT_FALSE(PropertyList::valueFromData(binaryOfArrays(laughs)));
    EXPECT_TRUE(log.contains("too many objects"));

    // An array that contains itself, and a reference past the last object.
    EXPECT_FALSE(PropertyList::valueFromData(binaryOfArrays({{0}})));
    EXPECT_FALSE(PropertyList::valueFromData(binaryOfArrays({{1}})));

    // Sharing that stays small is fine.
    auto shared = PropertyList::valueFromData(binaryOfArrays({{1, 1, 1}, {}}));
    ASSERT_TRUE(shared);
    EXPECT_EQ(*shared, Value(Value::Array{Value::Array{}, Value::Array{}, Value::Array{}}));
    std::vector<uint32_t> many(20, 1);
    auto wide = PropertyList::valueFromData(binaryOfArrays({many, {}}));
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide->array()->size(), 20u);
}

TEST_F(PropertyListTest, VeryDeepXMLIsRefusedWithoutRecursion) {
    std::string xml = "<?xml version=\"1.0\"?><!-- <array> in a comment --><plist version=\"1.0\">";
    for (int i = 0; i < 100000; ++i) xml += "<array>";
    for (int i = 0; i < 100000; ++i) xml += "</array>";
    xml += "</plist>";
    testsupport::LogCapture log;
    EXPECT_FALSE(PropertyList::valueFromData(Data::fromString(xml)));
    EXPECT_TRUE(log.contains("nested too deep"));
    // Comments, declarations and empty containers do not count as nesting.
    std::string fine =
        "<?xml version=\"1.0\"?><!-- <array><array> --><plist version=\"1.0\"><dict><key>a</key>"
        "<array/><key>b</key><dict/></dict></plist>";
    auto value = PropertyList::valueFromData(Data::fromString(fine));
    ASSERT_TRUE(value);
    EXPECT_EQ((*value)["a"], Value(Value::Array{}));
}

TEST_F(PropertyListTest, BinaryTextWithANulCharacterIsRefused) {
    // One ASCII string object "a\0b": libplist would abort the process when asked for its text.
    std::vector<uint8_t> bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0x53, 'a', 0, 'b', 8};
    std::vector<uint8_t> trailer(32, 0);
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = 1;   // one object
    trailer[31] = 12;  // the offset table
    bytes.insert(bytes.end(), trailer.begin(), trailer.end());
    testsupport::LogCapture log;
    EXPECT_FALSE(PropertyList::valueFromData(Data(bytes)));
    EXPECT_TRUE(log.contains("NUL"));
    bytes[10] = 'x';  // the same file without the NUL reads fine
    auto value = PropertyList::valueFromData(Data(bytes));
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, Value("axb"));
}

TEST_F(PropertyListTest, TextsThatAreNotUTF8AreRepairedBothWays) {
    // libplist would write such a text as an empty one and then fail to read its own file.
    std::string broken = "ok \xfb\x01 end";
    testsupport::LogCapture log;
    for (auto format : {PropertyList::Format::XML, PropertyList::Format::Binary}) {
        Value back = roundTrip(Value(Value::Dictionary{{broken, broken}}), format);
        ASSERT_TRUE(back.dictionary());
        const auto& [key, text] = *back.dictionary()->begin();
        EXPECT_EQ(key, "ok \xef\xbf\xbd\x01 end");
        EXPECT_EQ(text, Value(key));
    }
    EXPECT_TRUE(log.contains("not valid UTF-8"));
}
