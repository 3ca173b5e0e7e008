#include "reporting/core/RKTByteUtility.h"

#include <sys/random.h>

#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/base/Strings.h"

namespace reporting {

namespace {

constexpr char kDigits[] = "0123456789abcdef";

std::string hexOf(const unsigned char* bytes, size_t count) {
    std::vector<char> buffer(2 * count + 1);
    RKTHexEncodeBytes(bytes, count, buffer.data());
    return std::string(buffer.data());
}

std::string sha1Hex(const void* bytes, size_t length) {
    unsigned char digest[SHA_DIGEST_LENGTH];
    SHA1(static_cast<const unsigned char*>(bytes ? bytes : ""), bytes ? length : 0, digest);
    return hexOf(digest, sizeof digest);
}

std::string sha256Hex(const void* bytes, size_t length) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(static_cast<const unsigned char*>(bytes ? bytes : ""), bytes ? length : 0, digest);
    return hexOf(digest, sizeof digest);
}

}  // namespace

std::string RKTGenerateUUID() {
    uint8_t bytes[16];
    // The kernel's generator: as good as the TLS library's, without starting that library (its set-up
    // costs more than the rest of the kit's start together).
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes) &&
        RAND_bytes(bytes, sizeof bytes) != 1) {
        std::random_device device;
        for (auto& byte : bytes) byte = static_cast<uint8_t>(device());
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4: random
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // the standard variant
    const std::string hex = platform::toUpperASCII(RKTHexStringFromUUIDBytes(bytes));
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) +
           "-" + hex.substr(20, 12);
}

void RKTHexEncodeBytes(const void* bytes, size_t count, char* out) {
    if (!out) return;
    std::memset(out, 0, 2 * count + 1);
    if (!bytes || count == 0) return;
    const auto* in = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < count; ++i) {
        out[2 * i] = kDigits[in[i] >> 4];
        out[2 * i + 1] = kDigits[in[i] & 0x0F];
    }
}

std::string RKTHexStringFromData(const platform::Data& data) {
    return hexOf(data.bytes(), data.size());
}

std::string RKTSHA1HexString(const void* bytes, uint32_t length) {
    return sha1Hex(bytes, length);
}

// Data longer than 4 GiB would lose its length in a 32-bit count: digest the whole of it instead.
std::string RKTSHA1HexStringFromData(const platform::Data& data) {
    return sha1Hex(data.bytes(), data.size());
}

std::string RKTSHA256HexString(const void* bytes, uint32_t length) {
    return sha256Hex(bytes, length);
}

std::string RKTSHA256HexStringFromData(const platform::Data& data) {
    return sha256Hex(data.bytes(), data.size());
}

std::string RKTHexStringFromUUIDBytes(const uint8_t bytes[16]) {
    return hexOf(bytes, 16);
}

void RKTEnumerateByteRangesOfData(
    const platform::Data& data,
    const std::function<void(const uint8_t* bytes, size_t location, size_t length, bool& stop)>& block) {
    if (!block) return;
    bool stop = false;
    block(data.bytes(), 0, data.size(), stop);
}

}  // namespace reporting
