#include "reporting/core/RKTKitClass.h"

#include <map>
#include <mutex>

namespace reporting {

namespace {
std::mutex gMutex;
std::map<std::string, std::shared_ptr<RKTKitClass>>& registry() {
    static auto* classes = new std::map<std::string, std::shared_ptr<RKTKitClass>>;
    return *classes;
}
}  // namespace

std::shared_ptr<RKTKitClass> RKTKitClass::kitClass(std::string name, std::shared_ptr<RKTKit> kit) {
    auto made = std::make_shared<RKTKitClass>(std::move(name));
    made->kit_ = std::move(kit);
    return made;
}

std::shared_ptr<RKTKitClass> RKTKitClass::legacyClass(std::string name, SharedInstance sharedInstance) {
    auto made = std::make_shared<RKTKitClass>(std::move(name));
    made->sharedInstance_ = std::move(sharedInstance);
    return made;
}

std::shared_ptr<RKTKitClass> RKTKitClass::plainClass(std::string name) {
    return std::make_shared<RKTKitClass>(std::move(name));
}

std::shared_ptr<RKTKitClass> RKTKitClass::nimbusAppClass(std::string name, DefaultApp defaultApp) {
    auto made = std::make_shared<RKTKitClass>(std::move(name));
    made->defaultApp_ = std::move(defaultApp);
    return made;
}

std::shared_ptr<RKTLegacyKitInstance> RKTKitClass::sharedInstance() const {
    return sharedInstance_ ? sharedInstance_() : nullptr;
}

std::shared_ptr<NMBDefaultApp> RKTKitClass::defaultApp() const {
    return defaultApp_ ? defaultApp_() : nullptr;
}

namespace {

RKTKitClass::Operation find(std::mutex& mutex,
                            const std::map<std::string, RKTKitClass::Operation>& operations,
                            const std::string& selector) {
    std::lock_guard lock(mutex);
    auto it = operations.find(selector);
    return it == operations.end() ? RKTKitClass::Operation() : it->second;
}

}  // namespace

void RKTKitClass::setClassOperation(const std::string& selector, Operation operation) {
    std::lock_guard lock(operationsMutex_);
    if (operation) {
        classOperations_[selector] = std::move(operation);
    } else {
        classOperations_.erase(selector);
    }
}

bool RKTKitClass::respondsToSelector(const std::string& selector) const {
    return static_cast<bool>(find(operationsMutex_, classOperations_, selector));
}

platform::Value RKTKitClass::performSelector(const std::string& selector,
                                             const std::vector<platform::Value>& arguments) const {
    // Called outside the lock: an operation may look up classes, or this one, again.
    auto operation = find(operationsMutex_, classOperations_, selector);
    return operation ? operation(arguments) : platform::Value();
}

void RKTKitClass::setInstanceOperation(const std::string& selector, Operation operation) {
    std::lock_guard lock(operationsMutex_);
    if (operation) {
        instanceOperations_[selector] = std::move(operation);
    } else {
        instanceOperations_.erase(selector);
    }
}

bool RKTKitClass::instancesRespondToSelector(const std::string& selector) const {
    return static_cast<bool>(find(operationsMutex_, instanceOperations_, selector));
}

platform::Value RKTKitClass::performInstanceSelector(const std::string& selector,
                                                     const std::vector<platform::Value>& arguments) const {
    auto operation = find(operationsMutex_, instanceOperations_, selector);
    return operation ? operation(arguments) : platform::Value();
}

void RKTKitClass::registerClass(const std::shared_ptr<RKTKitClass>& kitClass) {
    if (!kitClass) return;
    std::lock_guard lock(gMutex);
    registry()[kitClass->name()] = kitClass;
}

void RKTKitClass::unregisterClass(const std::string& name) {
    std::lock_guard lock(gMutex);
    registry().erase(name);
}

std::shared_ptr<RKTKitClass> RKTKitClass::classNamed(const std::string& name) {
    std::lock_guard lock(gMutex);
    auto it = registry().find(name);
    return it == registry().end() ? nullptr : it->second;
}

void RKTKitClass::unregisterAllClassesForTesting() {
    std::lock_guard lock(gMutex);
    registry().clear();
}

}  // namespace reporting
