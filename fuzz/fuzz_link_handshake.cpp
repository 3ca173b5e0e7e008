// Whole texts reaching a connection's handshake layer: any sequence of them must leave it in one of its
// three states without a crash, and only a phone that answered this connection's challenge may
// authenticate it.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "link/handshake/AuthConnectionManager.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"

using namespace kestrune;

namespace {

class Delegate : public AuthConnectionDelegate {
public:
    void didReceiveMessage(const std::string&) override {}
    void executeSend_onPrimaryChannel(const std::string&, bool) override {}
    void didReceiveDiconnectReqeust() override {}
    void didReceiveAuthRequest() override {}
    void didAuthenticate() override { authenticated = true; }
    void authenticationFailed() override {}
    void protocolVersionNotMatching(bool) override {}
    void canNotReceiveResponse() override {}
    bool allServicesDiscoveredAndUserAuthenticated() override { return true; }
    bool authenticated = false;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The opening reads this installation's identifier from the user defaults: keep them out of HOME.
    char folder[] = "/tmp/fuzz-link-handshake-XXXXXX";
    if (mkdtemp(folder)) {
        setenv("HOME", folder, 1);
        setenv("XDG_CONFIG_HOME", folder, 1);
    }
    platform::Log::setSink([](const std::string&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto delegate = std::make_shared<Delegate>();
    auto manager = AuthConnectionManager::create(delegate);
    const std::string input(reinterpret_cast<const char*>(data), size);
    // Texts are separated by new lines; "@open" makes the Mac send its challenge, and "@token" inside a
    // text stands for the challenge in force, so that the fuzzer can play a phone that answers it.
    bool answered = false;
    for (std::string text : platform::split(input, "\n")) {
        if (text == "@open") {
            manager->sendConnectionRequest();
            answered = false;
            continue;
        }
        const std::string token = manager->authToken();
        if (text.find("@token") != std::string::npos) {
            text = platform::replaceAll(text, "@token", token);
            answered = answered || !token.empty();
        }
        const bool wasAuthenticated = delegate->authenticated;
        manager->parseReveivedString(text);
        // A fresh authentication needs the challenge of this connection to have been sent back.
        if (!wasAuthenticated && delegate->authenticated && !answered) std::abort();
        const int32_t status = manager->authStatus();
        if (status < 0 || status > 2) std::abort();
    }
    manager->cleanup();
    return 0;
}
