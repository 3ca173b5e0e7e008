#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/base/Data.h"
#include "platform/base/Date.h"
#include "platform/base/Number.h"
#include "platform/base/Object.h"

namespace platform {

// Any object of the stored and transmitted formats: none, a number, a text, bytes, a date, a list, a
// dictionary with text keys, or an object with identity (a record).
class Value {
public:
    using Array = std::vector<Value>;
    using Dictionary = std::map<std::string, Value>;
    using ObjectPtr = std::shared_ptr<Object>;
    enum class Type { Null, Number, String, Data, Date, Array, Dictionary, Object };

    Value() = default;
    Value(std::nullptr_t) {}
    Value(Number n) : v_(n) {}
    Value(bool b) : v_(Number(b)) {}
    Value(int n) : v_(Number(n)) {}
    Value(long n) : v_(Number(n)) {}
    Value(long long n) : v_(Number(n)) {}
    Value(unsigned n) : v_(Number(n)) {}
    Value(double n) : v_(Number(n)) {}
    Value(const char* s) : v_(std::string(s)) {}
    Value(std::string s) : v_(std::move(s)) {}
    Value(std::string_view s) : v_(std::string(s)) {}
    Value(platform::Data d) : v_(std::move(d)) {}
    Value(platform::Date d) : v_(d) {}
    Value(Array a) : v_(std::move(a)) {}
    Value(Dictionary d) : v_(std::move(d)) {}
    template <typename T, typename = std::enable_if_t<std::is_base_of_v<platform::Object, T>>>
    Value(std::shared_ptr<T> object) {
        if (object) v_ = ObjectPtr(std::move(object));
    }

    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }
    explicit operator bool() const { return !isNull(); }

    // Typed views: a pointer to the held value, or null when the value is of another type.
    const Number* number() const { return std::get_if<Number>(&v_); }
    const std::string* string() const { return std::get_if<std::string>(&v_); }
    const platform::Data* data() const { return std::get_if<platform::Data>(&v_); }
    const platform::Date* date() const { return std::get_if<platform::Date>(&v_); }
    const Array* array() const { return std::get_if<Array>(&v_); }
    Array* array() { return std::get_if<Array>(&v_); }
    const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
    Dictionary* dictionary() { return std::get_if<Dictionary>(&v_); }
    ObjectPtr object() const {
        auto p = std::get_if<ObjectPtr>(&v_);
        return p ? *p : nullptr;
    }
    template <typename T>
    std::shared_ptr<T> objectAs() const {
        return std::dynamic_pointer_cast<T>(object());
    }

    // Dictionary lookup; none when this is no dictionary or has no such key.
    const Value& operator[](const std::string& key) const;

    // A short human-readable description, for log lines.
    std::string description() const;

    // Structural equality; objects are equal when they are the same object.
    bool operator==(const Value& other) const;

    static const Value& null();

private:
    std::variant<std::monostate, Number, std::string, platform::Data, platform::Date, Array, Dictionary,
                 ObjectPtr>
        v_;
};

}  // namespace platform
