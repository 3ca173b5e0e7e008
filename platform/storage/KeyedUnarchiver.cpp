#include "platform/storage/KeyedUnarchiver.h"

#include <cstdlib>
#include <limits>

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"
#include "platform/storage/Files.h"
#include "platform/storage/KeyedArchiver.h"

namespace platform {

namespace {

bool isReference(plist_t node) {
    return node && plist_get_node_type(node) == PLIST_UID;
}

uint64_t referenceValue(plist_t node) {
    uint64_t reference = 0;
    plist_get_uid_val(node, &reference);
    return reference;
}

std::optional<std::string> stringOf(plist_t node) {
    if (!node || plist_get_node_type(node) != PLIST_STRING) return std::nullopt;
    uint64_t length = 0;
    const char* text = plist_get_string_ptr(node, &length);
    return text ? std::string(text, static_cast<size_t>(length)) : std::string();
}

// The collection, text, bytes and date classes: plain property-list contents that any caller accepts.
const std::set<std::string>& plainClasses() {
    // Never destroyed: workers may still unarchive while the process ends.
    static const auto& names =
        *new std::set<std::string>{"NSArray",  "NSMutableArray",  "NSDictionary", "NSMutableDictionary",
                                   "NSString", "NSMutableString", "NSData",       "NSMutableData",
                                   "NSDate",   "NSNumber",        "NSNull"};
    return names;
}

}  // namespace

KeyedUnarchiver::KeyedUnarchiver(plist_t objects, const ClassNames* allowedClasses)
    : objects_(PropertyList::arrayItems(objects)),
      objectCount_(objects_.size()),
      allowedClasses_(allowedClasses),
      decodeBudget_(kMinimumDecodeBudget + kExpansionFactor * static_cast<uint64_t>(objectCount_)) {}

void KeyedUnarchiver::fail(int64_t code, const std::string& description) {
    if (error_) return;
    error_ = Error{kErrorDomain, code, description};
    logf("Keyed archive: %s", description.c_str());
}

bool KeyedUnarchiver::decodeArchive(const Data& data, const ClassNames* allowedClasses, Value& result,
                                    Error& error) {
    auto refuse = [&error](int64_t code, const std::string& description) {
        logf("Keyed archive: %s", description.c_str());
        error = Error{kErrorDomain, code, description};
        return false;
    };
    PlistHandle archive = PropertyList::parse(data);
    if (!archive) return refuse(kNotAnArchive, "the data is not a property list");
    plist_t root = archive.get();
    if (plist_get_node_type(root) != PLIST_DICT)
        return refuse(kNotAnArchive, "the archive is not a dictionary");
    auto archiver = stringOf(plist_dict_get_item(root, "$archiver"));
    if (archiver != "NSKeyedArchiver")
        return refuse(kNotAnArchive, "the archive was not written by a keyed archiver");
    plist_t version = plist_dict_get_item(root, "$version");
    if (version && plist_get_node_type(version) != PLIST_UINT)
        return refuse(kNotAnArchive, "the archive version is not a number");
    plist_t objects = plist_dict_get_item(root, "$objects");
    plist_t top = plist_dict_get_item(root, "$top");
    if (!objects || plist_get_node_type(objects) != PLIST_ARRAY || !top ||
        plist_get_node_type(top) != PLIST_DICT)
        return refuse(kNotAnArchive, "the archive has no object list or no top entry");
    plist_t rootReference = plist_dict_get_item(top, "root");
    if (!isReference(rootReference)) return refuse(kMalformed, "the archive has no root reference");

    KeyedUnarchiver unarchiver(objects, allowedClasses);
    Value decoded = unarchiver.decodeReference(referenceValue(rootReference));
    if (unarchiver.error_) {
        error = *unarchiver.error_;
        return false;
    }
    result = std::move(decoded);
    return true;
}

Value KeyedUnarchiver::unarchiveObjectWithData(const Data& data, Error* error,
                                               const ClassNames* allowedClasses) {
    Value result;
    Error failure;
    if (decodeArchive(data, allowedClasses, result, failure)) return result;
    if (error) *error = failure;
    return Value();
}

KeyedUnarchiver::FileResult KeyedUnarchiver::unarchiveObjectWithFile(const std::string& path,
                                                                     const ClassNames* allowedClasses) {
    FileResult result;
    if (!Files::exists(path)) {
        result.status = FileResult::Status::Missing;
        return result;
    }
    Error error{kErrorDomain, kNotAnArchive, "the file could not be read"};
    if (auto data = Files::read(path)) {
        if (decodeArchive(*data, allowedClasses, result.root, error)) {
            result.status = FileResult::Status::Loaded;
            return result;
        }
    }
    logf("Keyed archive: the file %s cannot be used: %s", path.c_str(), error.description.c_str());
    result.status = FileResult::Status::Unreadable;
    result.error = error;
    result.movedAsidePath = Files::moveAside(path);
    return result;
}

std::optional<std::string> KeyedUnarchiver::classNameOf(plist_t node) {
    plist_t classReference = plist_dict_get_item(node, "$class");
    if (!isReference(classReference)) {
        fail(kMalformed, "an archived object has no class");
        return std::nullopt;
    }
    uint64_t reference = referenceValue(classReference);
    auto known = classNames_.find(reference);
    if (known != classNames_.end()) return known->second;
    if (reference == 0 || reference >= objectCount_) {
        fail(kMalformed, "a class reference " + std::to_string(reference) + " is outside the archive");
        return std::nullopt;
    }
    plist_t description = objects_[reference];
    auto name = description && plist_get_node_type(description) == PLIST_DICT
                    ? stringOf(plist_dict_get_item(description, "$classname"))
                    : std::nullopt;
    if (!name) {
        fail(kMalformed, "a class description has no class name");
        return std::nullopt;
    }
    classNames_[reference] = *name;
    return name;
}

std::optional<std::vector<uint64_t>> KeyedUnarchiver::referenceList(plist_t node, const char* key) {
    plist_t list = plist_dict_get_item(node, key);
    if (!list || plist_get_node_type(list) != PLIST_ARRAY) {
        fail(kMalformed, std::string("a collection has no \"") + key + "\" list");
        return std::nullopt;
    }
    std::vector<uint64_t> references;
    auto items = PropertyList::arrayItems(list);
    references.reserve(items.size());
    for (plist_t item : items) {
        if (!isReference(item)) {
            fail(kMalformed, std::string("an entry of \"") + key + "\" is not a reference");
            return std::nullopt;
        }
        references.push_back(referenceValue(item));
    }
    return references;
}

Value KeyedUnarchiver::decodeReference(uint64_t reference) {
    if (error_ || reference == 0) return Value();
    if (reference >= objectCount_) {
        fail(kMalformed, "the reference " + std::to_string(reference) + " is outside the archive's " +
                             std::to_string(objectCount_) + " objects");
        return Value();
    }
    if (inProgress_.count(reference)) {
        fail(kCycle, "the archived object " + std::to_string(reference) + " contains itself");
        return Value();
    }
    auto decoded = decodedRecords_.find(reference);
    if (decoded != decodedRecords_.end()) return Value(decoded->second);
    if (++decodedCount_ > decodeBudget_) {
        fail(kTooLarge, "the archive expands to more than " + std::to_string(decodeBudget_) + " objects");
        return Value();
    }
    if (depth_ >= kMaximumDepth) {
        fail(kTooDeep, "the archive nests objects deeper than " + std::to_string(kMaximumDepth) + " levels");
        return Value();
    }
    plist_t node = objects_[reference];
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN:
        case PLIST_UINT:
        case PLIST_REAL:
        case PLIST_STRING:
        case PLIST_DATA:
        case PLIST_DATE: {
            auto value = PropertyList::valueFromNode(node);
            if (!value) fail(kMalformed, "an archived value could not be read");
            return value ? *value : Value();
        }
        case PLIST_DICT: {
            inProgress_.insert(reference);
            ++depth_;
            Value value = decodeObjectNode(reference, node);
            --depth_;
            inProgress_.erase(reference);
            return error_ ? Value() : value;
        }
        default:
            fail(kMalformed, "the archived object " + std::to_string(reference) + " has the wrong type");
            return Value();
    }
}

Value KeyedUnarchiver::decodeObjectNode(uint64_t reference, plist_t node) {
    auto className = classNameOf(node);
    if (!className) return Value();
    bool handled = false;
    Value value = decodeFoundationObject(reference, *className, node, handled);
    if (handled) return value;
    return decodeRecord(reference, *className, node);
}

Value KeyedUnarchiver::decodeFoundationObject(uint64_t, const std::string& className, plist_t node,
                                              bool& handled) {
    handled = true;
    if (className == "NSArray" || className == "NSMutableArray") {
        auto references = referenceList(node, "NS.objects");
        if (!references) return Value();
        Value::Array array;
        array.reserve(references->size());
        for (uint64_t each : *references) {
            array.push_back(decodeReference(each));
            if (error_) return Value();
        }
        return Value(std::move(array));
    }
    if (className == "NSDictionary" || className == "NSMutableDictionary") {
        auto keys = referenceList(node, "NS.keys");
        auto objects = keys ? referenceList(node, "NS.objects") : std::nullopt;
        if (!keys || !objects) return Value();
        if (keys->size() != objects->size()) {
            fail(kMalformed, "a dictionary has " + std::to_string(keys->size()) + " keys but " +
                                 std::to_string(objects->size()) + " values");
            return Value();
        }
        Value::Dictionary dictionary;
        for (size_t i = 0; i < keys->size(); ++i) {
            Value key = decodeReference((*keys)[i]);
            if (error_) return Value();
            if (!key.string()) {
                fail(kMalformed, "a dictionary key is " + key.description() + ", not a text");
                return Value();
            }
            Value item = decodeReference((*objects)[i]);
            if (error_) return Value();
            dictionary[*key.string()] = std::move(item);
        }
        return Value(std::move(dictionary));
    }
    if (className == "NSDate") {
        plist_t time = plist_dict_get_item(node, "NS.time");
        auto value = time ? PropertyList::valueFromNode(time) : std::nullopt;
        if (!value || !value->number() || value->number()->isBoolean()) {
            fail(kMalformed, "a date has no time");
            return Value();
        }
        return Value(Date::dateWithTimeIntervalSinceReferenceDate(value->number()->doubleValue()));
    }
    if (className == "NSString" || className == "NSMutableString") {
        plist_t text = plist_dict_get_item(node, "NS.string");
        auto value = text && plist_get_node_type(text) == PLIST_STRING ? PropertyList::valueFromNode(text)
                                                                       : std::nullopt;
        if (!value) fail(kMalformed, "a text object has no text");
        return value ? *value : Value();
    }
    if (className == "NSData" || className == "NSMutableData") {
        plist_t bytes = plist_dict_get_item(node, "NS.data");
        auto value = bytes && plist_get_node_type(bytes) == PLIST_DATA ? PropertyList::valueFromNode(bytes)
                                                                       : std::nullopt;
        if (!value) fail(kMalformed, "a data object has no bytes");
        return value ? *value : Value();
    }
    if (className == "NSNull") return Value();
    handled = false;
    return Value();
}

Value KeyedUnarchiver::decodeRecord(uint64_t reference, const std::string& className, plist_t node) {
    if (plainClasses().count(className)) {
        fail(kMalformed, "the archive holds a " + className + " in a form that cannot be read");
        return Value();
    }
    if (allowedClasses_ && !allowedClasses_->count(className)) {
        fail(kClassNotAllowed,
             "the archive holds the class \"" + className + "\", which is not allowed here");
        return Value();
    }
    auto object = ClassRegistry::shared().makeObject(className);
    if (!object) {
        fail(kUnknownClass, "the archive holds the class \"" + className + "\", which is not known");
        return Value();
    }
    auto coding = dynamic_cast<Coding*>(object.get());
    if (!coding) {
        fail(kUnknownClass, "the class \"" + className + "\" cannot be read from an archive");
        return Value();
    }
    records_.push_back(node);
    bool accepted = coding->initWithCoder(*this);
    records_.pop_back();
    if (error_) return Value();
    if (!accepted) {
        fail(kRefused, "a " + className + " refused its archived contents");
        return Value();
    }
    decodedRecords_[reference] = object;
    return Value(object);
}

plist_t KeyedUnarchiver::fieldNode(const std::string& key) const {
    if (records_.empty()) return nullptr;
    return plist_dict_get_item(records_.back(), KeyedArchiver::escapedKey(key).c_str());
}

Value KeyedUnarchiver::decodeObjectForKey(const std::string& key) {
    if (error_) return Value();
    if (records_.empty()) {
        logf("Keyed archive: \"%s\" was asked for outside of a record", key.c_str());
        return Value();
    }
    plist_t node = fieldNode(key);
    if (!node) return Value();
    if (isReference(node)) return decodeReference(referenceValue(node));
    // A plain number or text written in place reads as itself.
    switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN:
        case PLIST_UINT:
        case PLIST_REAL:
        case PLIST_STRING: {
            auto value = PropertyList::valueFromNode(node);
            return value ? *value : Value();
        }
        default:
            fail(kMalformed, "the field \"" + key + "\" is not an object reference");
            return Value();
    }
}

bool KeyedUnarchiver::containsValueForKey(const std::string& key) const {
    return fieldNode(key) != nullptr;
}

std::optional<Number> KeyedUnarchiver::numberForKey(const std::string& key, const char* wanted) {
    plist_t node = fieldNode(key);
    if (!node) return std::nullopt;
    plist_type type = plist_get_node_type(node);
    if (type == PLIST_BOOLEAN || type == PLIST_UINT || type == PLIST_REAL) {
        auto value = PropertyList::valueFromNode(node);
        if (value && value->number()) return *value->number();
    }
    logf("Keyed archive: the field \"%s\" is not a %s; read as 0", key.c_str(), wanted);
    return std::nullopt;
}

bool KeyedUnarchiver::decodeBoolForKey(const std::string& key) {
    auto number = numberForKey(key, "boolean");
    return number && number->boolValue();
}

int32_t KeyedUnarchiver::decodeInt32ForKey(const std::string& key) {
    auto number = numberForKey(key, "32-bit integer");
    if (!number) return 0;
    int64_t wide = number->longLongValue();
    if (number->isIntegral() &&
        (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max()))
        logf("Keyed archive: the field \"%s\" holds %s, too large for 32 bits", key.c_str(),
             number->stringValue().c_str());
    return number->intValue();
}

int64_t KeyedUnarchiver::decodeInt64ForKey(const std::string& key) {
    auto number = numberForKey(key, "64-bit integer");
    return number ? number->longLongValue() : 0;
}

double KeyedUnarchiver::decodeDoubleForKey(const std::string& key) {
    auto number = numberForKey(key, "real number");
    return number ? number->doubleValue() : 0;
}

}  // namespace platform
