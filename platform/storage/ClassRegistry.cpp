#include "platform/storage/ClassRegistry.h"

#include <algorithm>

#include "platform/base/SharedInstance.h"

namespace platform {

ClassRegistry& ClassRegistry::shared() {
    // Kept to the end: registrars of other files may run before or after any static destructor.
    static SharedInstance<ClassRegistry> instance;
    return instance.get([] { return new ClassRegistry; });
}

void ClassRegistry::registerClass(const std::string& name, Factory factory,
                                  std::vector<std::string> superclasses) {
    std::lock_guard lock(mutex_);
    classes_[name] = Entry{std::move(factory), std::move(superclasses)};
}

bool ClassRegistry::isRegistered(const std::string& name) const {
    std::lock_guard lock(mutex_);
    return classes_.count(name) != 0;
}

std::shared_ptr<Object> ClassRegistry::makeObject(const std::string& name) const {
    Factory factory;
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(name);
        if (it == classes_.end()) return nullptr;
        factory = it->second.factory;
    }
    return factory ? factory() : nullptr;
}

std::vector<std::string> ClassRegistry::classHierarchy(const std::string& name) const {
    std::vector<std::string> hierarchy{name};
    {
        std::lock_guard lock(mutex_);
        auto it = classes_.find(name);
        if (it != classes_.end())
            hierarchy.insert(hierarchy.end(), it->second.superclasses.begin(), it->second.superclasses.end());
    }
    if (std::find(hierarchy.begin(), hierarchy.end(), "NSObject") == hierarchy.end())
        hierarchy.push_back("NSObject");
    return hierarchy;
}

}  // namespace platform
