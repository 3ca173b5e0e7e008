#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"
#include "platform/storage/PropertyList.h"

// Helpers of the record tests: archive and read back, and look into or edit a stored archive the way an
// older version or a damaged file would have it.
namespace recordtests {

inline platform::Data archive(const platform::Value& root) {
    auto data = platform::KeyedArchiver::archivedDataWithRootObject(root);
    EXPECT_TRUE(data.has_value());
    return data.value_or(platform::Data());
}

template <class T>
std::shared_ptr<T> unarchive(const platform::Data& data) {
    platform::Error error;
    platform::Value root = platform::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    EXPECT_FALSE(root.isNull()) << error.description;
    return root.objectAs<T>();
}

template <class T>
std::shared_ptr<T> roundTrip(const std::shared_ptr<T>& record) {
    return unarchive<T>(archive(platform::Value(record)));
}

// The archive's object table as values (references read as {"CF$UID": n}).
inline platform::Value::Array objectTable(const platform::Data& data) {
    auto plist = platform::PropertyList::valueFromData(data);
    if (!plist) return {};
    auto objects = (*plist)["$objects"].array();
    return objects ? *objects : platform::Value::Array();
}

inline std::string classNameOf(const platform::Value::Array& objects, const platform::Value& record) {
    auto reference = record["$class"]["CF$UID"].number();
    if (!reference || reference->intValue() < 0 || size_t(reference->intValue()) >= objects.size()) return "";
    auto name = objects[size_t(reference->intValue())]["$classname"].string();
    return name ? *name : "";
}

// The keys stored for the records of a class (the union over all of them), "$class" aside.
inline std::set<std::string> storedKeys(const platform::Data& data, const std::string& className) {
    auto objects = objectTable(data);
    std::set<std::string> keys;
    for (const auto& object : objects) {
        auto record = object.dictionary();
        if (!record || !record->count("$class") || classNameOf(objects, object) != className) continue;
        for (const auto& [key, value] : *record)
            if (key != "$class") keys.insert(key);
    }
    return keys;
}

// The class names listed for a class in the archive ("$classes").
inline platform::Value::Array storedClassHierarchy(const platform::Data& data, const std::string& className) {
    for (const auto& object : objectTable(data)) {
        auto name = object["$classname"].string();
        if (name && *name == className) {
            auto classes = object["$classes"].array();
            return classes ? *classes : platform::Value::Array();
        }
    }
    return {};
}

// The archive as an older version wrote it: the keys removed from every record that has them.
inline platform::Data withoutKeys(const platform::Data& data, const std::set<std::string>& keys) {
    auto plist = platform::PropertyList::valueFromData(data);
    EXPECT_TRUE(plist.has_value());
    if (!plist) return data;
    auto& top = *plist->dictionary();
    auto& objects = *top["$objects"].array();
    for (auto& object : objects) {
        auto record = object.dictionary();
        if (!record || !record->count("$class")) continue;
        for (const auto& key : keys) record->erase(key);
    }
    auto edited = platform::PropertyList::dataFromValue(*plist, platform::PropertyList::Format::Binary);
    EXPECT_TRUE(edited.has_value());
    return edited.value_or(data);
}

}  // namespace recordtests
