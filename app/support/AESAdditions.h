#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Data.h"

namespace kestrune {

// AES-256 in CBC mode with an all-zero IV and PKCS#7 padding, keyed by a text. The phone derives the
// same key bytes from the same text, so the derivation below is part of the stored password format
// and of the link format: the key text's UTF-8 bytes followed by zero bytes up to 32. A key text of 33
// bytes or more does not fit the bounded copy the phone's side makes (32 bytes plus a terminator),
// which then copies nothing: its key is 32 zero bytes.
std::array<uint8_t, 32> AES256KeyBytes(std::string_view key);

// Encrypts or decrypts the bytes in one pass; none when the cipher refuses (for decryption: a length
// that is not a whole number of blocks, or bad padding). n plaintext bytes give 16 * (n / 16 + 1).
std::optional<platform::Data> AES256EncryptWithKey(const platform::Data& data, std::string_view key);
std::optional<platform::Data> AES256DecryptWithKey(const platform::Data& data, std::string_view key);

// Text forms: the text's UTF-8 bytes encrypted and written as Base64; and back from Base64 to text.
// Decryption gives none for bad Base64, a cipher refusal or plaintext that is not valid UTF-8.
std::optional<std::string> AES256EncryptWithKey(std::string_view text, std::string_view key);
std::optional<std::string> AES256DecryptWithKey(std::string_view base64Text, std::string_view key);

}  // namespace kestrune
