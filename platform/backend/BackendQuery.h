#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/backend/BackendObject.h"
#include "platform/base/Error.h"
#include "platform/base/Value.h"

namespace platform {

// A query for the records of one class whose fields equal the values given.
class BackendQuery {
public:
    static std::shared_ptr<BackendQuery> queryWithClassName(std::string className);

    void whereKey_equalTo(const std::string& key, Value value);

    using FindCompletion = std::function<void(const std::vector<std::shared_ptr<BackendObject>>& objects,
                                              const std::optional<Error>& error)>;
    // Runs the query (GET with a "where" parameter); the completion runs on the main run loop with the
    // matching records in the order received, or with an error and no records. Entries of the answer
    // that are no record with an identifier are left out and logged.
    void findObjectsInBackgroundWithBlock(FindCompletion completion) const;

    // The records of a query's answer, in order, leaving out (and logging) entries that are no record
    // with an identifier; none when the answer holds no list of results.
    static std::optional<std::vector<std::shared_ptr<BackendObject>>> resultsFromAnswer(
        const std::string& className, const nlohmann::json& answer);

private:
    explicit BackendQuery(std::string className) : className_(std::move(className)) {}
    std::string className_;
    Value::Dictionary constraints_;
};

}  // namespace platform
