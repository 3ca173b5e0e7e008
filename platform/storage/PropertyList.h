#pragma once

#include <plist/plist.h>

#include <memory>
#include <optional>

#include "platform/base/Data.h"
#include "platform/base/Value.h"

namespace platform {

// Frees a libplist node tree when the owner goes away.
struct PlistDeleter {
    void operator()(plist_t node) const {
        if (node) plist_free(node);
    }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

// Property lists (XML and binary) on libplist, converted to and from Value. The binary form is written by
// our own BinaryPropertyListWriter: libplist's writer takes time that grows with the square of the size.
//
// A property list holds numbers, booleans, texts, bytes, dates, lists and dictionaries; a Value holding
// none or a record inside cannot be written and is refused as a whole rather than saved with parts
// missing. A reference of a keyed archive (a UID) reads as the dictionary {"CF$UID": n}, the form the XML
// format gives it, and such a dictionary writes back as a reference.
//
// Dates count from 1 January 2001 in the files. The XML form keeps whole seconds only (as the format
// does); the binary form keeps microseconds and the years 1933 to 2069 that libplist 2.2 can hold (dates
// beyond are clamped).
class PropertyList {
public:
    enum class Format { XML, Binary };

    // The value as a property list, or none (with a log line) when it holds something a property list
    // cannot.
    static std::optional<Data> dataFromValue(const Value& value, Format format);
    // The value of a property list in either format, or none (with a log line) for bytes that are not
    // one. `format` receives the format found.
    static std::optional<Value> valueFromData(const Data& data, Format* format = nullptr);

    // The libplist side, for readers and writers of richer files (the keyed archiver).
    // A node tree for the value (owned by the caller), or null when it holds no property-list value.
    static PlistHandle nodeFromValue(const Value& value);
    // The value of a node tree, or none when it is too deep or holds no value.
    static std::optional<Value> valueFromNode(plist_t node);
    // The items of an array node in order, walked once: the library finds an item by index by walking
    // its list from the start, so indexing item by item would make every decoder quadratic.
    static std::vector<plist_t> arrayItems(plist_t array);
    // Parses bytes in either format; null (with a log line) when they are no property list.
    static PlistHandle parse(const Data& data, Format* format = nullptr);
    static std::optional<Data> serialize(plist_t node, Format format);

    // Date helpers: the seconds since 2001 of a date node, and a date node for them.
    static double dateNodeSecondsSinceReferenceDate(plist_t node);
    static PlistHandle dateNode(double secondsSinceReferenceDate);

    // Nesting beyond this is refused: deeper files are damaged or hostile, never ours.
    static constexpr int kMaximumDepth = 256;
};

}  // namespace platform
