#pragma once

#include <optional>
#include <string>

namespace reporting {

// The kit interface: the class operations of a kit that the registry starts. A kit class supplies one
// object implementing them (see RKTKitClass). Optional operations have empty defaults.
class RKTKit {
public:
    virtual ~RKTKit() = default;
    virtual std::string bundleIdentifier() const = 0;
    virtual std::string kitDisplayVersion() const = 0;
    virtual std::optional<std::string> kitBuildVersion() const { return std::nullopt; }
    virtual void initializeIfNeeded() {}
    virtual void disableUninitializedKitMessaging() {}
};

}  // namespace reporting
