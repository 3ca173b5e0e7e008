// Keyed archives come from the phone (Base64 in a link message) and from files: any bytes must decode to
// a value or an error, never a crash, a hang or unbounded memory.
#include <cstddef>
#include <cstdint>

#include "platform/base/Log.h"
#include "platform/storage/ClassRegistry.h"
#include "platform/storage/Coding.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"

namespace {

// A record that reads every kind of field, as the stored records do.
class FuzzRecord : public platform::Object, public platform::Coding {
public:
    std::string className() const override { return "FuzzRecord"; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override {
        coder.encodeObject_forKey(name, "name");
        coder.encodeObject_forKey(child, "child");
        coder.encodeBool_forKey(flag, "flag");
        coder.encodeInt32_forKey(code, "code");
        coder.encodeInt64_forKey(stamp, "stamp");
        coder.encodeDouble_forKey(ratio, "ratio");
    }
    bool initWithCoder(platform::KeyedUnarchiver& coder) override {
        name = coder.decodeObjectForKey("name");
        child = coder.decodeObjectForKey("child");
        flag = coder.decodeBoolForKey("flag");
        code = coder.decodeInt32ForKey("code");
        stamp = coder.decodeInt64ForKey("stamp");
        ratio = coder.decodeDoubleForKey("ratio");
        return !coder.containsValueForKey("refuse");
    }
    platform::Value name, child;
    bool flag = false;
    int32_t code = 0;
    int64_t stamp = 0;
    double ratio = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    static const bool setUp = [] {
        platform::Log::setSink([](const std::string&) {});
        platform::ClassRegistry::shared().registerClass<FuzzRecord>("FuzzRecord");
        return true;
    }();
    (void)setUp;
    platform::Data data(bytes, size);
    platform::Error error;
    platform::Value root = platform::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    if (error.code != 0 && !root.isNull()) __builtin_trap();  // a result and an error at once
    platform::KeyedUnarchiver::ClassNames plainOnly;
    platform::Error restricted;
    platform::Value plain = platform::KeyedUnarchiver::unarchiveObjectWithData(data, &restricted, &plainOnly);
    if (restricted.code == 0 && error.code != 0) __builtin_trap();  // the allow-list only ever refuses more
    if (error.code == 0 && !root.isNull()) {
        // Whatever was read can be written and read again.
        auto again = platform::KeyedArchiver::archivedDataWithRootObject(root);
        if (again) {
            platform::Error second;
            platform::KeyedUnarchiver::unarchiveObjectWithData(*again, &second);
            if (second.code != 0 && second.code != platform::KeyedUnarchiver::kTooLarge) __builtin_trap();
        }
    }
    return 0;
}
