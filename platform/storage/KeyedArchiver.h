#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
#include "platform/storage/BinaryPropertyListWriter.h"
#include "platform/storage/PropertyList.h"

namespace platform {

// Writes a value and the records inside it as a keyed archive: a binary property list with "$archiver"
// "NSKeyedArchiver", "$version" 100000, "$top" {"root": reference} and the flat "$objects" list (element
// 0 is "$null"). Texts, numbers and bytes stand in the list as they are; lists, dictionaries and dates
// are the platform's collection and date classes; a record is a dictionary of its keys with "$class"
// referring to {"$classname", "$classes"}. A record or a text met twice is written once and referred to
// twice, so shared records stay shared when read back.
class KeyedArchiver {
public:
    // The archive, or none (with a log line) when the value holds something that cannot be archived
    // (a record that does not implement Coding, a text with a NUL character, nesting past the limit).
    static std::optional<Data> archivedDataWithRootObject(const Value& root);
    // Archives the value and saves it atomically; false when either step failed (the old file then stays).
    // A file that already holds exactly this archive (with this mode) is left as it is.
    static bool archiveRootObject_toFile(const Value& root, const std::string& path, mode_t mode = 0644);
    // Keys beginning with "$" are the archive's own; a record's key of that form gets one more "$", as the
    // platform's archiver does, so that it can never be taken for one of them.
    static std::string escapedKey(const std::string& key);

    // Called by records from Coding::encodeWithCoder.
    void encodeObject_forKey(const Value& object, const std::string& key);
    void encodeBool_forKey(bool value, const std::string& key);
    void encodeInt32_forKey(int32_t value, const std::string& key);
    void encodeInt64_forKey(int64_t value, const std::string& key);
    void encodeDouble_forKey(double value, const std::string& key);
    // A number object holding a single-precision real: like encodeObject_forKey with that number, an
    // entry of the object list referred to by the key, but the entry is a 4-byte real.
    void encodeFloatNumber_forKey(float value, const std::string& key);

    // Records nested deeper than this are refused: the archive could not be read back.
    static constexpr int kMaximumDepth = 128;

    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

private:
    KeyedArchiver();

    // A record being encoded: its fields as writer objects (key text, value), in the order set.
    struct Record {
        std::vector<uint64_t> keys;
        std::vector<uint64_t> values;
    };

    uint64_t encodeValue(const Value& value);
    uint64_t reserveEntry();
    uint64_t appendEntry(uint64_t object);
    std::optional<uint64_t> scalarObject(const Value& value);
    uint64_t encodeText(const std::string& text);
    uint64_t classReference(const std::string& name, const std::vector<std::string>& hierarchy);
    uint64_t collectionEntry(uint64_t entry, const char* className, const std::vector<std::string>& hierarchy,
                             std::vector<uint64_t> keys, std::vector<uint64_t> values);
    void setInCurrentRecord(const std::string& key, uint64_t object);
    void fail(const std::string& why);

    // The file is written as the graph is walked: "$objects" holds writer objects, one per entry.
    BinaryPropertyListWriter writer_;
    std::vector<uint64_t> entries_;
    // The entry of each text written as one (by writer object; kNoEntry for texts that are only keys).
    std::vector<uint64_t> textEntries_;
    Record* current_ = nullptr;  // the record being encoded
    int depth_ = 0;
    std::unordered_map<const Object*, uint64_t> objectReferences_;
    std::unordered_map<std::string, uint64_t> classReferences_;
    std::optional<std::string> failure_;
};

}  // namespace platform
