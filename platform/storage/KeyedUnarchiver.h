#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "platform/storage/PropertyList.h"

namespace platform {

// Reads a keyed archive (see KeyedArchiver) back into values and records. Archives come from files and
// from the phone, so nothing in one is trusted: an unknown or refused class, a reference out of range, a
// record that contains itself, a node of the wrong type, nesting past the limit or an archive that expands
// too far gives an Error and a log line, never a crash or a half-built result.
class KeyedUnarchiver {
public:
    using ClassNames = std::set<std::string>;

    static constexpr const char* kErrorDomain = "KeyedArchive";
    enum ErrorCode : int64_t {
        kNotAnArchive = 1,     // not a property list, or not one in the keyed-archive form
        kMalformed = 2,        // a reference out of range, a node of the wrong type, a missing entry
        kUnknownClass = 3,     // a class name no registered class answers to
        kClassNotAllowed = 4,  // a class outside the allow-list of the caller
        kCycle = 5,            // an object that contains itself
        kTooDeep = 6,
        kTooLarge = 7,
        kRefused = 8,  // a record refused its archived contents
    };

    static constexpr int kMaximumDepth = 128;
    // An archive refers to a list or dictionary by reference, and each reference reads it again, so a
    // small archive could expand without bound; reading stops past this many objects per stored object.
    static constexpr uint64_t kExpansionFactor = 16;
    static constexpr uint64_t kMinimumDecodeBudget = 65536;

    // The root object, or none with `error` filled. With `allowedClasses`, a record class outside it is
    // refused; texts, numbers, bytes, dates, lists and dictionaries are always allowed.
    static Value unarchiveObjectWithData(const Data& data, Error* error = nullptr,
                                         const ClassNames* allowedClasses = nullptr);

    struct FileResult {
        enum class Status { Loaded, Missing, Unreadable };
        Status status = Status::Missing;
        Value root;
        // Unreadable: where the file was moved so that a later save does not destroy it (none when the
        // move failed), and why it could not be read.
        std::optional<std::string> movedAsidePath;
        std::optional<Error> error;
    };
    // Loads an archive file. A missing file is an ordinary answer; a file that cannot be read or decoded
    // is moved aside (Files::moveAside) and reported.
    static FileResult unarchiveObjectWithFile(const std::string& path,
                                              const ClassNames* allowedClasses = nullptr);

    // Called by records from Coding::initWithCoder. A missing key reads as none or 0; a number of another
    // kind converts; a value of the wrong type reads as 0 with a log line.
    Value decodeObjectForKey(const std::string& key);
    bool containsValueForKey(const std::string& key) const;
    bool decodeBoolForKey(const std::string& key);
    int32_t decodeInt32ForKey(const std::string& key);
    int64_t decodeInt64ForKey(const std::string& key);
    double decodeDoubleForKey(const std::string& key);

    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

private:
    KeyedUnarchiver(plist_t objects, const ClassNames* allowedClasses);
    static bool decodeArchive(const Data& data, const ClassNames* allowedClasses, Value& result,
                              Error& error);

    Value decodeReference(uint64_t reference);
    Value decodeObjectNode(uint64_t reference, plist_t node);
    Value decodeFoundationObject(uint64_t reference, const std::string& className, plist_t node,
                                 bool& handled);
    Value decodeRecord(uint64_t reference, const std::string& className, plist_t node);
    std::optional<std::string> classNameOf(plist_t node);
    std::optional<std::vector<uint64_t>> referenceList(plist_t node, const char* key);
    std::optional<Number> numberForKey(const std::string& key, const char* wanted);
    plist_t fieldNode(const std::string& key) const;
    void fail(int64_t code, const std::string& description);

    // The archive's object list, walked once so that each reference is found in constant time.
    std::vector<plist_t> objects_;
    uint64_t objectCount_;
    const ClassNames* allowedClasses_;
    std::vector<plist_t> records_;  // the dictionaries of the records being decoded, innermost last
    std::set<uint64_t> inProgress_;
    std::map<uint64_t, std::shared_ptr<Object>> decodedRecords_;
    std::map<uint64_t, std::string> classNames_;
    const uint64_t decodeBudget_;
    uint64_t decodedCount_ = 0;
    int depth_ = 0;
    std::optional<Error> error_;
};

}  // namespace platform
