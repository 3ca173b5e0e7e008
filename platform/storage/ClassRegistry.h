#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace platform {

// The record classes a keyed archive may name: class name -> a factory of empty records, and the
// superclass names written beside it. Any folder registers its own classes, either by a call at start-up
// or with a Registrar object next to the class.
class ClassRegistry {
public:
    using Factory = std::function<std::shared_ptr<Object>()>;

    static ClassRegistry& shared();

    // Registers (or replaces) a class. `superclasses` lists the names between the class and "NSObject".
    void registerClass(const std::string& name, Factory factory, std::vector<std::string> superclasses = {});
    template <typename T>
    void registerClass(const std::string& name, std::vector<std::string> superclasses = {}) {
        static_assert(std::is_base_of_v<Object, T> && std::is_base_of_v<Coding, T>,
                      "an archived record is an Object that implements Coding");
        registerClass(
            name, [] { return std::static_pointer_cast<Object>(std::make_shared<T>()); },
            std::move(superclasses));
    }

    bool isRegistered(const std::string& name) const;
    // A new empty record of the class, or null when the class is not registered.
    std::shared_ptr<Object> makeObject(const std::string& name) const;
    // The class and its superclasses up to "NSObject", as an archive lists them.
    std::vector<std::string> classHierarchy(const std::string& name) const;

    // Registers T under the name when the program starts, for records defined next to it.
    template <typename T>
    class Registrar {
    public:
        explicit Registrar(const std::string& name, std::vector<std::string> superclasses = {}) {
            ClassRegistry::shared().registerClass<T>(name, std::move(superclasses));
        }
    };

private:
    struct Entry {
        Factory factory;
        std::vector<std::string> superclasses;
    };
    mutable std::mutex mutex_;
    std::map<std::string, Entry> classes_;
};

}  // namespace platform
