#include "platform/sim/PhoneLinkCipher.h"

#include <openssl/evp.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/base/Strings.h"

namespace platform {

namespace {

struct ContextDeleter {
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

std::optional<std::vector<unsigned char>> run(const unsigned char* input, size_t length, std::string_view key,
                                              bool encrypt) {
    if (length > static_cast<size_t>(INT_MAX) - 32) return std::nullopt;
    std::array<unsigned char, 32> keyBytes{};
    if (key.size() <= keyBytes.size()) std::memcpy(keyBytes.data(), key.data(), key.size());
    const unsigned char iv[16] = {};
    std::unique_ptr<EVP_CIPHER_CTX, ContextDeleter> context(EVP_CIPHER_CTX_new());
    if (!context || EVP_CipherInit_ex(context.get(), EVP_aes_256_cbc(), nullptr, keyBytes.data(), iv,
                                      encrypt ? 1 : 0) != 1)
        return std::nullopt;
    std::vector<unsigned char> out(length + 16);
    int written = 0;
    int finalWritten = 0;
    if (EVP_CipherUpdate(context.get(), out.data(), &written, input, static_cast<int>(length)) != 1 ||
        EVP_CipherFinal_ex(context.get(), out.data() + written, &finalWritten) != 1)
        return std::nullopt;
    out.resize(static_cast<size_t>(written + finalWritten));
    return out;
}

}  // namespace

std::optional<std::string> PhoneLinkCipher::encryptText(std::string_view text, std::string_view key) {
    auto cipher = run(reinterpret_cast<const unsigned char*>(text.data()), text.size(), key, true);
    if (!cipher) return std::nullopt;
    std::string base64(4 * ((cipher->size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()), cipher->data(),
                                 static_cast<int>(cipher->size()));
    base64.resize(static_cast<size_t>(length));
    return base64;
}

std::optional<std::string> PhoneLinkCipher::decryptText(std::string_view base64, std::string_view key) {
    if (base64.empty() || base64.size() % 4 != 0 || base64.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    std::vector<unsigned char> bytes(base64.size() / 4 * 3);
    int length = EVP_DecodeBlock(bytes.data(), reinterpret_cast<const unsigned char*>(base64.data()),
                                 static_cast<int>(base64.size()));
    if (length < 0) return std::nullopt;
    // The block decoder counts the padding as bytes; take them off again.
    size_t padding = base64.back() == '=' ? (base64[base64.size() - 2] == '=' ? 2 : 1) : 0;
    bytes.resize(static_cast<size_t>(length) - padding);
    auto plain = run(bytes.data(), bytes.size(), key, false);
    if (!plain) return std::nullopt;
    std::string text(plain->begin(), plain->end());
    if (!isValidUTF8(text)) return std::nullopt;
    return text;
}

}  // namespace platform
