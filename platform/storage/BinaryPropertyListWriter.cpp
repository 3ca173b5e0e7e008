#include "platform/storage/BinaryPropertyListWriter.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/PropertyList.h"

namespace platform {

namespace {

// Object markers of the format: the high four bits say the type, the low four a size or a count.
constexpr uint8_t kFalse = 0x08, kTrue = 0x09, kInteger = 0x10, kReal32 = 0x22, kReal = 0x23, kDate = 0x33,
                  kBytes = 0x40, kASCII = 0x50, kUTF16 = 0x60, kReference = 0x80, kList = 0xA0,
                  kDictionary = 0xD0;

template <typename Out>
void appendBigEndian(Out& out, uint64_t value, size_t width) {
    for (size_t i = width; i-- > 0;) out.push_back(static_cast<typename Out::value_type>(value >> (8 * i)));
}

// The fewest of 1, 2, 4 or 8 bytes that hold the value.
size_t widthFor(uint64_t value) {
    if (value <= 0xFF) return 1;
    if (value <= 0xFFFF) return 2;
    if (value <= 0xFFFFFFFF) return 4;
    return 8;
}

uint8_t log2Of(size_t width) {
    return width == 1 ? 0 : width == 2 ? 1 : width == 4 ? 2 : 3;
}

// An integer as the readers take it: 1, 2 and 4 bytes are unsigned, 8 bytes signed, and an unsigned
// value beyond the signed range takes 16 bytes.
template <typename Out>
void appendInteger(Out& out, uint64_t bits, bool wideUnsigned) {
    using Byte = typename Out::value_type;
    if (wideUnsigned) {
        out.push_back(static_cast<Byte>(kInteger | 4));
        appendBigEndian(out, 0, 8);
        appendBigEndian(out, bits, 8);
        return;
    }
    const size_t width = widthFor(bits);
    out.push_back(static_cast<Byte>(kInteger | log2Of(width)));
    appendBigEndian(out, bits, width);
}

// A marker with its count: in the low four bits up to 14, else 15 followed by the count as an integer.
template <typename Out>
void appendMarker(Out& out, uint8_t type, uint64_t count) {
    using Byte = typename Out::value_type;
    if (count < 0x0F) {
        out.push_back(static_cast<Byte>(type | count));
        return;
    }
    out.push_back(static_cast<Byte>(type | 0x0F));
    appendInteger(out, count, false);
}

void appendDouble(std::string& out, uint8_t marker, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out.push_back(static_cast<char>(marker));
    appendBigEndian(out, bits, 8);
}

void appendFloat(std::string& out, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    out.push_back(static_cast<char>(kReal32));
    appendBigEndian(out, bits, 4);
}

}  // namespace

uint64_t BinaryPropertyListWriter::addScalar(const std::string& encoded) {
    objects_.push_back(Object{bytes_.size(), encoded.size(), Kind::Scalar});
    bytes_ += encoded;
    return objects_.size() - 1;
}

std::string_view BinaryPropertyListWriter::scalarBytes(const Object& object) const {
    return std::string_view(bytes_).substr(object.start, object.count);
}

uint64_t BinaryPropertyListWriter::addBoolean(bool value) {
    scratch_.assign(1, static_cast<char>(value ? kTrue : kFalse));
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addInteger(uint64_t bits, bool wideUnsigned) {
    scratch_.clear();
    appendInteger(scratch_, bits, wideUnsigned);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addReal(double value) {
    scratch_.clear();
    appendDouble(scratch_, kReal, value);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addSingleReal(float value) {
    scratch_.clear();
    appendFloat(scratch_, value);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addDate(double secondsSinceReferenceDate) {
    scratch_.clear();
    appendDouble(scratch_, kDate, secondsSinceReferenceDate);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addData(const void* bytes, size_t length) {
    scratch_.clear();
    appendMarker(scratch_, kBytes, length);
    if (length) scratch_.append(static_cast<const char*>(bytes), length);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addReference(uint64_t reference) {
    scratch_.clear();
    const size_t width = widthFor(reference);
    scratch_.push_back(static_cast<char>(kReference | (width - 1)));
    appendBigEndian(scratch_, reference, width);
    return addScalar(scratch_);
}

uint64_t BinaryPropertyListWriter::addText(std::string_view utf8, bool* added) {
    scratch_.clear();
    bool ascii = true;
    for (size_t i = 0; i < utf8.size() && ascii; ++i) ascii = static_cast<unsigned char>(utf8[i]) < 0x80;
    if (ascii) {
        appendMarker(scratch_, kASCII, utf8.size());
        scratch_.append(utf8);
    } else {
        if (!isValidUTF8(utf8)) logf("Property list: a text that is not valid UTF-8 was repaired");
        const std::u16string units = toUTF16(utf8);
        appendMarker(scratch_, kUTF16, units.size());
        for (char16_t unit : units) appendBigEndian(scratch_, unit, 2);
    }

    if (2 * (textCount_ + 1) > textSlots_.size()) growTextTable();
    const uint64_t hash = std::hash<std::string_view>()(scratch_) & 0xFFFFFFFF;
    const uint64_t tag = hash << 32;
    const size_t mask = textSlots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint64_t entry = textSlots_[slot];
        if (entry == 0) {
            const uint64_t index = addScalar(scratch_);
            if (added) *added = true;
            // A slot holds 32 bits of index: a text beyond them (a file of over 4 GB) is not shared.
            if (index + 1 > 0xFFFFFFFF) return index;
            textSlots_[slot] = tag | (index + 1);
            ++textCount_;
            return index;
        }
        const uint64_t index = (entry & 0xFFFFFFFF) - 1;
        if ((entry & ~uint64_t(0xFFFFFFFF)) == tag && scalarBytes(objects_[index]) == scratch_) {
            if (added) *added = false;
            return index;
        }
    }
}

void BinaryPropertyListWriter::growTextTable() {
    std::vector<uint64_t> old = std::move(textSlots_);
    textSlots_.assign(std::max<size_t>(1024, 2 * old.size()), 0);
    const size_t mask = textSlots_.size() - 1;
    for (uint64_t entry : old) {
        if (entry == 0) continue;
        size_t slot = (entry >> 32) & mask;
        while (textSlots_[slot] != 0) slot = (slot + 1) & mask;
        textSlots_[slot] = entry;
    }
}

uint64_t BinaryPropertyListWriter::addList(const std::vector<uint64_t>& items) {
    objects_.push_back(Object{children_.size(), items.size(), Kind::List});
    children_.insert(children_.end(), items.begin(), items.end());
    return objects_.size() - 1;
}

uint64_t BinaryPropertyListWriter::addDictionary(const std::vector<uint64_t>& keys,
                                                 const std::vector<uint64_t>& values) {
    objects_.push_back(Object{children_.size(), keys.size(), Kind::Dictionary});
    children_.insert(children_.end(), keys.begin(), keys.end());
    children_.insert(children_.end(), values.begin(), values.end());
    return objects_.size() - 1;
}

Data BinaryPropertyListWriter::finish(uint64_t top) const {
    const size_t referenceWidth = widthFor(objects_.empty() ? 0 : objects_.size() - 1);
    std::vector<uint8_t> out;
    out.reserve(8 + bytes_.size() + children_.size() * referenceWidth + objects_.size() * 5 + 32);
    for (char c : std::string_view("bplist00")) out.push_back(static_cast<uint8_t>(c));
    std::vector<uint64_t> offsets;
    offsets.reserve(objects_.size());
    for (const Object& object : objects_) {
        offsets.push_back(out.size());
        if (object.kind == Kind::Scalar) {
            const std::string_view bytes = scalarBytes(object);
            out.insert(out.end(), bytes.begin(), bytes.end());
            continue;
        }
        const bool dictionary = object.kind == Kind::Dictionary;
        appendMarker(out, dictionary ? kDictionary : kList, object.count);
        const uint64_t references = dictionary ? 2 * object.count : object.count;
        for (uint64_t i = 0; i < references; ++i)
            appendBigEndian(out, children_[object.start + i], referenceWidth);
    }
    const uint64_t tableOffset = out.size();
    const size_t offsetWidth = widthFor(offsets.empty() ? 0 : offsets.back());
    for (uint64_t offset : offsets) appendBigEndian(out, offset, offsetWidth);
    // The trailer: six unused bytes, the two widths, the object count, the top object and the table.
    appendBigEndian(out, 0, 6);
    out.push_back(static_cast<uint8_t>(offsetWidth));
    out.push_back(static_cast<uint8_t>(referenceWidth));
    appendBigEndian(out, objects_.size(), 8);
    appendBigEndian(out, top, 8);
    appendBigEndian(out, tableOffset, 8);
    return Data(std::move(out));
}

namespace {

// Adds a node tree to the writer, elements before their container; none when a node cannot be written.
std::optional<uint64_t> addNode(BinaryPropertyListWriter& writer, plist_t node, int depth) {
    if (!node) return std::nullopt;
    if (depth > PropertyList::kMaximumDepth) {
        logf("Property list: nested deeper than %d levels; not written", PropertyList::kMaximumDepth);
        return std::nullopt;
    }
    const plist_type type = plist_get_node_type(node);
    switch (type) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return writer.addBoolean(value != 0);
        }
        case PLIST_UINT: {
            uint64_t bits = 0;
            plist_get_uint_val(node, &bits);
            // Above the signed range the node is a negative number or a large unsigned one; the value it
            // reads as tells which (rare, so the slower way is fine).
            bool wideUnsigned = false;
            if (bits > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
                auto value = PropertyList::valueFromNode(node);
                wideUnsigned = value && value->number() && value->number()->kind() == Number::Kind::Unsigned;
            }
            return writer.addInteger(bits, wideUnsigned);
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return writer.addReal(value);
        }
        case PLIST_DATE:
            return writer.addDate(PropertyList::dateNodeSecondsSinceReferenceDate(node));
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            return writer.addData(bytes, bytes ? static_cast<size_t>(length) : 0);
        }
        case PLIST_STRING: {
            uint64_t length = 0;
            const char* text = plist_get_string_ptr(node, &length);
            return writer.addText(text ? std::string_view(text, static_cast<size_t>(length))
                                       : std::string_view());
        }
        case PLIST_UID: {
            uint64_t reference = 0;
            plist_get_uid_val(node, &reference);
            return writer.addReference(reference);
        }
        case PLIST_ARRAY: {
            std::vector<uint64_t> items;
            for (plist_t item : PropertyList::arrayItems(node)) {
                auto child = addNode(writer, item, depth + 1);
                if (!child) return std::nullopt;
                items.push_back(*child);
            }
            return writer.addList(items);
        }
        case PLIST_DICT: {
            std::vector<uint64_t> keys, values;
            plist_dict_iter iter = nullptr;
            plist_dict_new_iter(node, &iter);
            bool ok = true;
            while (iter && ok) {
                char* key = nullptr;
                plist_t item = nullptr;
                plist_dict_next_item(node, iter, &key, &item);
                if (!key || !item) {
                    std::free(key);
                    break;
                }
                keys.push_back(writer.addText(key));
                std::free(key);
                auto child = addNode(writer, item, depth + 1);
                if (child) values.push_back(*child);
                ok = child.has_value();
            }
            std::free(iter);
            if (!ok) return std::nullopt;
            return writer.addDictionary(keys, values);
        }
        default:
            logf("Property list: a node of type %d cannot be written", static_cast<int>(type));
            return std::nullopt;
    }
}

}  // namespace

std::optional<Data> BinaryPropertyListWriter::write(plist_t root) {
    BinaryPropertyListWriter writer;
    auto top = addNode(writer, root, 0);
    if (!top) return std::nullopt;
    return writer.finish(*top);
}

}  // namespace platform
