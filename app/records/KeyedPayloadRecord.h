#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/records/PayloadRecord.h"
#include "app/records/RecordSchema.h"
#include "platform/base/Object.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"

namespace kestrune {

// Base of the records whose fields are all texts, numbers and nested records (the device, phone,
// settings and preference records): keyed coding and the payload view both come from the type's
// RecordSchema (Derived::schema(), which may be private with this class as a friend).
//
// The constructor makes the bare record, every field empty, as decoding starts from it; Derived::init()
// is the type's own initialiser, which may fill defaults.
template <class Derived>
class KeyedPayloadRecord : public platform::Object, public platform::Coding, public PayloadRecord {
public:
    std::string className() const override { return Derived::kClassName; }

    void encodeWithCoder(platform::KeyedArchiver& coder) const override {
        Derived::schema().encode(self(), coder);
    }
    bool initWithCoder(platform::KeyedUnarchiver& coder) override {
        decodeWithCoder(coder);
        return true;
    }
    // Reads every key into this record; types that fill missing fields after reading extend it.
    virtual void decodeWithCoder(platform::KeyedUnarchiver& coder) {
        Derived::schema().decode(self(), coder);
    }

    const std::vector<Property>& declaredProperties() const override {
        return Derived::schema().properties();
    }
    platform::Value valueForProperty(const std::string& name) const override {
        return Derived::schema().get(self(), name);
    }
    bool setValueForProperty(const std::string& name, const platform::Value& value) override {
        return Derived::schema().set(self(), name, value);
    }
    platform::Value valueForPropertyAtIndex(size_t index) const override {
        return Derived::schema().getAt(self(), index);
    }
    bool setValueForPropertyAtIndex(size_t index, const platform::Value& value) override {
        return Derived::schema().setAt(self(), index, value);
    }

    // Makes the type known to keyed archives (as the bare record) and to the link coder (as init()
    // makes it). One static instance beside each type.
    class Registrar {
    public:
        Registrar() {
            platform::ClassRegistry::shared().registerClass<Derived>(Derived::kClassName);
            PayloadRecord::registerRecordType(Derived::kClassName, [] {
                return std::static_pointer_cast<platform::Object>(Derived::init());
            });
        }
    };

private:
    const Derived& self() const { return static_cast<const Derived&>(*this); }
    Derived& self() { return static_cast<Derived&>(*this); }
};

}  // namespace kestrune
