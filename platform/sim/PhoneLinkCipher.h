#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The phone application's encryption of the frames it sends: AES-256 in CBC mode with an all-zero IV
// and PKCS#7 padding over the text's UTF-8 bytes, keyed by the link key text (its bytes followed by
// zeros up to 32; a key of 33 bytes or more gives 32 zero bytes), written as one line of Base64.
class PhoneLinkCipher {
public:
    static std::optional<std::string> encryptText(std::string_view text, std::string_view key);
    // The reverse, for tests that look into a frame; none for bad Base64, a refused cipher text or
    // bytes that are not UTF-8.
    static std::optional<std::string> decryptText(std::string_view base64, std::string_view key);
};

}  // namespace platform
