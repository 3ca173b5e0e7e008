#include "app/support/AESAdditions.h"

#include <openssl/evp.h>

#include <climits>
#include <cstring>
#include <memory>

#include "app/support/Base64.h"
#include "platform/base/Strings.h"

namespace kestrune {

namespace {

struct ContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

std::optional<platform::Data> runCipher(const platform::Data& input, std::string_view key, bool encrypt) {
    // OpenSSL counts in int; anything that large is no password or frame of ours.
    if (input.size() > static_cast<size_t>(INT_MAX) - 32) return std::nullopt;
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context(EVP_CIPHER_CTX_new());
    if (!context) return std::nullopt;
    const std::array<uint8_t, 32> keyBytes = AES256KeyBytes(key);
    const uint8_t iv[16] = {};
    if (EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, keyBytes.data(), iv, encrypt ? 1 : 0) !=
        1) {
        return std::nullopt;
    }
    // Room for the input and one block of padding, as the cipher may add.
    std::vector<uint8_t> out(input.size() + 16);
    int written = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &written, input.bytes(),
                         static_cast<int>(input.size())) != 1) {
        return std::nullopt;
    }
    int finalWritten = 0;
    if (EVP_CipherFinal_ex(context.get(), out.data() + written, &finalWritten) != 1) return std::nullopt;
    out.resize(static_cast<size_t>(written) + static_cast<size_t>(finalWritten));
    return platform::Data(std::move(out));
}

}  // namespace

std::array<uint8_t, 32> AES256KeyBytes(std::string_view key) {
    std::array<uint8_t, 32> bytes{};
    if (key.size() <= bytes.size()) std::memcpy(bytes.data(), key.data(), key.size());
    return bytes;
}

std::optional<platform::Data> AES256EncryptWithKey(const platform::Data& data, std::string_view key) {
    return runCipher(data, key, true);
}

std::optional<platform::Data> AES256DecryptWithKey(const platform::Data& data, std::string_view key) {
    return runCipher(data, key, false);
}

std::optional<std::string> AES256EncryptWithKey(std::string_view text, std::string_view key) {
    // The plaintext is the text's UTF-8 bytes as the Base64 helper takes them (bad bytes replaced).
    auto plain = dataFromBase64String(base64EncodedString(text));
    if (!plain) return std::nullopt;
    auto cipher = AES256EncryptWithKey(*plain, key);
    if (!cipher) return std::nullopt;
    return base64EncodedString(*cipher);
}

std::optional<std::string> AES256DecryptWithKey(std::string_view base64Text, std::string_view key) {
    auto cipher = dataFromBase64String(base64Text);
    if (!cipher) return std::nullopt;
    auto plain = AES256DecryptWithKey(*cipher, key);
    if (!plain) return std::nullopt;
    std::string text = plain->toString();
    if (!platform::isValidUTF8(text)) return std::nullopt;
    return text;
}

}  // namespace kestrune
