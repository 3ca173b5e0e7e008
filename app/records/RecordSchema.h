#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/records/PayloadRecord.h"
#include "platform/base/Log.h"
#include "platform/base/Number.h"
#include "platform/base/Value.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace kestrune {

// The fields of one record type, each a text, a number or a nested record held in a member of the
// record, with its property name (which is also its archive key). From this one table come the
// property list and the by-name access the link coder uses, and the keyed coding of the archives.
// Owner::kClassName names the type in log lines; a nested type's kClassName is its kind.
template <class Owner>
class RecordSchema {
public:
    using Getter = std::function<platform::Value(const Owner&)>;
    using Setter = std::function<bool(Owner&, const platform::Value&)>;

    RecordSchema& text(std::string name, std::optional<std::string> Owner::*member) {
        return optionalField(std::move(name), PayloadRecord::kStringKind, member,
                             [](const platform::Value& value) { return value.string(); });
    }

    RecordSchema& number(std::string name, std::optional<platform::Number> Owner::*member) {
        return optionalField(std::move(name), PayloadRecord::kNumberKind, member,
                             [](const platform::Value& value) { return value.number(); });
    }

    // A number field of single precision: a real in it is archived as a 4-byte real, as it always was;
    // a boolean or an integer is archived as such. Read back like any number field.
    RecordSchema& singlePrecisionNumber(std::string name, std::optional<platform::Number> Owner::*member) {
        number(std::move(name), member);
        fields_.back().singlePrecision = true;
        return *this;
    }

    template <class Nested>
    RecordSchema& record(std::string name, std::shared_ptr<Nested> Owner::*member) {
        return add(
            std::move(name), Nested::kClassName,
            [member](const Owner& owner) { return platform::Value(owner.*member); },
            [member](Owner& owner, const platform::Value& value) {
                if (value.isNull()) {
                    (owner.*member).reset();
                    return true;
                }
                auto nested = value.template objectAs<Nested>();
                if (!nested) return false;
                owner.*member = std::move(nested);
                return true;
            });
    }

    // The key orders of archiving and of reading back, where they differ from the declaration order.
    RecordSchema& encodedInOrder(std::vector<std::string> keys) {
        encodingOrder_ = std::move(keys);
        return *this;
    }
    RecordSchema& decodedInOrder(std::vector<std::string> keys) {
        decodingOrder_ = std::move(keys);
        return *this;
    }

    const std::vector<PayloadRecord::Property>& properties() const { return properties_; }

    platform::Value get(const Owner& owner, const std::string& name) const {
        auto field = find(name);
        return field ? field->get(owner) : platform::Value();
    }

    bool set(Owner& owner, const std::string& name, const platform::Value& value) const {
        auto field = find(name);
        return field && field->set(owner, value);
    }

    platform::Value getAt(const Owner& owner, size_t index) const {
        return index < fields_.size() ? fields_[index].get(owner) : platform::Value();
    }

    bool setAt(Owner& owner, size_t index, const platform::Value& value) const {
        return index < fields_.size() && fields_[index].set(owner, value);
    }

    void encode(const Owner& owner, platform::KeyedArchiver& coder) const {
        for (const auto& key : order(encodingOrder_)) {
            const Field* field = find(key);
            const platform::Value value = field ? field->get(owner) : platform::Value();
            const platform::Number* number = value.number();
            if (field && field->singlePrecision && number && number->isReal())
                coder.encodeFloatNumber_forKey(static_cast<float>(number->doubleValue()), key);
            else
                coder.encodeObject_forKey(value, key);
        }
    }

    // Every field is set to what the archive holds under its key; a missing key leaves it empty, and
    // so does a value of the wrong kind (a damaged or foreign file), with a log line.
    void decode(Owner& owner, platform::KeyedUnarchiver& coder) const {
        for (const auto& key : order(decodingOrder_)) {
            const Field* field = find(key);
            if (!field) continue;
            platform::Value value = coder.decodeObjectForKey(key);
            if (field->set(owner, value)) continue;
            platform::logf("%s: the stored \"%s\" is %s, not %s; it is left empty", Owner::kClassName,
                           key.c_str(), value.description().c_str(), field->property.kind.c_str());
            field->set(owner, platform::Value());
        }
    }

private:
    struct Field {
        PayloadRecord::Property property;
        Getter get;
        Setter set;
        bool singlePrecision = false;
    };

    // A text or number field: none empties it; a value of another kind is refused.
    template <typename T, typename Extract>
    RecordSchema& optionalField(std::string name, const char* kind, std::optional<T> Owner::*member,
                                Extract extract) {
        return add(
            std::move(name), kind,
            [member](const Owner& owner) {
                const auto& field = owner.*member;
                return field ? platform::Value(*field) : platform::Value();
            },
            [member, extract](Owner& owner, const platform::Value& value) {
                if (value.isNull()) {
                    (owner.*member).reset();
                    return true;
                }
                const T* held = extract(value);
                if (!held) return false;
                owner.*member = *held;
                return true;
            });
    }

    RecordSchema& add(std::string name, std::string kind, Getter get, Setter set) {
        properties_.push_back({name, kind});
        fields_.push_back({{std::move(name), std::move(kind)}, std::move(get), std::move(set)});
        return *this;
    }

    const Field* find(const std::string& name) const {
        for (const auto& field : fields_)
            if (field.property.name == name) return &field;
        return nullptr;
    }

    std::vector<std::string> order(const std::vector<std::string>& given) const {
        if (!given.empty()) return given;
        std::vector<std::string> names;
        for (const auto& property : properties_) names.push_back(property.name);
        return names;
    }

    std::vector<PayloadRecord::Property> properties_;
    std::vector<Field> fields_;
    std::vector<std::string> encodingOrder_;
    std::vector<std::string> decodingOrder_;
};

}  // namespace kestrune
