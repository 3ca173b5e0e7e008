// A second process on the inter-process channel: it answers the first ping it hears through the
// channel's responder, then ends (after 20 s at the latest).
#include <cstdio>

#include "link/requests/InterProcessComm.h"
#include "platform/base/RunLoop.h"

int main() {
    kestrune::CommTest responder;
    kestrune::InterProcessComm watcher;
    bool answered = false;
    watcher.registerForPingReqeust([&] { answered = true; });
    printf("ready\n");
    fflush(stdout);
    platform::RunLoop::main().runUntil([&] { return answered; }, 20);
    return answered ? 0 : 1;
}
