#include "link/transport/CBUUIDManager.h"

#include <stdlib.h>

#include "link/transport/UUIDStrings.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

// Identifiers the Mac makes are short: nothing asks for more than a few characters.
constexpr int64_t kMaxRandomLength = 4096;

}  // namespace

std::optional<std::string> CBUUIDManager::generateStringForType(int64_t type) {
    const char* letter = nullptr;
    switch (type) {
        case 0:
            letter = "C";
            break;
        case 1:
            letter = "B";
            break;
        case 2:
            letter = "A";
            break;
        default:
            return std::nullopt;
    }
    return letter + genRandStringLength(3);
}

std::optional<platform::Data> CBUUIDManager::generateCBUUIDForType(int64_t type) {
    auto text = generateStringForType(type);
    if (!text) return std::nullopt;
    return generateCBUUIDFromString(*text);
}

int64_t CBUUIDManager::getTypeOfCBUUID(const platform::Data& identifier) {
    const std::string text = representativeString(identifier);
    if (text.empty()) return 1;
    switch (text.front()) {
        case 'a':
        case 'A':
            return 2;
        case 'c':
        case 'C':
            return 0;
        default:
            return 1;
    }
}

std::optional<platform::Data> CBUUIDManager::generateCBUUIDFromString(std::string_view text) {
    auto bytes = identifierBytesFromString(text);
    if (!bytes) {
        platform::logf("Ignoring a service identifier that is not an identifier text (%zu characters)",
                       text.size());
    }
    return bytes;
}

std::string CBUUIDManager::generateStringFromCBUUID(const platform::Data& identifier) {
    return representativeString(identifier);
}

std::string CBUUIDManager::genRandStringLength(int64_t length) {
    static constexpr char kCharacters[] = "ABCDEF0123456789";
    std::string out;
    if (length <= 0) return out;
    if (length > kMaxRandomLength) length = kMaxRandomLength;
    out.reserve(static_cast<size_t>(length));
    // 2^32 is a multiple of 16, so the remainder is uniform.
    for (int64_t i = 0; i < length; ++i) out.push_back(kCharacters[arc4random() % 16]);
    return out;
}

}  // namespace kestrune
