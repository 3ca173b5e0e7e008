#include "platform/system/ScriptingBridge.h"
#include "platform/base/BackendSlot.h"

namespace platform {

namespace {

// Nothing to script: no application is installed or runs.
class NoScriptingBackend final : public ScriptingBackend {
public:
    std::optional<std::string> bundleIdentifierOfApplicationAtPath(const std::string&) override {
        return std::nullopt;
    }
    std::optional<Value> send(const ScriptingRequest& request, double) override {
        if (request.kind == ScriptingRequest::Kind::IsRunning ||
            request.kind == ScriptingRequest::Kind::SendCommand)
            return Value(false);
        if (request.kind == ScriptingRequest::Kind::ListElements) return Value(Value::Array{});
        return Value();
    }
};

}  // namespace

std::shared_ptr<ScriptingBackend> ScriptingBackend::current() {
    return platform::backendSlot<ScriptingBackend>().getOr<NoScriptingBackend>();
}

void ScriptingBackend::install(std::shared_ptr<ScriptingBackend> backend) {
    platform::backendSlot<ScriptingBackend>().set(std::move(backend));
}

std::optional<std::string> bundleIdentifierOfApplicationAtPath(const std::string& path) {
    return ScriptingBackend::current()->bundleIdentifierOfApplicationAtPath(path);
}

std::optional<Value> ScriptableObject::send(ScriptingRequest::Kind kind, const std::string& name) const {
    ScriptingRequest request;
    request.bundleIdentifier = bundleIdentifier_;
    request.kind = kind;
    request.object = path_;
    request.name = name;
    return ScriptingBackend::current()->send(request, kScriptingReplyTimeout);
}

std::optional<Value> ScriptableObject::propertyNamed(const std::string& name) const {
    auto answer = send(ScriptingRequest::Kind::GetProperty, name);
    if (!answer || answer->isNull()) return std::nullopt;
    return answer;
}

std::optional<bool> ScriptableObject::boolPropertyNamed(const std::string& name) const {
    auto value = propertyNamed(name);
    if (!value || !value->number()) return std::nullopt;
    return value->number()->boolValue();
}

std::optional<std::string> ScriptableObject::stringPropertyNamed(const std::string& name) const {
    auto value = propertyNamed(name);
    if (!value || !value->string()) return std::nullopt;
    return *value->string();
}

bool ScriptableObject::sendCommand(const std::string& command) const {
    auto answer = send(ScriptingRequest::Kind::SendCommand, command);
    return answer && answer->number() && answer->number()->boolValue();
}

std::vector<ScriptableObject> ScriptableObject::elementsNamed(const std::string& kind) const {
    std::vector<ScriptableObject> elements;
    auto answer = send(ScriptingRequest::Kind::ListElements, kind);
    if (!answer || !answer->array()) return elements;
    for (const auto& item : *answer->array()) {
        if (!item.number()) continue;
        auto path = path_;
        path.push_back({kind, item.number()->longLongValue()});
        elements.emplace_back(bundleIdentifier_, std::move(path));
    }
    return elements;
}

std::shared_ptr<ScriptableApplication> ScriptableApplication::applicationWithBundleIdentifier(
    const std::string& bundleIdentifier) {
    if (bundleIdentifier.empty()) return nullptr;
    return std::make_shared<ScriptableApplication>(bundleIdentifier);
}

bool ScriptableApplication::isRunning() const {
    ScriptingRequest request;
    request.bundleIdentifier = bundleIdentifier();
    request.kind = ScriptingRequest::Kind::IsRunning;
    auto answer = ScriptingBackend::current()->send(request, kScriptingReplyTimeout);
    return answer && answer->number() && answer->number()->boolValue();
}

}  // namespace platform
