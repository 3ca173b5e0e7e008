#include "app/records/PayloadRecord.h"

#include <map>
#include <mutex>

namespace kestrune {

namespace {
struct Types {
    std::mutex mutex;
    std::map<std::string, PayloadRecord::Factory> factories;
};
Types& types() {
    // Never destroyed: registrations run during static initialisation of any file.
    static auto* registered = new Types;
    return *registered;
}
}  // namespace

void PayloadRecord::registerRecordType(const std::string& className, Factory factory) {
    auto& all = types();
    std::lock_guard lock(all.mutex);
    all.factories[className] = std::move(factory);
}

bool PayloadRecord::isRecordType(const std::string& className) {
    auto& all = types();
    std::lock_guard lock(all.mutex);
    return all.factories.count(className) != 0;
}

std::shared_ptr<platform::Object> PayloadRecord::recordWithClassName(const std::string& className) {
    Factory factory;
    {
        auto& all = types();
        std::lock_guard lock(all.mutex);
        auto found = all.factories.find(className);
        if (found == all.factories.end()) return nullptr;
        factory = found->second;
    }
    return factory();
}

std::shared_ptr<PayloadRecord> PayloadRecord::payloadRecordIn(const platform::Value& value) {
    return std::dynamic_pointer_cast<PayloadRecord>(value.object());
}

}  // namespace kestrune
