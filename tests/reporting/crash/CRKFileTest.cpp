#include "reporting/crash/CRKFile.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "reporting/crash/store/CRKFileReader.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using platform::Value;

class CRKFileTest : public testsupport::KestruneTest {
protected:
    std::string path(const std::string& name = "record.crkrecord") const { return home() + "/" + name; }

    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static uint64_t sizeOf(const std::string& file) {
        struct stat st;
        return stat(file.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    }

    template <typename Write>
    std::string written(Write write, bool buffered = false) {
        CRKFile file;
        EXPECT_TRUE(CRKFileInitWithPathMode(&file, path().c_str(), false, buffered));
        write(&file);
        EXPECT_TRUE(CRKFileClose(&file));
        return contents(path());
    }

    static void writeRaw(const std::string& file, const std::string& text) {
        std::ofstream out(file, std::ios::binary);
        out << text;
    }
};

TEST_F(CRKFileTest, WritesEachEncodingAsOneLine) {
    const std::string text = written([](CRKFile* f) {
        CRKFileWriteSectionStart(f, "signal");
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEntryUInt64(f, "number", 11);
        CRKFileWriteHashEntryInt64(f, "offset", -5);
        CRKFileWriteHashEntryInt64(f, "positive", 7);
        CRKFileWriteHashEntryString(f, "name", "SIGSEGV");
        CRKFileWriteHashEntryBoolean(f, "flag", true);
        CRKFileWriteHashEntryBoolean(f, "other", false);
        CRKFileWriteHashEntryString(f, "none", nullptr);
        CRKFileWriteHashEntryHexEncodedString(f, "msg", "hi");
        CRKFileWriteHashEntryHexEncodedString(f, "empty", "");
        CRKFileWriteHashEntryHexEncodedString(f, "nohex", nullptr);
        CRKFileWriteHashEntryUInt64(f, "zero", 0);
        CRKFileWriteHashEnd(f);
        CRKFileWriteSectionEnd(f);
    });
    EXPECT_EQ(text,
              "{\"signal\":{\"number\":11,\"offset\":-5,\"positive\":7,\"name\":\"SIGSEGV\",\"flag\":true,"
              "\"other\":false,\"none\":null,\"msg\":\"6869\",\"empty\":\"\",\"nohex\":null,\"zero\":0}}\n");
}

TEST_F(CRKFileTest, NumbersAtTheirLimits) {
    const std::string text = written([](CRKFile* f) {
        CRKFileWriteSectionStart(f, "n");
        CRKFileWriteArrayStart(f);
        CRKFileWriteArrayEntryUInt64(f, UINT64_MAX);
        CRKFileWriteArrayEnd(f);
        CRKFileWriteSectionEnd(f);
        CRKFileWriteSectionStart(f, "m");
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEntryInt64(f, "min", INT64_MIN);
        CRKFileWriteHashEntryInt64(f, "max", INT64_MAX);
        CRKFileWriteHashEnd(f);
        CRKFileWriteSectionEnd(f);
    });
    EXPECT_EQ(text,
              "{\"n\":[18446744073709551615]}\n"
              "{\"m\":{\"min\":-9223372036854775808,\"max\":9223372036854775807}}\n");
    auto sections = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 2u);
    EXPECT_EQ((*sections)[0]["n"].array()->at(0).number()->unsignedLongLongValue(), UINT64_MAX);
    EXPECT_EQ((*sections)[1]["m"]["min"].number()->longLongValue(), INT64_MIN);

    char buffer[21];
    EXPECT_STREQ(CRKFileFormatUInt64(buffer, 0xbeef, true), "beef");
    EXPECT_STREQ(CRKFileFormatUInt64(buffer, 0, false), "0");
    EXPECT_STREQ(CRKFileFormatUInt64(buffer, UINT64_MAX, true), "ffffffffffffffff");
}

TEST_F(CRKFileTest, CommasFollowNestingAndNeverLeadASection) {
    const std::string text = written([](CRKFile* f) {
        CRKFileWriteSectionStart(f, "threads");
        CRKFileWriteArrayStart(f);
        CRKFileWriteHashStart(f);
        CRKFileWriteHashKey(f, "stacktrace");
        CRKFileWriteArrayStart(f);
        CRKFileWriteArrayEntryUInt64(f, 1);
        CRKFileWriteArrayEntryUInt64(f, 2);
        CRKFileWriteArrayEnd(f);
        CRKFileWriteHashKey(f, "registers");
        CRKFileWriteArrayStart(f);
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEntryUInt64(f, "pc", 3);
        CRKFileWriteHashEnd(f);
        CRKFileWriteArrayEnd(f);
        CRKFileWriteHashEntryBoolean(f, "crashed", true);
        CRKFileWriteHashEnd(f);
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEnd(f);
        CRKFileWriteArrayEnd(f);
        CRKFileWriteSectionEnd(f);
        CRKFileWriteSectionStart(f, "names");
        CRKFileWriteArrayStart(f);
        CRKFileWriteArrayEntryString(f, "a");
        CRKFileWriteArrayEntryHexEncodedString(f, "b");
        CRKFileWriteArrayEntryString(f, nullptr);
        CRKFileWriteArrayEnd(f);
        CRKFileWriteSectionEnd(f);
    });
    EXPECT_EQ(text,
              "{\"threads\":[{\"stacktrace\":[1,2],\"registers\":[{\"pc\":3}],\"crashed\":true},{}]}\n"
              "{\"names\":[\"a\",\"62\",null]}\n");
}

TEST_F(CRKFileTest, UnlessNilOrEmptyLeavesTheHashUntouched) {
    const auto write = [](const std::optional<std::string>& value) {
        return [value](CRKFile* f) {
            CRKFileWriteSectionStart(f, "application");
            CRKFileWriteHashStart(f);
            CRKFileWriteHashEntryString(f, "bundle_id", "x");
            CRKFileWriteHashEntryNSStringUnlessNilOrEmpty(f, "extra", value);
            CRKFileWriteHashEntryString(f, "build", "1");
            CRKFileWriteHashEnd(f);
            CRKFileWriteSectionEnd(f);
        };
    };
    const std::string expected = "{\"application\":{\"bundle_id\":\"x\",\"build\":\"1\"}}\n";
    EXPECT_EQ(written(write(std::string())), expected);
    EXPECT_EQ(written(write(std::nullopt)), expected);
    EXPECT_EQ(written(write(std::string("v"))),
              "{\"application\":{\"bundle_id\":\"x\",\"extra\":\"v\",\"build\":\"1\"}}\n");
}

TEST_F(CRKFileTest, HostileStringsRoundTripFieldForField) {
    const std::vector<std::string> hostile = {
        "/Users/a\"b/c",
        "C:\\path\\to\\lib",
        "line\nbreak\r\ttab",
        std::string("bell\x07 esc\x1b unit\x1f del\x7f"),
        "\"",
        "\\",
        "\\\"",
        "short\"",
        "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x92\xa5",
        "a very long path that is written in several pieces \"with quotes\" and \\backslashes\\ "
        "repeated so that the escaping buffer fills up and has to be written more than once: "
        "\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"\"",
    };
    for (bool buffered : {false, true}) {
        written(
            [&](CRKFile* f) {
                for (const std::string& text : hostile) {
                    CRKFileWriteSectionStart(f, "path");
                    CRKFileWriteHashStart(f);
                    CRKFileWriteHashEntryString(f, "raw", text.c_str());
                    CRKFileWriteHashEntryNSString(f, "object", text);
                    CRKFileWriteHashEntryHexEncodedString(f, "hex", text.c_str());
                    CRKFileWriteHashKey(f, text.c_str());
                    CRKFileWriteArrayStart(f);
                    CRKFileWriteArrayEntryString(f, text.c_str());
                    CRKFileWriteArrayEnd(f);
                    CRKFileWriteHashEnd(f);
                    CRKFileWriteSectionEnd(f);
                }
            },
            buffered);
        auto sections = CRKFileReadSections(path().c_str(), false);
        ASSERT_TRUE(sections);
        ASSERT_EQ(sections->size(), hostile.size()) << "buffered " << buffered;
        for (size_t i = 0; i < hostile.size(); i++) {
            const Value& section = (*sections)[i]["path"];
            EXPECT_EQ(*section["raw"].string(), hostile[i]);
            EXPECT_EQ(*section["object"].string(), hostile[i]);
            EXPECT_EQ(CRKFileHexDecodeString(section["hex"].string()->c_str()), hostile[i]);
            ASSERT_TRUE(section[hostile[i]].array()) << hostile[i];
            EXPECT_EQ(*section[hostile[i]].array()->at(0).string(), hostile[i]);
        }
    }
}

TEST_F(CRKFileTest, BytesThatAreNotUTF8BecomeReplacementCharacters) {
    written([](CRKFile* f) {
        CRKFileWriteSectionStart(f, "image");
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEntryString(f, "path", "/lib/\xff\xfe\xc3(\xed\xa0\x80x\xf0\x9f\x92");
        CRKFileWriteHashEnd(f);
        CRKFileWriteSectionEnd(f);
        CRKFileWriteSectionStart(f, "after");
        CRKFileWriteHashStart(f);
        CRKFileWriteHashEnd(f);
        CRKFileWriteSectionEnd(f);
    });
    auto sections = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 2u);
    const std::string fffd = "\xef\xbf\xbd";
    EXPECT_EQ(*(*sections)[0]["image"]["path"].string(),
              "/lib/" + fffd + fffd + fffd + "(" + fffd + fffd + fffd + "x" + fffd + fffd + fffd);
}

TEST_F(CRKFileTest, ReaderSkipsBrokenLinesAndKeepsTheRest) {
    writeRaw(path(),
             "{\"a\":{\"v\":1}}\n"
             "{\"b\":{\"path\":\"un\"escaped\"}}\n"
             "\n"
             "{\"c\":{\"v\":\xff}}\n"
             "{\"d\":{\"v\":3}}\n"
             "{\"e\":{\"cut\":[1,2");
    auto sections = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 2u);
    EXPECT_EQ((*sections)[0]["a"]["v"].number()->intValue(), 1);
    EXPECT_EQ((*sections)[1]["d"]["v"].number()->intValue(), 3);

    // A line nested far deeper than any record is taken as corrupt, not followed down.
    writeRaw(path(), std::string(10000, '[') + "\n{\"ok\":{}}\n");
    sections = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 1u);
    EXPECT_TRUE((*sections)[0]["ok"].dictionary());
}

TEST_F(CRKFileTest, ReaderAnswersNoneForAMissingFileAndAppliesTheTransform) {
    EXPECT_FALSE(CRKFileReadSections(path("missing").c_str(), true));
    EXPECT_FALSE(CRKFileReadSections(nullptr, false));

    writeRaw(path(), "");
    auto empty = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());

    writeRaw(path(), "{\"log\":{\"n\":1}}\n{\"kv\":{\"n\":2}}\n{\"log\":{\"n\":3}}\n");
    auto logs = CRKFileReadSections(path().c_str(), false, [](const Value& section) {
        return section["log"].isNull() ? Value() : section["log"]["n"];
    });
    ASSERT_TRUE(logs);
    ASSERT_EQ(logs->size(), 2u);
    EXPECT_EQ((*logs)[0].number()->intValue(), 1);
    EXPECT_EQ((*logs)[1].number()->intValue(), 3);
}

TEST_F(CRKFileTest, BufferFlushesExactlyWhenTheNextPieceWouldNotFit) {
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPathMode(&file, path().c_str(), false, true));
    const std::string piece(999, 'x');
    CRKFileWriteBytes(&file, piece.data(), piece.size());
    EXPECT_EQ(sizeOf(path()), 0u);
    EXPECT_EQ(file.bufferedLength, 999u);
    CRKFileWriteBytes(&file, "y", 1);
    EXPECT_EQ(sizeOf(path()), 999u);
    EXPECT_EQ(file.bufferedLength, 1u);

    // A piece longer than the buffer goes out in 999-byte writes.
    const std::string big(2500, 'z');
    CRKFileWriteBytes(&file, big.data(), big.size());
    EXPECT_EQ(sizeOf(path()), 999u * 3);
    uint64_t offset = 0;
    ASSERT_TRUE(CRKFileCloseWithOffset(&file, &offset));
    EXPECT_EQ(offset, 3500u);
    EXPECT_EQ(sizeOf(path()), 3500u);
    EXPECT_EQ(contents(path()), piece + "y" + big);
    EXPECT_EQ(file.descriptor, -1);
    EXPECT_FALSE(CRKFileIsOpen(&file));
    EXPECT_FALSE(CRKFileFlush(&file));
}

// A flush puts what is buffered in the file at once and leaves the handle writing on.
TEST_F(CRKFileTest, FlushWritesTheBufferAndKeepsTheFileOpen) {
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPathMode(&file, path().c_str(), false, true));
    CRKFileWriteSectionStart(&file, "load");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryUInt64(&file, "base", 4096);
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);
    EXPECT_EQ(sizeOf(path()), 0u);
    EXPECT_TRUE(CRKFileFlush(&file));
    EXPECT_EQ(contents(path()), "{\"load\":{\"base\":4096}}\n");
    EXPECT_EQ(file.bufferedLength, 0u);
    EXPECT_TRUE(CRKFileFlush(&file));  // nothing buffered: nothing written
    CRKFileWriteBytes(&file, "x", 1);
    ASSERT_TRUE(CRKFileClose(&file));
    EXPECT_EQ(contents(path()), "{\"load\":{\"base\":4096}}\nx");

    CRKFile unbuffered;
    ASSERT_TRUE(CRKFileInitWithPathMode(&unbuffered, path().c_str(), false, false));
    EXPECT_TRUE(CRKFileFlush(&unbuffered));
    EXPECT_TRUE(CRKFileClose(&unbuffered));
}

TEST_F(CRKFileTest, AppendModeCountsTheExistingFile) {
    writeRaw(path(), "012345678\n");
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, path().c_str(), false));
    EXPECT_EQ(file.bytesWritten, 10u);
    CRKFileWriteBytes(&file, "abc", 3);
    uint64_t offset = 0;
    ASSERT_TRUE(CRKFileCloseWithOffset(&file, &offset));
    EXPECT_EQ(offset, 13u);
    EXPECT_EQ(contents(path()), "012345678\nabc");

    // Truncating mode starts afresh.
    ASSERT_TRUE(CRKFileInitWithPathMode(&file, path().c_str(), false, false));
    EXPECT_EQ(file.bytesWritten, 0u);
    ASSERT_TRUE(CRKFileClose(&file));
    EXPECT_EQ(sizeOf(path()), 0u);
}

// A record cut short by a kill is ended before the next one is appended, so that only the cut one is
// lost; a file of records is the user's alone.
TEST_F(CRKFileTest, AppendingAfterACutLineEndsItFirst) {
    writeRaw(path(), "{\"a\":{\"v\":1}}\n{\"b\":{\"cut\":[1,");
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, path().c_str(), false));
    CRKFileWriteSectionStart(&file, "c");
    CRKFileWriteHashStart(&file);
    CRKFileWriteHashEntryUInt64(&file, "v", 3);
    CRKFileWriteHashEnd(&file);
    CRKFileWriteSectionEnd(&file);
    uint64_t offset = 0;
    ASSERT_TRUE(CRKFileCloseWithOffset(&file, &offset));
    EXPECT_EQ(offset, sizeOf(path()));
    auto sections = CRKFileReadSections(path().c_str(), false);
    ASSERT_TRUE(sections);
    ASSERT_EQ(sections->size(), 2u);
    EXPECT_EQ((*sections)[1]["c"]["v"].number()->intValue(), 3);

    ASSERT_TRUE(CRKFileInitWithPathMode(&file, path("new.crkrecord").c_str(), true, false));
    ASSERT_TRUE(CRKFileClose(&file));
    struct stat st {};
    ASSERT_EQ(stat(path("new.crkrecord").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(CRKFileTest, OpenFailureLeavesTheHandleUntouched) {
    CRKFile file;
    EXPECT_FALSE(CRKFileInitWithPath(&file, (home() + "/no/such/folder/x").c_str(), false));
    EXPECT_EQ(file.descriptor, -1);
    EXPECT_FALSE(CRKFileInitWithPath(&file, nullptr, false));
    EXPECT_FALSE(CRKFileInitWithPath(nullptr, path().c_str(), false));
    EXPECT_FALSE(CRKFileIsOpen(&file));
    EXPECT_FALSE(CRKFileIsOpen(nullptr));
}

// Scripted writers for the retry rule.
int writerCalls = 0;
ssize_t writesNothing(int, const void*, size_t) {
    writerCalls++;
    return 0;
}
ssize_t writesOneByte(int, const void*, size_t) {
    writerCalls++;
    return 1;
}
ssize_t claimsTooMuch(int, const void*, size_t length) {
    writerCalls++;
    return static_cast<ssize_t>(length + 1);
}
ssize_t fails(int, const void*, size_t) {
    writerCalls++;
    errno = EINTR;
    return -1;
}

TEST_F(CRKFileTest, WritesRetryShortWritesAtMostFiftyTimes) {
    const char bytes[60] = {};
    writerCalls = 0;
    EXPECT_FALSE(CRKFileWriteWithRetries(1, bytes, 60, writesNothing));
    EXPECT_EQ(writerCalls, 1);
    writerCalls = 0;
    EXPECT_FALSE(CRKFileWriteWithRetries(1, bytes, 60, writesOneByte));
    EXPECT_EQ(writerCalls, 50);
    writerCalls = 0;
    EXPECT_TRUE(CRKFileWriteWithRetries(1, bytes, 50, writesOneByte));
    EXPECT_EQ(writerCalls, 50);
    writerCalls = 0;
    EXPECT_FALSE(CRKFileWriteWithRetries(1, bytes, 10, claimsTooMuch));
    EXPECT_FALSE(CRKFileWriteWithRetries(1, bytes, 10, fails));
    EXPECT_EQ(writerCalls, 2);
    writerCalls = 0;
    EXPECT_FALSE(CRKFileWriteWithRetries(1, bytes, 0, writesOneByte));
    EXPECT_EQ(writerCalls, 0);
}

TEST_F(CRKFileTest, HexDecodingStopsAtTheFirstBadPair) {
    EXPECT_EQ(CRKFileHexDecodeString("48656c6c6f"), "Hello");
    EXPECT_EQ(CRKFileHexDecodeString("48656C6C6F"), "Hello");
    EXPECT_EQ(CRKFileHexDecodeString("4865zz6c6f"), "He");
    EXPECT_EQ(CRKFileHexDecodeString("48656"), "He");
    EXPECT_EQ(CRKFileHexDecodeString(""), "");
    EXPECT_EQ(CRKFileHexDecodeString("410042"), "A");
    EXPECT_EQ(CRKFileHexEncodeString("\xff\x01 A"), "ff012041");
    EXPECT_EQ(CRKFileHexDecodeString(CRKFileHexEncodeString("caf\xc3\xa9").c_str()), "caf\xc3\xa9");
}

TEST_F(CRKFileTest, DescriptorWritersFormatNumbers) {
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPathMode(&file, path().c_str(), false, false));
    EXPECT_TRUE(CRKFileDescriptorWriteUInt64(file.descriptor, 255, true));
    EXPECT_TRUE(CRKFileDescriptorWriteInt64(file.descriptor, -42));
    EXPECT_TRUE(CRKFileDescriptorWriteUInt64(file.descriptor, 7, false));
    ASSERT_TRUE(CRKFileClose(&file));
    EXPECT_EQ(contents(path()), "ff-427");
}

}  // namespace
