#include "platform/storage/KeyedArchiver.h"

#include <gtest/gtest.h>

#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"
#include "platform/storage/Files.h"
#include "platform/storage/KeyedUnarchiver.h"
#include "platform/storage/PropertyList.h"
#include "tests/support/TestEnvironment.h"

using platform::ClassRegistry;
using platform::Coding;
using platform::Data;
using platform::Date;
using platform::Error;
using platform::Files;
using platform::KeyedArchiver;
using platform::KeyedUnarchiver;
using platform::Number;
using platform::PropertyList;
using platform::Value;

namespace {

// Small records shaped like the stored ones: optional object fields, plain numbers, nested records.
class TestAddress : public platform::Object, public Coding {
public:
    std::string className() const override { return "TestAddress"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        coder.encodeObject_forKey(city, "city");
        coder.encodeObject_forKey(lines, "lines");
    }
    bool initWithCoder(KeyedUnarchiver& coder) override {
        city = coder.decodeObjectForKey("city");
        lines = coder.decodeObjectForKey("lines");
        return true;
    }
    Value city;
    Value lines;
};

class TestPerson : public platform::Object, public Coding {
public:
    std::string className() const override { return "TestPerson"; }
    void encodeWithCoder(KeyedArchiver& coder) const override {
        coder.encodeObject_forKey(name, "name");
        coder.encodeObject_forKey(nickname, "nickname");
        coder.encodeObject_forKey(born, "born");
        coder.encodeObject_forKey(settings, "settings");
        coder.encodeObject_forKey(Value(address), "address");
        coder.encodeObject_forKey(Value(friendOf), "friend");
        coder.encodeObject_forKey(photo, "photo");
        coder.encodeObject_forKey(dollar, "$dollar");
        coder.encodeBool_forKey(active, "active");
        coder.encodeInt32_forKey(code, "code");
        coder.encodeInt64_forKey(stamp, "stamp");
        coder.encodeDouble_forKey(distance, "distance");
    }
    bool initWithCoder(KeyedUnarchiver& coder) override {
        name = coder.decodeObjectForKey("name");
        nickname = coder.decodeObjectForKey("nickname");
        born = coder.decodeObjectForKey("born");
        settings = coder.decodeObjectForKey("settings");
        address = coder.decodeObjectForKey("address").objectAs<TestAddress>();
        friendOf = coder.decodeObjectForKey("friend").objectAs<TestPerson>();
        photo = coder.decodeObjectForKey("photo");
        dollar = coder.decodeObjectForKey("$dollar");
        active = coder.decodeBoolForKey("active");
        code = coder.decodeInt32ForKey("code");
        stamp = coder.decodeInt64ForKey("stamp");
        distance = coder.decodeDoubleForKey("distance");
        hadNickname = coder.containsValueForKey("nickname");
        return true;
    }
    Value name, nickname, born, settings, photo, dollar;
    std::shared_ptr<TestAddress> address;
    std::shared_ptr<TestPerson> friendOf;
    bool active = false;
    int32_t code = 0;
    int64_t stamp = 0;
    double distance = 0;
    bool hadNickname = false;
};

// Registered by the test's SetUp instead, as a folder without a registrar would do at start-up.
class TestPicky : public platform::Object, public Coding {
public:
    std::string className() const override { return "TestPicky"; }
    void encodeWithCoder(KeyedArchiver& coder) const override { coder.encodeInt32_forKey(level, "level"); }
    bool initWithCoder(KeyedUnarchiver& coder) override {
        level = coder.decodeInt32ForKey("level");
        return level >= 0;  // a negative level is damage; the record refuses it
    }
    int32_t level = 0;
};

class TestUnregistered : public platform::Object, public Coding {
public:
    std::string className() const override { return "TestUnregistered"; }
    void encodeWithCoder(KeyedArchiver&) const override {}
    bool initWithCoder(KeyedUnarchiver&) override { return true; }
};

class TestNotCodable : public platform::Object {
public:
    std::string className() const override { return "TestNotCodable"; }
};

const ClassRegistry::Registrar<TestAddress> addressRegistrar("TestAddress");
const ClassRegistry::Registrar<TestPerson> personRegistrar("TestPerson", {"TestBeing"});

class KeyedArchiverTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        testsupport::KestruneTest::SetUp();
        ClassRegistry::shared().registerClass<TestPicky>("TestPicky");
    }

    static std::shared_ptr<TestPerson> samplePerson() {
        auto address = std::make_shared<TestAddress>();
        address->city = "Zürich";
        address->lines = Value::Array{"Bahnhofstrasse 1", "8001"};
        auto friendOf = std::make_shared<TestPerson>();
        friendOf->name = "Ana";
        friendOf->code = -7;
        auto person = std::make_shared<TestPerson>();
        person->name = "Zoë ✓ 🔐";
        person->born = Date::dateWithTimeIntervalSinceReferenceDate(-31536000.5);
        person->settings = Value::Dictionary{
            {"proximityLockDistance", 60.0},
            {"list", Value::Array{1, true, "x", Value::Dictionary{{"deep", Value::Array{}}}}},
            {"when", Date::dateWithTimeIntervalSince1970(0)},
            {"big", Value(Number(18446744073709551615ull))}};
        person->address = address;
        person->friendOf = friendOf;
        person->photo = Data(std::vector<uint8_t>{0x89, 'P', 'N', 'G', 0, 1});
        person->dollar = "kept apart from the archive's own keys";
        person->active = true;
        person->code = -2147483647 - 1;
        person->stamp = 9007199254740993ll;
        person->distance = 52.5;
        return person;
    }

    static Value decode(const Data& data, Error* error = nullptr,
                        const KeyedUnarchiver::ClassNames* allowed = nullptr) {
        return KeyedUnarchiver::unarchiveObjectWithData(data, error, allowed);
    }

    // Writes a hand-made archive (references as {"CF$UID": n}) as a binary property list.
    static Data archiveOf(Value::Array objects, Value root = Value(Value::Dictionary{{"CF$UID", 1}})) {
        Value archive(Value::Dictionary{{"$archiver", "NSKeyedArchiver"},
                                        {"$version", 100000},
                                        {"$top", Value::Dictionary{{"root", root}}},
                                        {"$objects", std::move(objects)}});
        auto data = PropertyList::dataFromValue(archive, PropertyList::Format::Binary);
        EXPECT_TRUE(data);
        return data ? *data : Data();
    }
    static Value uid(int n) { return Value(Value::Dictionary{{"CF$UID", n}}); }
    static Value classEntry(const std::string& name) {
        return Value(Value::Dictionary{{"$classname", name}, {"$classes", Value::Array{name, "NSObject"}}});
    }

    // Decodes and expects the failure code, a log line and no result.
    static void expectFailure(const Data& data, int64_t code,
                              const KeyedUnarchiver::ClassNames* allowed = nullptr) {
        testsupport::LogCapture log;
        Error error;
        Value result = decode(data, &error, allowed);
        EXPECT_TRUE(result.isNull()) << result.description();
        EXPECT_EQ(error.domain, KeyedUnarchiver::kErrorDomain);
        EXPECT_EQ(error.code, code) << error.description;
        EXPECT_FALSE(error.description.empty());
        EXPECT_TRUE(log.contains(error.description));
    }
};

}  // namespace

TEST_F(KeyedArchiverTest, NestedRecordsRoundTrip) {
    auto person = samplePerson();
    auto data = KeyedArchiver::archivedDataWithRootObject(Value(person));
    ASSERT_TRUE(data);
    Error error;
    auto back = decode(*data, &error).objectAs<TestPerson>();
    ASSERT_TRUE(back) << error.description;
    EXPECT_NE(back, person);
    EXPECT_EQ(back->name, person->name);
    EXPECT_TRUE(back->nickname.isNull());
    EXPECT_TRUE(back->hadNickname);  // written as $null: present but empty
    EXPECT_EQ(back->born, person->born);
    EXPECT_EQ(back->settings, person->settings);
    EXPECT_TRUE(back->settings["list"].array()->at(1).number()->isBoolean());
    EXPECT_EQ(back->photo, person->photo);
    EXPECT_EQ(back->dollar, person->dollar);
    EXPECT_TRUE(back->active);
    EXPECT_EQ(back->code, person->code);
    EXPECT_EQ(back->stamp, person->stamp);
    EXPECT_DOUBLE_EQ(back->distance, 52.5);
    ASSERT_TRUE(back->address);
    EXPECT_EQ(back->address->city, Value("Zürich"));
    EXPECT_EQ(back->address->lines, person->address->lines);
    ASSERT_TRUE(back->friendOf);
    EXPECT_EQ(back->friendOf->name, Value("Ana"));
    EXPECT_EQ(back->friendOf->code, -7);
    EXPECT_FALSE(back->friendOf->friendOf);
}

TEST_F(KeyedArchiverTest, ArchiveHasThePlatformObjectGraphLayout) {
    auto person = std::make_shared<TestPerson>();
    person->name = "Mac";
    person->settings = Value::Array{"Mac", 3};
    person->born = Date::dateWithTimeIntervalSinceReferenceDate(12.5);
    person->dollar = "x";
    auto data = KeyedArchiver::archivedDataWithRootObject(Value(person));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->toString().substr(0, 8), "bplist00");
    auto archive = PropertyList::valueFromData(*data);
    ASSERT_TRUE(archive);
    EXPECT_EQ((*archive)["$archiver"], Value("NSKeyedArchiver"));
    EXPECT_EQ((*archive)["$version"], Value(100000));
    const auto& objects = *(*archive)["$objects"].array();
    EXPECT_EQ(objects[0], Value("$null"));
    auto at = [&](const Value& reference) {
        return objects.at(reference["CF$UID"].number()->longLongValue());
    };

    const Value& root = at((*archive)["$top"]["root"]);
    EXPECT_EQ(at(root["$class"]),
              Value(Value::Dictionary{{"$classname", "TestPerson"},
                                      {"$classes", Value::Array{"TestPerson", "TestBeing", "NSObject"}}}));
    EXPECT_EQ(at(root["name"]), Value("Mac"));
    EXPECT_EQ(root["nickname"]["CF$UID"], Value(0));  // none is the $null entry
    EXPECT_EQ(root["active"], Value(false));          // plain numbers sit in the record itself
    EXPECT_EQ(root["distance"], Value(0.0));
    EXPECT_EQ(at(root["$$dollar"]), Value("x"));
    EXPECT_TRUE(root["$dollar"].isNull());

    const Value& list = at(root["settings"]);
    EXPECT_EQ(at(list["$class"])["$classes"], Value(Value::Array{"NSMutableArray", "NSArray", "NSObject"}));
    const auto& items = *list["NS.objects"].array();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], root["name"]);  // the same text is stored once
    EXPECT_EQ(at(items[1]), Value(3));

    const Value& date = at(root["born"]);
    EXPECT_EQ(at(date["$class"])["$classname"], Value("NSDate"));
    EXPECT_EQ(date["NS.time"], Value(12.5));
}

TEST_F(KeyedArchiverTest, SharedRecordsStaySharedAndStoredOnce) {
    auto address = std::make_shared<TestAddress>();
    address->city = "Bern";
    auto a = std::make_shared<TestPerson>();
    auto b = std::make_shared<TestPerson>();
    a->address = address;
    b->address = address;
    a->friendOf = b;
    Value root(Value::Array{a, b, a});
    auto data = KeyedArchiver::archivedDataWithRootObject(root);
    ASSERT_TRUE(data);
    auto archive = PropertyList::valueFromData(*data);
    ASSERT_TRUE(archive);
    int addresses = 0;
    for (const auto& object : *(*archive)["$objects"].array())
        if (object["city"].dictionary()) ++addresses;
    EXPECT_EQ(addresses, 1);

    Value back = decode(*data);
    ASSERT_TRUE(back.array());
    ASSERT_EQ(back.array()->size(), 3u);
    auto a2 = (*back.array())[0].objectAs<TestPerson>();
    auto b2 = (*back.array())[1].objectAs<TestPerson>();
    ASSERT_TRUE(a2 && b2);
    EXPECT_EQ((*back.array())[2].object(), a2);
    EXPECT_EQ(a2->friendOf, b2);
    ASSERT_TRUE(a2->address);
    EXPECT_EQ(a2->address, b2->address);
    EXPECT_EQ(a2->address->city, Value("Bern"));
}

TEST_F(KeyedArchiverTest, PlainValuesRoundTripWithoutAnyClass) {
    Value plain(Value::Dictionary{{"StoredDevices", Value::Array{"A", "B"}},
                                  {"n", -5},
                                  {"t", Date::dateWithTimeIntervalSince1970(1700000000.125)},
                                  {"d", Data::fromString("bytes")},
                                  {"empty", Value::Dictionary{}}});
    auto data = KeyedArchiver::archivedDataWithRootObject(plain);
    ASSERT_TRUE(data);
    KeyedUnarchiver::ClassNames none;
    EXPECT_EQ(decode(*data, nullptr, &none), plain);
    auto nothing = KeyedArchiver::archivedDataWithRootObject(Value());
    ASSERT_TRUE(nothing);
    Error error;
    EXPECT_TRUE(decode(*nothing, &error).isNull());
    EXPECT_EQ(error.code, 0);
}

TEST_F(KeyedArchiverTest, ValuesThatCannotBeArchivedAreRefused) {
    testsupport::LogCapture log;
    auto person = std::make_shared<TestPerson>();
    person->settings = Value::Array{std::make_shared<TestNotCodable>()};
    EXPECT_FALSE(KeyedArchiver::archivedDataWithRootObject(Value(person)));
    EXPECT_TRUE(log.contains("TestNotCodable"));

    Value deep("bottom");
    for (int i = 0; i < KeyedArchiver::kMaximumDepth + 1; ++i) deep = Value(Value::Array{deep});
    EXPECT_FALSE(KeyedArchiver::archivedDataWithRootObject(deep));

    // Records that refer to each other are written (each once) but refused on reading.
    auto a = std::make_shared<TestPerson>();
    auto b = std::make_shared<TestPerson>();
    a->friendOf = b;
    b->friendOf = a;
    auto data = KeyedArchiver::archivedDataWithRootObject(Value(a));
    b->friendOf.reset();  // break the loop so the test leaks nothing
    ASSERT_TRUE(data);
    expectFailure(*data, KeyedUnarchiver::kCycle);
}

TEST_F(KeyedArchiverTest, UnknownAndDisallowedClassesAreRefused) {
    auto stranger = KeyedArchiver::archivedDataWithRootObject(Value(std::make_shared<TestUnregistered>()));
    ASSERT_TRUE(stranger);
    expectFailure(*stranger, KeyedUnarchiver::kUnknownClass);

    auto data = KeyedArchiver::archivedDataWithRootObject(Value(samplePerson()));
    ASSERT_TRUE(data);
    KeyedUnarchiver::ClassNames onlyAddresses{"TestAddress"};
    expectFailure(*data, KeyedUnarchiver::kClassNotAllowed, &onlyAddresses);
    KeyedUnarchiver::ClassNames both{"TestAddress", "TestPerson"};
    EXPECT_TRUE(decode(*data, nullptr, &both).objectAs<TestPerson>());
    // A registered class nested inside plain collections is still checked.
    auto nested = KeyedArchiver::archivedDataWithRootObject(
        Value(Value::Dictionary{{"payload", Value::Array{std::make_shared<TestAddress>()}}}));
    ASSERT_TRUE(nested);
    KeyedUnarchiver::ClassNames plainOnly;
    expectFailure(*nested, KeyedUnarchiver::kClassNotAllowed, &plainOnly);
}

TEST_F(KeyedArchiverTest, RecordsMayRefuseTheirContents) {
    auto picky = std::make_shared<TestPicky>();
    picky->level = 4;
    auto good = KeyedArchiver::archivedDataWithRootObject(Value(picky));
    ASSERT_TRUE(good);
    auto back = decode(*good).objectAs<TestPicky>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->level, 4);
    picky->level = -1;
    auto bad = KeyedArchiver::archivedDataWithRootObject(Value(Value::Array{"x", picky}));
    ASSERT_TRUE(bad);
    expectFailure(*bad, KeyedUnarchiver::kRefused);
}

TEST_F(KeyedArchiverTest, TypedFieldsOfTheWrongKindReadAsZero) {
    Value::Array objects{"$null",
                         Value::Dictionary{{"$class", uid(2)},
                                           {"level", "not a number"},
                                           {"name", 3.5},
                                           {"active", 1},
                                           {"code", Value(Number(4294967296ll + 5))}},
                         classEntry("TestPicky")};
    testsupport::LogCapture log;
    auto picky = decode(archiveOf(objects)).objectAs<TestPicky>();
    ASSERT_TRUE(picky);
    EXPECT_EQ(picky->level, 0);
    EXPECT_TRUE(log.contains("\"level\" is not a 32-bit integer"));

    objects[2] = classEntry("TestPerson");
    auto person = decode(archiveOf(objects)).objectAs<TestPerson>();
    ASSERT_TRUE(person);
    EXPECT_EQ(person->name, Value(3.5));  // a number written in place reads as itself
    EXPECT_TRUE(person->active);          // an integer reads as a boolean
    EXPECT_EQ(person->code, 5);           // too wide for 32 bits: the low bits, with a log line
    EXPECT_TRUE(log.contains("too large for 32 bits"));
    EXPECT_EQ(person->stamp, 0);  // missing
    EXPECT_FALSE(person->hadNickname);
}

TEST_F(KeyedArchiverTest, MalformedArchivesGiveErrorsNotCrashes) {
    using K = KeyedUnarchiver;
    Value array = classEntry("NSArray");
    Value dict = classEntry("NSDictionary");
    // Not an archive at all.
    expectFailure(Data::fromString("definitely not"), K::kNotAnArchive);
    expectFailure(*PropertyList::dataFromValue(Value(Value::Array{1}), PropertyList::Format::Binary),
                  K::kNotAnArchive);
    auto wrongArchiver = PropertyList::dataFromValue(
        Value(Value::Dictionary{{"$archiver", "Other"}, {"$objects", Value::Array{"$null"}}}),
        PropertyList::Format::Binary);
    expectFailure(*wrongArchiver, K::kNotAnArchive);
    // References outside the object list.
    expectFailure(archiveOf({"$null"}, uid(7)), K::kMalformed);
    expectFailure(
        archiveOf(
            {"$null", Value::Dictionary{{"$class", uid(2)}, {"NS.objects", Value::Array{uid(99)}}}, array}),
        K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(50)}}}), K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(0)}}}), K::kMalformed);
    // Wrong node types.
    expectFailure(archiveOf({"$null", Value::Dictionary{{"no class", 1}}}), K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Array{1, 2}}), K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}, {"NS.objects", "x"}}, array}),
                  K::kMalformed);
    expectFailure(
        archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}, {"NS.objects", Value::Array{5}}}, array}),
        K::kMalformed);
    expectFailure(
        archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}}, Value::Dictionary{{"$classes", 1}}}),
        K::kMalformed);
    expectFailure(archiveOf({"$null",
                             Value::Dictionary{{"$class", uid(2)},
                                               {"NS.keys", Value::Array{uid(3)}},
                                               {"NS.objects", Value::Array{uid(3)}}},
                             dict, 42}),
                  K::kMalformed);  // a dictionary key that is no text
    expectFailure(archiveOf({"$null",
                             Value::Dictionary{{"$class", uid(2)},
                                               {"NS.keys", Value::Array{uid(3), uid(3)}},
                                               {"NS.objects", Value::Array{uid(3)}}},
                             dict, "k"}),
                  K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}}, classEntry("NSDate")}),
                  K::kMalformed);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}}, classEntry("NSNumber")}),
                  K::kMalformed);
    // A record field that is a container written in place instead of a reference.
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}, {"name", Value::Array{}}},
                             classEntry("TestPerson")}),
                  K::kMalformed);
    // Cycles: a list inside itself, a record whose field is itself.
    expectFailure(
        archiveOf(
            {"$null", Value::Dictionary{{"$class", uid(2)}, {"NS.objects", Value::Array{uid(1)}}}, array}),
        K::kCycle);
    expectFailure(archiveOf({"$null", Value::Dictionary{{"$class", uid(2)}, {"friend", uid(1)}},
                             classEntry("TestPerson")}),
                  K::kCycle);
}

TEST_F(KeyedArchiverTest, DeepAndExplosiveArchivesAreCapped) {
    // 200 lists, each holding the next.
    Value::Array chain{"$null"};
    for (int i = 1; i <= 200; ++i)
        chain.push_back(Value::Dictionary{{"$class", uid(201)}, {"NS.objects", Value::Array{uid(i + 1)}}});
    chain[200] = Value::Dictionary{{"$class", uid(201)}, {"NS.objects", Value::Array{}}};
    chain.push_back(classEntry("NSArray"));
    expectFailure(archiveOf(chain), KeyedUnarchiver::kTooDeep);

    // 40 lists, each holding the next one 30 times: 30^40 objects if expanded.
    Value::Array laughs{"$null"};
    for (int i = 1; i <= 40; ++i)
        laughs.push_back(Value::Dictionary{{"$class", uid(42)},
                                           {"NS.objects", Value::Array(30, uid(i < 40 ? i + 1 : 41))}});
    laughs.push_back("ha");
    laughs.push_back(classEntry("NSArray"));
    expectFailure(archiveOf(laughs), KeyedUnarchiver::kTooLarge);
}

TEST_F(KeyedArchiverTest, DamagedBytesNeverCrash) {
    auto data = KeyedArchiver::archivedDataWithRootObject(Value(samplePerson()));
    ASSERT_TRUE(data);
    testsupport::LogCapture quiet;
    for (size_t length = 0; length < data->size(); length += 7) {
        Error error;
        EXPECT_TRUE(decode(*data->subdata(0, length), &error).isNull());
        EXPECT_NE(error.code, 0);
    }
    // Every damaged copy either decodes or is refused with an error; never both, never a crash.
    size_t refused = 0;
    for (size_t i = 0; i < data->size(); ++i) {
        for (uint8_t flip : {0x01, 0x80, 0xff}) {
            Data damaged = *data;
            damaged.mutableBytes()[i] ^= flip;
            Error error;
            Value value = decode(damaged, &error);
            if (error.code != 0) {
                ++refused;
                EXPECT_TRUE(value.isNull());
            }
        }
    }
    EXPECT_GT(refused, data->size());
}

TEST_F(KeyedArchiverTest, FilesAreSavedAtomicallyAndBadFilesMovedAside) {
    std::string path = home() + "/.local/share/Kestrune/com.kestrune.Kestrune";
    using Status = KeyedUnarchiver::FileResult::Status;
    EXPECT_EQ(KeyedUnarchiver::unarchiveObjectWithFile(path).status, Status::Missing);

    auto person = samplePerson();
    ASSERT_TRUE(KeyedArchiver::archiveRootObject_toFile(Value(person), path, 0600));
    auto loaded = KeyedUnarchiver::unarchiveObjectWithFile(path);
    EXPECT_EQ(loaded.status, Status::Loaded);
    ASSERT_TRUE(loaded.root.objectAs<TestPerson>());
    EXPECT_EQ(loaded.root.objectAs<TestPerson>()->name, person->name);

    // An interrupted save leaves the previous archive readable.
    person->name = "changed";
    Files::failNextWriteAfter(10);
    EXPECT_FALSE(KeyedArchiver::archiveRootObject_toFile(Value(person), path));
    auto again = KeyedUnarchiver::unarchiveObjectWithFile(path);
    ASSERT_EQ(again.status, Status::Loaded);
    EXPECT_EQ(again.root.objectAs<TestPerson>()->name, samplePerson()->name);

    // A file that cannot be decoded is moved aside, never left to be overwritten.
    ASSERT_TRUE(Files::writeAtomically(path, Data::fromString("bplist00 but damaged")));
    testsupport::LogCapture log;
    auto bad = KeyedUnarchiver::unarchiveObjectWithFile(path);
    EXPECT_EQ(bad.status, Status::Unreadable);
    ASSERT_TRUE(bad.error);
    EXPECT_EQ(bad.error->code, KeyedUnarchiver::kNotAnArchive);
    ASSERT_TRUE(bad.movedAsidePath);
    EXPECT_FALSE(Files::exists(path));
    EXPECT_EQ(Files::read(*bad.movedAsidePath)->toString(), "bplist00 but damaged");
    EXPECT_TRUE(log.contains(path));
}
