#include "engine/ScreenLockedController.h"

#include <cstdio>
#include <mutex>

#include "platform/system/WindowServer.h"

namespace kestrune {

namespace {
// The last values read; kept as the session's facts were kept, read by nothing else.
std::mutex gLastMutex;
platform::Value gUserName, gUserID, gOnConsole, gLoginDone;
}  // namespace

std::optional<platform::Value::Dictionary> ScreenLockedController::sessionDictionary() {
    auto session = platform::WindowServer::current()->copyCurrentSessionDictionary();
    if (!session) {
        std::printf("Unable to get session dictionary.\n");
        std::fflush(stdout);
        return std::nullopt;
    }
    platform::Value value(*session);
    std::lock_guard lock(gLastMutex);
    gUserName = value["kCGSSessionUserNameKey"];
    gUserID = value["kCGSSessionUserIDKey"];
    gOnConsole = value["kCGSSessionOnConsoleKey"];
    gLoginDone = value["kCGSessionLoginDoneKey"];
    return session;
}

bool ScreenLockedController::screenIsLocked() {
    auto session = sessionDictionary();
    if (!session) return false;
    platform::Value value(*session);
    if (value["kCGSessionLoginDoneKey"].isNull()) return false;
    const auto* locked = value["CGSSessionScreenIsLocked"].number();
    return locked && locked->isBoolean() && locked->boolValue();
}

}  // namespace kestrune
