#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"

namespace platform {

// Talking to other applications through their scripting interfaces, by bundle identifier: whether one
// runs, its properties and those of its elements (a player's documents), and its commands (play,
// pause, playpause). Every request waits at most kScriptingReplyTimeout for the application's answer;
// an application that does not answer in time counts as having answered nothing.

inline constexpr double kScriptingReplyTimeout = 2.0;

// One step of the way to an object inside an application: the kind of element and its identifier.
struct ScriptElementReference {
    std::string kind;
    int64_t identifier = 0;

    bool operator==(const ScriptElementReference&) const = default;
};

struct ScriptingRequest {
    enum class Kind { IsRunning, GetProperty, SendCommand, ListElements };

    std::string bundleIdentifier;
    Kind kind = Kind::IsRunning;
    std::vector<ScriptElementReference> object;  // empty: the application itself
    std::string name;                            // the property, the command or the kind of element
};

// Where the answers come from: the simulated players here; a media-player bus later. Answers, by kind
// of request: IsRunning a boolean; GetProperty the value (null when the object or the property does not
// exist); SendCommand a boolean (the command was taken); ListElements the identifiers of the elements,
// in the application's order. None when no answer came within the timeout; a backend waits no longer.
class ScriptingBackend {
public:
    virtual ~ScriptingBackend() = default;

    // The identifier of the application bundle at the path; none when no application is there.
    virtual std::optional<std::string> bundleIdentifierOfApplicationAtPath(const std::string& path) = 0;
    virtual std::optional<Value> send(const ScriptingRequest& request, double timeoutSeconds) = 0;

    // The installed backend, else one that knows no application.
    static std::shared_ptr<ScriptingBackend> current();
    static void install(std::shared_ptr<ScriptingBackend> backend);
};

std::optional<std::string> bundleIdentifierOfApplicationAtPath(const std::string& path);

// An object inside a scriptable application (or the application itself).
class ScriptableObject {
public:
    ScriptableObject(std::string bundleIdentifier, std::vector<ScriptElementReference> path)
        : bundleIdentifier_(std::move(bundleIdentifier)), path_(std::move(path)) {}
    virtual ~ScriptableObject() = default;

    const std::string& bundleIdentifier() const { return bundleIdentifier_; }
    const std::vector<ScriptElementReference>& path() const { return path_; }

    // The property's value; none when the application did not answer or has no such object or property.
    std::optional<Value> propertyNamed(const std::string& name) const;
    // The property as a boolean or a text; none when it is missing or of another type.
    std::optional<bool> boolPropertyNamed(const std::string& name) const;
    std::optional<std::string> stringPropertyNamed(const std::string& name) const;
    // True when the application took the command.
    bool sendCommand(const std::string& command) const;
    // The elements of the kind (empty when there are none or no answer came).
    std::vector<ScriptableObject> elementsNamed(const std::string& kind) const;

private:
    std::optional<Value> send(ScriptingRequest::Kind kind, const std::string& name) const;

    std::string bundleIdentifier_;
    std::vector<ScriptElementReference> path_;
};

class ScriptableApplication : public ScriptableObject {
public:
    // Null for an empty identifier.
    static std::shared_ptr<ScriptableApplication> applicationWithBundleIdentifier(
        const std::string& bundleIdentifier);
    explicit ScriptableApplication(std::string bundleIdentifier)
        : ScriptableObject(std::move(bundleIdentifier), {}) {}

    // False also when the application did not answer.
    bool isRunning() const;
};

}  // namespace platform
