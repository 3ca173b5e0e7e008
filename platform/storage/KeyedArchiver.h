#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
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
    static bool archiveRootObject_toFile(const Value& root, const std::string& path, mode_t mode = 0644);

    // Called by records from Coding::encodeWithCoder.
    void encodeObject_forKey(const Value& object, const std::string& key);
    void encodeBool_forKey(bool value, const std::string& key);
    void encodeInt32_forKey(int32_t value, const std::string& key);
    void encodeInt64_forKey(int64_t value, const std::string& key);
    void encodeDouble_forKey(double value, const std::string& key);

    // Records nested deeper than this are refused: the archive could not be read back.
    static constexpr int kMaximumDepth = 128;

    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

private:
    KeyedArchiver();

    uint64_t encodeValue(const Value& value);
    uint64_t append(PlistHandle node);
    uint64_t classReference(const std::string& name, const std::vector<std::string>& hierarchy);
    void setInCurrentRecord(const std::string& key, PlistHandle node);
    void fail(const std::string& why);

    PlistHandle objects_;
    plist_t current_ = nullptr;  // the dictionary of the record being encoded
    int depth_ = 0;
    std::map<const Object*, uint64_t> objectReferences_;
    std::map<std::string, uint64_t> stringReferences_;
    std::map<std::string, uint64_t> classReferences_;
    std::optional<std::string> failure_;
};

}  // namespace platform
