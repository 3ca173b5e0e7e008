#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.h"
#include "reporting/core/RKTKit.h"

namespace reporting {

// An instance of a kit of the older shape: each operation it answers is set; an empty one is an
// operation it does not answer.
struct RKTLegacyKitInstance {
    std::function<void()> start;
    std::function<std::string()> bundleIdentifier;
    std::function<std::string()> version;
};

// The outside core's application object, as far as the kit asks it.
struct NMBDefaultApp {
    std::optional<bool> isDataCollectionDefaultEnabled;  // none: it does not answer
};

// A class as the kit registry sees it: a name and what the class answers. A kit class adopts the kit
// interface (kit() is set), or has the older shape (sharedInstance is set), or neither, which makes it
// no kit. The class list of the process lets the kit find optional outside classes by name.
class RKTKitClass {
public:
    using SharedInstance = std::function<std::shared_ptr<RKTLegacyKitInstance>()>;
    using DefaultApp = std::function<std::shared_ptr<NMBDefaultApp>()>;

    static std::shared_ptr<RKTKitClass> kitClass(std::string name, std::shared_ptr<RKTKit> kit);
    static std::shared_ptr<RKTKitClass> legacyClass(std::string name, SharedInstance sharedInstance);
    static std::shared_ptr<RKTKitClass> plainClass(std::string name);
    // The outside core's application class: defaultApp answers its default application, or null.
    static std::shared_ptr<RKTKitClass> nimbusAppClass(std::string name, DefaultApp defaultApp);

    const std::string& name() const { return name_; }
    bool conformsToRKTKit() const { return kit_ != nullptr; }
    RKTKit* kit() const { return kit_.get(); }
    bool answersSharedInstance() const { return static_cast<bool>(sharedInstance_); }
    std::shared_ptr<RKTLegacyKitInstance> sharedInstance() const;
    std::shared_ptr<NMBDefaultApp> defaultApp() const;

    // Operations a class answers by name, as its callers look them up ("startWithBetaToken:"): the class's
    // own operations, and those of its shared instance. An operation not set is one it does not answer.
    // The kit asks for optional operations this way, so that a class without them takes the road meant
    // for their absence.
    using Operation = std::function<platform::Value(const std::vector<platform::Value>& arguments)>;
    void setClassOperation(const std::string& selector, Operation operation);
    bool respondsToSelector(const std::string& selector) const;
    // Null when the class does not answer the selector.
    platform::Value performSelector(const std::string& selector,
                                    const std::vector<platform::Value>& arguments = {}) const;
    void setInstanceOperation(const std::string& selector, Operation operation);
    bool instancesRespondToSelector(const std::string& selector) const;
    platform::Value performInstanceSelector(const std::string& selector,
                                            const std::vector<platform::Value>& arguments = {}) const;

    // The classes present in the process, by name. Registering a name again replaces the class.
    static void registerClass(const std::shared_ptr<RKTKitClass>& kitClass);
    static void unregisterClass(const std::string& name);
    static std::shared_ptr<RKTKitClass> classNamed(const std::string& name);
    static void unregisterAllClassesForTesting();

    explicit RKTKitClass(std::string name) : name_(std::move(name)) {}

private:
    std::string name_;
    std::shared_ptr<RKTKit> kit_;
    SharedInstance sharedInstance_;
    DefaultApp defaultApp_;
    mutable std::mutex operationsMutex_;
    std::map<std::string, Operation> classOperations_;     // guarded by operationsMutex_
    std::map<std::string, Operation> instanceOperations_;  // guarded by operationsMutex_
};

// An object of a kit class; the kit list may hold one in place of its class.
class RKTKitObject {
public:
    virtual ~RKTKitObject() = default;
    virtual std::shared_ptr<RKTKitClass> kitClass() const = 0;
};

}  // namespace reporting
