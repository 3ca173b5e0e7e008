#include "platform/backend/BackendQuery.h"

#include "platform/backend/BackendClient.h"
#include "platform/base/Log.h"

namespace platform {

std::shared_ptr<BackendQuery> BackendQuery::queryWithClassName(std::string className) {
    return std::shared_ptr<BackendQuery>(new BackendQuery(std::move(className)));
}

void BackendQuery::whereKey_equalTo(const std::string& key, Value value) {
    constraints_[key] = std::move(value);
}

void BackendQuery::findObjectsInBackgroundWithBlock(FindCompletion completion) const {
    const std::string where = BackendClient::JSONFromValue(Value(constraints_))
                                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    BackendClient::send(
        "GET", "/classes/" + BackendClient::escape(className_), "where=" + BackendClient::escape(where),
        std::nullopt,
        [className = className_, completion = std::move(completion)](const nlohmann::json& answer,
                                                                     const std::optional<Error>& error) {
            std::vector<std::shared_ptr<BackendObject>> objects;
            std::optional<Error> failure = error;
            if (!failure) {
                if (auto results = resultsFromAnswer(className, answer))
                    objects = std::move(*results);
                else
                    failure = Error{BackendClient::kErrorDomain, BackendClient::MalformedAnswer,
                                    "malformed answer from the hosted backend"};
            } else {
                logf("Hosted backend: query of %s failed: %s", className.c_str(),
                     failure->description.c_str());
            }
            if (completion)
                completion(failure ? std::vector<std::shared_ptr<BackendObject>>{} : objects, failure);
        });
}

std::optional<std::vector<std::shared_ptr<BackendObject>>> BackendQuery::resultsFromAnswer(
    const std::string& className, const nlohmann::json& answer) {
    if (!answer.is_object()) return std::nullopt;
    auto results = answer.find("results");
    if (results == answer.end() || !results->is_array()) {
        logf("Hosted backend: a query answer without a list of results");
        return std::nullopt;
    }
    std::vector<std::shared_ptr<BackendObject>> objects;
    for (const auto& entry : *results) {
        if (auto object = BackendObject::objectFromJSON(className, entry))
            objects.push_back(std::move(object));
        else
            logf("Hosted backend: left out a query result that is no record");
    }
    return objects;
}

}  // namespace platform
