#include "platform/storage/KeyedArchiver.h"

#include <limits>

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"
#include "platform/storage/Files.h"

namespace platform {

namespace {

constexpr uint64_t kNoEntry = std::numeric_limits<uint64_t>::max();

}  // namespace

std::string KeyedArchiver::escapedKey(const std::string& key) {
    return !key.empty() && key[0] == '$' ? "$" + key : key;
}

KeyedArchiver::KeyedArchiver() {
    // Entry 0 is "$null"; it is no text entry of its own, so a text "$null" gets another entry.
    entries_.push_back(writer_.addText("$null"));
}

std::optional<Data> KeyedArchiver::archivedDataWithRootObject(const Value& root) {
    KeyedArchiver archiver;
    uint64_t rootReference = archiver.encodeValue(root);
    if (archiver.failure_) {
        logf("Keyed archive: could not archive %s: %s", root.description().c_str(),
             archiver.failure_->c_str());
        return std::nullopt;
    }
    BinaryPropertyListWriter& writer = archiver.writer_;
    const uint64_t objects = writer.addList(archiver.entries_);
    const uint64_t top = writer.addDictionary({writer.addText("root")}, {writer.addReference(rootReference)});
    const uint64_t version = writer.addInteger(100000);
    const uint64_t name = writer.addText("NSKeyedArchiver");
    const uint64_t archive = writer.addDictionary({writer.addText("$version"), writer.addText("$archiver"),
                                                   writer.addText("$top"), writer.addText("$objects")},
                                                  {version, name, top, objects});
    return writer.finish(archive);
}

bool KeyedArchiver::archiveRootObject_toFile(const Value& root, const std::string& path, mode_t mode) {
    auto data = archivedDataWithRootObject(root);
    if (!data) {
        logf("Keyed archive: nothing saved to %s; the previous file is unchanged", path.c_str());
        return false;
    }
    return Files::writeAtomicallyUnlessUnchanged(path, *data, mode);
}

void KeyedArchiver::fail(const std::string& why) {
    if (!failure_) failure_ = why;
}

// An entry whose object is written once its contents are: its number is known (and may be referred
// to) before.
uint64_t KeyedArchiver::reserveEntry() {
    entries_.push_back(kNoEntry);
    return entries_.size() - 1;
}

uint64_t KeyedArchiver::appendEntry(uint64_t object) {
    entries_.push_back(object);
    return entries_.size() - 1;
}

// A number or bytes as a writer object; none for any other value.
std::optional<uint64_t> KeyedArchiver::scalarObject(const Value& value) {
    if (const Number* number = value.number()) {
        if (number->isBoolean()) return writer_.addBoolean(number->boolValue());
        if (number->isReal()) return writer_.addReal(number->doubleValue());
        const bool wide = number->kind() == Number::Kind::Unsigned &&
                          number->unsignedLongLongValue() > uint64_t(std::numeric_limits<int64_t>::max());
        return writer_.addInteger(wide ? number->unsignedLongLongValue() : uint64_t(number->longLongValue()),
                                  wide);
    }
    if (const Data* data = value.data()) return writer_.addData(data->bytes(), data->size());
    return std::nullopt;
}

// A text is written once, however often it is met; one with a NUL character cannot be (a reader of the
// file would refuse it).
uint64_t KeyedArchiver::encodeText(const std::string& text) {
    if (text.find('\0') != std::string::npos) {
        logf("Property list: a text with a NUL character cannot be stored");
        fail("the value " + Value(text).description() + " cannot be stored");
        return 0;
    }
    const uint64_t object = writer_.addText(text);
    if (object >= textEntries_.size()) textEntries_.resize(object + 1, kNoEntry);
    if (textEntries_[object] == kNoEntry) textEntries_[object] = appendEntry(object);
    return textEntries_[object];
}

uint64_t KeyedArchiver::classReference(const std::string& name, const std::vector<std::string>& hierarchy) {
    auto known = classReferences_.find(name);
    if (known != classReferences_.end()) return known->second;
    std::vector<uint64_t> classes;
    for (const auto& each : hierarchy) classes.push_back(writer_.addText(each));
    const uint64_t description =
        writer_.addDictionary({writer_.addText("$classname"), writer_.addText("$classes")},
                              {writer_.addText(name), writer_.addList(classes)});
    const uint64_t reference = appendEntry(description);
    classReferences_[name] = reference;
    return reference;
}

// Writes the dictionary of a collection or date entry: its "$class" first, then the given keys.
uint64_t KeyedArchiver::collectionEntry(uint64_t entry, const char* className,
                                        const std::vector<std::string>& hierarchy, std::vector<uint64_t> keys,
                                        std::vector<uint64_t> values) {
    keys.insert(keys.begin(), writer_.addText("$class"));
    values.insert(values.begin(), writer_.addReference(classReference(className, hierarchy)));
    entries_[entry] = writer_.addDictionary(keys, values);
    return entry;
}

uint64_t KeyedArchiver::encodeValue(const Value& value) {
    if (failure_) return 0;
    if (depth_ >= kMaximumDepth) {
        fail("nested deeper than " + std::to_string(kMaximumDepth) + " levels");
        return 0;
    }
    switch (value.type()) {
        case Value::Type::Null:
            return 0;
        case Value::Type::String:
            return encodeText(*value.string());
        case Value::Type::Number:
        case Value::Type::Data: {
            auto object = scalarObject(value);
            if (!object) {
                fail("the value " + value.description() + " cannot be stored");
                return 0;
            }
            return appendEntry(*object);
        }
        case Value::Type::Date: {
            const uint64_t entry = reserveEntry();
            return collectionEntry(entry, "NSDate", {"NSDate", "NSObject"}, {writer_.addText("NS.time")},
                                   {writer_.addReal(value.date()->timeIntervalSinceReferenceDate())});
        }
        case Value::Type::Array: {
            const uint64_t entry = reserveEntry();
            // The class entry comes before the elements', as it always has.
            classReference("NSMutableArray", {"NSMutableArray", "NSArray", "NSObject"});
            ++depth_;
            std::vector<uint64_t> items;
            items.reserve(value.array()->size());
            for (const Value& item : *value.array()) items.push_back(writer_.addReference(encodeValue(item)));
            --depth_;
            return collectionEntry(entry, "NSMutableArray", {"NSMutableArray", "NSArray", "NSObject"},
                                   {writer_.addText("NS.objects")}, {writer_.addList(items)});
        }
        case Value::Type::Dictionary: {
            const uint64_t entry = reserveEntry();
            classReference("NSMutableDictionary", {"NSMutableDictionary", "NSDictionary", "NSObject"});
            ++depth_;
            std::vector<uint64_t> keys, objects;
            for (const auto& [key, item] : *value.dictionary()) {
                keys.push_back(writer_.addReference(encodeValue(Value(key))));
                objects.push_back(writer_.addReference(encodeValue(item)));
            }
            --depth_;
            return collectionEntry(entry, "NSMutableDictionary",
                                   {"NSMutableDictionary", "NSDictionary", "NSObject"},
                                   {writer_.addText("NS.keys"), writer_.addText("NS.objects")},
                                   {writer_.addList(keys), writer_.addList(objects)});
        }
        case Value::Type::Object: {
            auto object = value.object();
            auto known = objectReferences_.find(object.get());
            if (known != objectReferences_.end()) return known->second;
            auto coding = dynamic_cast<const Coding*>(object.get());
            if (!coding) {
                fail("the object " + object->className() + " cannot be archived");
                return 0;
            }
            std::string name = object->className();
            const uint64_t entry = reserveEntry();
            // Known before its fields are written, so that a record referring back to it is written as a
            // reference instead of again and again.
            objectReferences_[object.get()] = entry;
            Record record;
            record.keys.push_back(writer_.addText("$class"));
            record.values.push_back(
                writer_.addReference(classReference(name, ClassRegistry::shared().classHierarchy(name))));
            Record* outer = current_;
            current_ = &record;
            ++depth_;
            coding->encodeWithCoder(*this);
            --depth_;
            current_ = outer;
            entries_[entry] = writer_.addDictionary(record.keys, record.values);
            return entry;
        }
    }
    return 0;
}

void KeyedArchiver::setInCurrentRecord(const std::string& key, uint64_t object) {
    if (!current_) {
        fail("a field \"" + key + "\" was encoded outside of a record");
        return;
    }
    // A field set twice keeps the last value, in the place of the first.
    const uint64_t keyText = writer_.addText(escapedKey(key));
    for (size_t i = 0; i < current_->keys.size(); ++i) {
        if (current_->keys[i] == keyText) {
            current_->values[i] = object;
            return;
        }
    }
    current_->keys.push_back(keyText);
    current_->values.push_back(object);
}

void KeyedArchiver::encodeObject_forKey(const Value& object, const std::string& key) {
    if (!current_) {
        fail("a field \"" + key + "\" was encoded outside of a record");
        return;
    }
    // encodeValue puts back the record being encoded when it has written a record of its own.
    const uint64_t reference = encodeValue(object);
    setInCurrentRecord(key, writer_.addReference(reference));
}

void KeyedArchiver::encodeBool_forKey(bool value, const std::string& key) {
    setInCurrentRecord(key, writer_.addBoolean(value));
}

void KeyedArchiver::encodeInt32_forKey(int32_t value, const std::string& key) {
    setInCurrentRecord(key, writer_.addInteger(static_cast<uint64_t>(static_cast<int64_t>(value))));
}

void KeyedArchiver::encodeInt64_forKey(int64_t value, const std::string& key) {
    setInCurrentRecord(key, writer_.addInteger(static_cast<uint64_t>(value)));
}

void KeyedArchiver::encodeDouble_forKey(double value, const std::string& key) {
    setInCurrentRecord(key, writer_.addReal(value));
}

void KeyedArchiver::encodeFloatNumber_forKey(float value, const std::string& key) {
    if (!current_) {
        fail("a field \"" + key + "\" was encoded outside of a record");
        return;
    }
    setInCurrentRecord(key, writer_.addReference(appendEntry(writer_.addSingleReal(value))));
}

}  // namespace platform
