#include "platform/backend/BackendObject.h"

#include "platform/backend/BackendClient.h"
#include "platform/base/Log.h"

namespace platform {

std::shared_ptr<BackendObject> BackendObject::objectWithoutDataWithClassName_objectId(
    std::string className, std::optional<std::string> objectId) {
    if (objectId && objectId->empty()) objectId.reset();
    return std::shared_ptr<BackendObject>(new BackendObject(std::move(className), std::move(objectId)));
}

std::shared_ptr<BackendObject> BackendObject::objectFromJSON(const std::string& className,
                                                             const nlohmann::json& json) {
    if (!json.is_object()) return nullptr;
    auto id = json.find("objectId");
    if (id == json.end() || !id->is_string() || id->get<std::string>().empty()) return nullptr;
    auto object = objectWithoutDataWithClassName_objectId(className, id->get<std::string>());
    for (const auto& [key, value] : json.items()) {
        if (key == "objectId" || key == "createdAt" || key == "updatedAt" || key == "ACL") continue;
        object->fields_[key] = BackendClient::valueFromJSON(value);
    }
    return object;
}

const Value& BackendObject::objectForKey(const std::string& key) const {
    auto found = fields_.find(key);
    return found == fields_.end() ? Value::null() : found->second;
}

void BackendObject::setObject_forKey(Value value, const std::string& key) {
    if (value.isNull())
        fields_.erase(key);
    else
        fields_[key] = std::move(value);
}

void BackendObject::saveInBackground() {
    saveInBackgroundWithBlock(nullptr);
}

void BackendObject::saveInBackgroundWithBlock(SaveCompletion completion) {
    nlohmann::json body = nlohmann::json::object();
    for (const auto& [key, value] : fields_) body[key] = BackendClient::JSONFromValue(value);
    const std::string path = "/classes/" + BackendClient::escape(className_) +
                             (objectId_ ? "/" + BackendClient::escape(*objectId_) : "");
    std::weak_ptr<BackendObject> weakSelf = weak_from_this();
    const bool creating = !objectId_;
    BackendClient::send(
        creating ? "POST" : "PUT", path, "", std::move(body),
        [weakSelf, creating, completion = std::move(completion)](const nlohmann::json& answer,
                                                                 const std::optional<Error>& error) {
            // Stored only when the backend says so in its own words: the new record's identifier, or
            // the time of the overwrite. Any other answer, even an empty object with a 200, is a failure.
            const char* proof = creating ? "objectId" : "updatedAt";
            std::optional<Error> failure = error;
            auto field = answer.find(proof);
            if (!failure &&
                (field == answer.end() || !field->is_string() || field->get<std::string>().empty()))
                failure = Error{BackendClient::kErrorDomain, BackendClient::MalformedAnswer,
                                std::string("the hosted backend's answer to a save has no ") + proof};
            if (failure) {
                logf("Hosted backend: saving a record failed: %s", failure->description.c_str());
            } else if (creating) {
                if (auto self = weakSelf.lock()) self->objectId_ = field->get<std::string>();
            }
            if (completion) completion(!failure, failure);
        });
}

}  // namespace platform
