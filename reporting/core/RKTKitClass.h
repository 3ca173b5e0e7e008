#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
};

// An object of a kit class; the kit list may hold one in place of its class.
class RKTKitObject {
public:
    virtual ~RKTKitObject() = default;
    virtual std::shared_ptr<RKTKitClass> kitClass() const = 0;
};

}  // namespace reporting
