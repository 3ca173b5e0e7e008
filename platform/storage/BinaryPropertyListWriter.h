#pragma once

#include <plist/plist.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Data.h"

namespace platform {

// Writes the binary property-list format ("bplist00") in time that grows linearly with the number of
// objects. libplist 2.2's own writer looks every node up in a hash table of a fixed 4096 buckets, so a
// keyed archive of a million elements took minutes to write.
//
// Objects are added one by one, a list or dictionary after its elements, each add answering the new
// object's index; `finish` lays them out with the top object named. Equal texts are one object (the keys
// every record repeats above all); everything else is written as added. Texts are written as ASCII when
// they are, otherwise as UTF-16; reals take 8 bytes, or 4 where a single-precision one is asked for. A text
// must hold no NUL character: readers refuse such files.
class BinaryPropertyListWriter {
public:
    // A libplist node tree as a file, or none (with a log line) for a node no property list holds or
    // nesting deeper than a reader accepts.
    static std::optional<Data> write(plist_t root);

    uint64_t addBoolean(bool value);
    // 64 bits read back as a signed number, unless `wideUnsigned` marks an unsigned one above that range.
    uint64_t addInteger(uint64_t bits, bool wideUnsigned = false);
    uint64_t addReal(double value);
    // A 4-byte real, as a single-precision field is stored; readers give it back as the same value.
    uint64_t addSingleReal(float value);
    uint64_t addDate(double secondsSinceReferenceDate);
    uint64_t addData(const void* bytes, size_t length);
    // A text that was added before answers the same object; `added` says whether it is new. Text that is
    // not valid UTF-8 is repaired (U+FFFD), with a log line.
    uint64_t addText(std::string_view utf8, bool* added = nullptr);
    // A keyed archive's reference to an entry of its object list.
    uint64_t addReference(uint64_t reference);
    uint64_t addList(const std::vector<uint64_t>& items);
    uint64_t addDictionary(const std::vector<uint64_t>& keys, const std::vector<uint64_t>& values);

    Data finish(uint64_t top) const;

private:
    enum class Kind : uint8_t { Scalar, List, Dictionary };
    struct Object {
        uint64_t start;  // in bytes_ (a scalar's whole encoding) or in children_ (keys, then values)
        uint64_t count;  // bytes of a scalar, elements of a list, pairs of a dictionary
        Kind kind;
    };

    uint64_t addScalar(const std::string& encoded);
    std::string_view scalarBytes(const Object& object) const;
    void growTextTable();

    std::string bytes_;
    std::vector<Object> objects_;
    std::vector<uint64_t> children_;
    std::string scratch_;
    // Texts by content: open addressing, each slot 32 bits of the text's hash (which place it, also when
    // the table grows) beside its object index + 1 (0: empty). A node-based map at a million texts spent
    // most of its time missing the cache.
    std::vector<uint64_t> textSlots_;
    size_t textCount_ = 0;
};

}  // namespace platform
