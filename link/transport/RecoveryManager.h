#pragma once

#include <atomic>

namespace kestrune {

// The process-wide switch of recovery mode, in which the Mac also looks for phones asking to pair and
// admits any phone. The set-up wizard and the help pages switch it; the link only reads it.
class RecoveryManager {
public:
    static constexpr const char* kRecoveryUpdateNotification = "recoveryUpdate";

    static RecoveryManager& shared();

    // Each posts "recoveryUpdate" (on the calling thread) when the switch actually changes.
    void startRecoveryMode();
    void stopRecoveryMode();
    // Read from any thread.
    bool isInRecoveryMode() const { return isRecovery_.load(); }

    // Tests: off again, as in a new process.
    static void resetSharedForTesting();

private:
    RecoveryManager() = default;
    void setRecovery(bool on);

    std::atomic<bool> isRecovery_{false};
};

}  // namespace kestrune
