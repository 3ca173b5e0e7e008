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
            if (error) {
                logf("Hosted backend: saving a record failed: %s", error->description.c_str());
            } else if (creating) {
                auto id = answer.find("objectId");
                if (auto self = weakSelf.lock(); self && id != answer.end() && id->is_string())
                    self->objectId_ = id->get<std::string>();
            }
            if (completion) completion(!error, error);
        });
}

}  // namespace platform
