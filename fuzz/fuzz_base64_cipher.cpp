// Base64 and decryption of text the phone sends: any input must give a value or none, never a crash,
// and whatever decodes must encode back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/support/AESAdditions.h"
#include "app/support/Base64.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (auto decoded = kestrune::dataFromBase64String(text)) {
        auto again = kestrune::dataFromBase64String(kestrune::base64EncodedString(*decoded));
        if (!again || !(*again == *decoded)) std::abort();
    }
    (void)kestrune::stringWithBase64EncodedString(text);

    // A key as long as the link's, and one too long for the bounded copy (the all-zero key).
    for (std::string_view key : {std::string_view("abcdefghijklmnopqrstuvwxyz"),
                                 std::string_view("0123456789abcdef0123456789abcdef0")}) {
        if (auto plain = kestrune::AES256DecryptWithKey(text, key)) {
            auto cipher = kestrune::AES256EncryptWithKey(*plain, key);
            if (!cipher || kestrune::AES256DecryptWithKey(*cipher, key) != plain) std::abort();
        }
        (void)kestrune::AES256DecryptWithKey(platform::Data(data, size), key);
    }
    return 0;
}
