#include "engine/evidence/ScreenLockedController.h"

#include <cstdio>
#include <mutex>

#include "platform/system/WindowServer.h"

namespace kestrune {

namespace {
// The last values read; kept as the session's facts were kept, read by nothing else.
std::mutex gLastMutex;
platform::Value gUserName, gUserID, gOnConsole, gLoginDone;
}  // namespace

namespace {
const platform::Value& entry(const platform::Value::Dictionary& session, const std::string& key) {
    // Never destroyed, as the texts below: workers ask about the session until the process ends.
    static const auto& kNone = *new platform::Value;
    auto found = session.find(key);
    return found == session.end() ? kNone : found->second;
}
}  // namespace

std::optional<platform::Value::Dictionary> ScreenLockedController::sessionDictionary() {
    auto session = platform::WindowServer::current()->copyCurrentSessionDictionary();
    if (!session) {
        std::printf("Unable to get session dictionary.\n");
        std::fflush(stdout);
        return std::nullopt;
    }
    // Asked on every signal-strength reading: the entries are looked up in place, not copied with
    // the dictionary.
    static const auto& kUserName = *new std::string("kCGSSessionUserNameKey");
    static const auto& kUserID = *new std::string("kCGSSessionUserIDKey");
    static const auto& kOnConsole = *new std::string("kCGSSessionOnConsoleKey");
    static const auto& kLoginDone = *new std::string("kCGSessionLoginDoneKey");
    std::lock_guard lock(gLastMutex);
    gUserName = entry(*session, kUserName);
    gUserID = entry(*session, kUserID);
    gOnConsole = entry(*session, kOnConsole);
    gLoginDone = entry(*session, kLoginDone);
    return session;
}

bool ScreenLockedController::screenIsLocked() {
    auto session = sessionDictionary();
    if (!session) return false;
    static const auto& kLoginDone = *new std::string("kCGSessionLoginDoneKey");
    static const auto& kLocked = *new std::string("CGSSessionScreenIsLocked");
    if (entry(*session, kLoginDone).isNull()) return false;
    const auto* locked = entry(*session, kLocked).number();
    return locked && locked->isBoolean() && locked->boolValue();
}

}  // namespace kestrune
