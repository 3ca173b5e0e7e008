#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

// One record of a class of the hosted backend: its identifier (none until stored) and its fields by
// key. Change it on one thread; a save sends the fields as they stand when it is asked for.
class BackendObject : public std::enable_shared_from_this<BackendObject> {
public:
    // A record of the class; with an identifier a save overwrites that stored record, without one it
    // creates a new record.
    static std::shared_ptr<BackendObject> objectWithoutDataWithClassName_objectId(
        std::string className, std::optional<std::string> objectId);
    // A record as the backend gave it: "objectId" becomes the identifier, the rest (bar the backend's
    // own time stamps and access list) the fields. None when the answer names no identifier.
    static std::shared_ptr<BackendObject> objectFromJSON(const std::string& className,
                                                         const nlohmann::json& json);

    const std::string& parseClassName() const { return className_; }
    const std::optional<std::string>& objectId() const { return objectId_; }

    // The field's value; none when not set.
    const Value& objectForKey(const std::string& key) const;
    void setObject_forKey(Value value, const std::string& key);
    const std::map<std::string, Value>& fields() const { return fields_; }

    using SaveCompletion = std::function<void(bool succeeded, const std::optional<Error>& error)>;
    // Creates (POST) or overwrites (PUT by identifier) the record; the completion, when given, runs on
    // the main run loop. A created record takes the identifier the backend gave it.
    void saveInBackground();
    void saveInBackgroundWithBlock(SaveCompletion completion);

private:
    BackendObject(std::string className, std::optional<std::string> objectId)
        : className_(std::move(className)), objectId_(std::move(objectId)) {}

    std::string className_;
    std::optional<std::string> objectId_;
    std::map<std::string, Value> fields_;
};

}  // namespace platform
