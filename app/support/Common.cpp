#include "app/support/Common.h"

#include <openssl/rand.h>

#include <cstdlib>
#include <mutex>

#include "app/shell/DebugConfig.h"
#include "app/support/Localizable.h"
#include "app/support/Utilities.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Bundle.h"

namespace kestrune {

namespace {

std::mutex gNextDataLock;  // "nextData"
std::mutex gReadDataLock;  // "readData"
std::mutex gLaunchMutex;
std::optional<bool> gFirstEverLaunch;
std::optional<bool> gFirstLaunchOfNewVersion;

// A uniformly drawn number below the bound, from the system's random source.
uint32_t uniformRandom(uint32_t bound) {
    const uint32_t limit = UINT32_MAX - (UINT32_MAX % bound);
    for (;;) {
        uint32_t value = 0;
        if (RAND_bytes(reinterpret_cast<unsigned char*>(&value), sizeof value) != 1) {
            value = static_cast<uint32_t>(arc4random());
        }
        if (value < limit) return value % bound;
    }
}

bool anyArchiveExists() {
    return platform::Files::exists(Utilities::applicationFilesDirectory()) ||
           platform::Files::exists(Utilities::applicationDataKestruneDirectoryFilePath());
}

// Parses "{location,length}" as written by getNextDataFromData.
std::optional<std::pair<size_t, size_t>> parseRange(const std::string& text) {
    if (text.size() < 5 || text.front() != '{' || text.back() != '}') return std::nullopt;
    auto parts = platform::split(text.substr(1, text.size() - 2), ",");
    if (parts.size() != 2) return std::nullopt;
    auto location = platform::Number::parse(parts[0]);
    auto length = platform::Number::parse(parts[1]);
    if (!location || !length || !location->isIntegral() || !length->isIntegral() ||
        location->longLongValue() < 0 || length->longLongValue() < 0) {
        return std::nullopt;
    }
    return std::make_pair(static_cast<size_t>(location->longLongValue()),
                          static_cast<size_t>(length->longLongValue()));
}

}  // namespace

platform::Value Common::getNextDataFromData(const platform::Data& data) {
    std::lock_guard lock(gNextDataLock);
    const size_t length = data.size();
    if (length < kChunkSize) {
        return platform::Value::Dictionary{{"data", data},
                                           {"range", platform::format("{0,%li}", static_cast<long>(length))}};
    }
    return platform::Value::Dictionary{
        {"data", *data.subdata(0, kChunkSize)},
        {"range", platform::format("{20,%li}", static_cast<long>(length - kChunkSize))}};
}

std::optional<platform::Data> Common::readData_withRange(const platform::Data& data,
                                                         const std::string& range) {
    std::lock_guard lock(gReadDataLock);
    if (data.size() < kChunkSize) return std::nullopt;
    auto parsed = parseRange(range);
    if (!parsed) {
        platform::logf("Common: unreadable chunk range %s", range.c_str());
        return std::nullopt;
    }
    return data.subdata(parsed->first, parsed->second);
}

bool Common::hasData(const platform::Data& data) {
    return !data.empty();
}

std::string Common::GetUUID() {
    unsigned char bytes[16];
    for (auto& b : bytes) b = static_cast<unsigned char>(uniformRandom(256));
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // variant 1
    return platform::format("%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                            bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                            bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
}

std::string Common::randomStringWithLength(int32_t count) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string out;
    for (int32_t i = 0; i < count; ++i) out.push_back(letters[uniformRandom(62)]);
    return out;
}

std::string Common::getAppVersion() {
    return platform::Bundle::main().shortVersionString();
}

std::string Common::versionText() {
    return platform::replaceAll(localizable("version"), "%@", getAppVersion());
}

int32_t Common::getDefaultMetricSystem() {
    // The locale's measurement system: "U.S." for the United States, Liberia and Myanmar.
    const char* names[] = {"LC_ALL", "LC_MEASUREMENT", "LANG"};
    for (const char* name : names) {
        const char* value = getenv(name);
        if (!value || !*value) continue;
        std::string locale(value);
        for (const char* region : {"_US", "_LR", "_MM"}) {
            if (locale.find(region) != std::string::npos) return 2;
        }
        return 1;
    }
    return 1;
}

std::string Common::uniqueAppIdentifier() {
    auto defaults = platform::UserDefaults::standard();
    auto stored = defaults->objectForKey("uniqueAppIdentifier");
    if (auto text = stored.string()) return *text;
    NSUserDefaultsProtection::setUserDefaultsFileProtectionToNoneIfNeeded();
    std::string identifier = GetUUID();
    defaults->setObject_forKey(identifier, "uniqueAppIdentifier");
    defaults->synchronize();
    return identifier;
}

bool Common::isFirstEverLaunch() {
    std::lock_guard lock(gLaunchMutex);
    if (!gFirstEverLaunch) {
        auto defaults = platform::UserDefaults::standard();
        auto stored = defaults->objectForKey("HasLaunchedOnce");
        // The defaults alone cannot tell: a damaged or unwritable defaults file loses the mark, and a
        // launch that took itself for the first would then replace every paired phone. An archive on
        // disk proves an earlier launch.
        gFirstEverLaunch = !(stored.number() && stored.number()->boolValue()) && !anyArchiveExists();
        NSUserDefaultsProtection::setUserDefaultsFileProtectionToNoneIfNeeded();
        defaults->setObject_forKey(true, "HasLaunchedOnce");
        defaults->synchronize();
    }
    return *gFirstEverLaunch;
}

bool Common::isFirstLaunchOfNewVersion() {
    std::lock_guard lock(gLaunchMutex);
    if (!gFirstLaunchOfNewVersion) {
        auto defaults = platform::UserDefaults::standard();
        auto stored = defaults->objectForKey("previousLaunchVersion");
        std::string current = getAppVersion();
        bool differs = !stored.string() || *stored.string() != current;
        if (differs) {
            NSUserDefaultsProtection::setUserDefaultsFileProtectionToNoneIfNeeded();
            defaults->setObject_forKey(current, "previousLaunchVersion");
            defaults->synchronize();
        }
        gFirstLaunchOfNewVersion = differs;
    }
    return *gFirstLaunchOfNewVersion;
}

void Common::resetLaunchAnswersForTesting() {
    std::lock_guard lock(gLaunchMutex);
    gFirstEverLaunch.reset();
    gFirstLaunchOfNewVersion.reset();
}

}  // namespace kestrune
