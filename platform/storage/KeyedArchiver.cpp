#include "platform/storage/KeyedArchiver.h"

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"
#include "platform/storage/Files.h"

namespace platform {

namespace {

// Keys beginning with "$" are the archive's own; a record's key of that form gets one more "$", as the
// platform's archiver does, so that it can never be taken for one of them.
std::string escapedKey(const std::string& key) {
    return !key.empty() && key[0] == '$' ? "$" + key : key;
}

}  // namespace

KeyedArchiver::KeyedArchiver() : objects_(plist_new_array()) {
    plist_array_append_item(objects_.get(), plist_new_string("$null"));
}

std::optional<Data> KeyedArchiver::archivedDataWithRootObject(const Value& root) {
    KeyedArchiver archiver;
    uint64_t rootReference = archiver.encodeValue(root);
    if (archiver.failure_) {
        logf("Keyed archive: could not archive %s: %s", root.description().c_str(),
             archiver.failure_->c_str());
        return std::nullopt;
    }
    PlistHandle archive(plist_new_dict());
    plist_dict_set_item(archive.get(), "$version", plist_new_uint(100000));
    plist_dict_set_item(archive.get(), "$archiver", plist_new_string("NSKeyedArchiver"));
    plist_t top = plist_new_dict();
    plist_dict_set_item(top, "root", plist_new_uid(rootReference));
    plist_dict_set_item(archive.get(), "$top", top);
    plist_dict_set_item(archive.get(), "$objects", archiver.objects_.release());
    return PropertyList::serialize(archive.get(), PropertyList::Format::Binary);
}

bool KeyedArchiver::archiveRootObject_toFile(const Value& root, const std::string& path, mode_t mode) {
    auto data = archivedDataWithRootObject(root);
    if (!data) {
        logf("Keyed archive: nothing saved to %s; the previous file is unchanged", path.c_str());
        return false;
    }
    return Files::writeAtomically(path, *data, mode);
}

void KeyedArchiver::fail(const std::string& why) {
    if (!failure_) failure_ = why;
}

uint64_t KeyedArchiver::append(PlistHandle node) {
    uint64_t reference = plist_array_get_size(objects_.get());
    plist_array_append_item(objects_.get(), node.release());
    return reference;
}

uint64_t KeyedArchiver::classReference(const std::string& name, const std::vector<std::string>& hierarchy) {
    auto known = classReferences_.find(name);
    if (known != classReferences_.end()) return known->second;
    PlistHandle description(plist_new_dict());
    plist_dict_set_item(description.get(), "$classname", plist_new_string(name.c_str()));
    plist_t classes = plist_new_array();
    for (const auto& each : hierarchy) plist_array_append_item(classes, plist_new_string(each.c_str()));
    plist_dict_set_item(description.get(), "$classes", classes);
    uint64_t reference = append(std::move(description));
    classReferences_[name] = reference;
    return reference;
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
        case Value::Type::Number:
        case Value::Type::Data:
        case Value::Type::String: {
            if (auto text = value.string()) {
                auto known = stringReferences_.find(*text);
                if (known != stringReferences_.end()) return known->second;
            }
            PlistHandle node = PropertyList::nodeFromValue(value);
            if (!node) {
                fail("the value " + value.description() + " cannot be stored");
                return 0;
            }
            uint64_t reference = append(std::move(node));
            if (auto text = value.string()) stringReferences_[*text] = reference;
            return reference;
        }
        case Value::Type::Date: {
            plist_t dict = plist_new_dict();
            uint64_t reference = append(PlistHandle(dict));
            plist_dict_set_item(dict, "$class",
                                plist_new_uid(classReference("NSDate", {"NSDate", "NSObject"})));
            plist_dict_set_item(dict, "NS.time",
                                plist_new_real(value.date()->timeIntervalSinceReferenceDate()));
            return reference;
        }
        case Value::Type::Array: {
            plist_t dict = plist_new_dict();
            uint64_t reference = append(PlistHandle(dict));
            plist_dict_set_item(
                dict, "$class",
                plist_new_uid(classReference("NSMutableArray", {"NSMutableArray", "NSArray", "NSObject"})));
            ++depth_;
            PlistHandle items(plist_new_array());
            for (const Value& item : *value.array())
                plist_array_append_item(items.get(), plist_new_uid(encodeValue(item)));
            --depth_;
            plist_dict_set_item(dict, "NS.objects", items.release());
            return reference;
        }
        case Value::Type::Dictionary: {
            plist_t dict = plist_new_dict();
            uint64_t reference = append(PlistHandle(dict));
            plist_dict_set_item(
                dict, "$class",
                plist_new_uid(classReference("NSMutableDictionary",
                                             {"NSMutableDictionary", "NSDictionary", "NSObject"})));
            ++depth_;
            PlistHandle keys(plist_new_array());
            PlistHandle objects(plist_new_array());
            for (const auto& [key, item] : *value.dictionary()) {
                plist_array_append_item(keys.get(), plist_new_uid(encodeValue(Value(key))));
                plist_array_append_item(objects.get(), plist_new_uid(encodeValue(item)));
            }
            --depth_;
            plist_dict_set_item(dict, "NS.keys", keys.release());
            plist_dict_set_item(dict, "NS.objects", objects.release());
            return reference;
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
            plist_t dict = plist_new_dict();
            uint64_t reference = append(PlistHandle(dict));
            // Known before its fields are written, so that a record referring back to it is written as a
            // reference instead of again and again.
            objectReferences_[object.get()] = reference;
            plist_dict_set_item(
                dict, "$class",
                plist_new_uid(classReference(name, ClassRegistry::shared().classHierarchy(name))));
            plist_t outer = current_;
            current_ = dict;
            ++depth_;
            coding->encodeWithCoder(*this);
            --depth_;
            current_ = outer;
            return reference;
        }
    }
    return 0;
}

void KeyedArchiver::setInCurrentRecord(const std::string& key, PlistHandle node) {
    if (!current_) {
        fail("a field \"" + key + "\" was encoded outside of a record");
        return;
    }
    plist_dict_set_item(current_, escapedKey(key).c_str(), node.release());
}

void KeyedArchiver::encodeObject_forKey(const Value& object, const std::string& key) {
    if (!current_) {
        fail("a field \"" + key + "\" was encoded outside of a record");
        return;
    }
    plist_t record = current_;
    uint64_t reference = encodeValue(object);
    plist_dict_set_item(record, escapedKey(key).c_str(), plist_new_uid(reference));
}

void KeyedArchiver::encodeBool_forKey(bool value, const std::string& key) {
    setInCurrentRecord(key, PlistHandle(plist_new_bool(value ? 1 : 0)));
}

void KeyedArchiver::encodeInt32_forKey(int32_t value, const std::string& key) {
    setInCurrentRecord(key, PlistHandle(plist_new_uint(static_cast<uint64_t>(static_cast<int64_t>(value)))));
}

void KeyedArchiver::encodeInt64_forKey(int64_t value, const std::string& key) {
    setInCurrentRecord(key, PlistHandle(plist_new_uint(static_cast<uint64_t>(value))));
}

void KeyedArchiver::encodeDouble_forKey(double value, const std::string& key) {
    setInCurrentRecord(key, PlistHandle(plist_new_real(value)));
}

}  // namespace platform
