#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace platform {
class DispatchQueue;
}

namespace kestrune {

// The laptop's lid: read on demand from the root power domain, and watched for changes on a serial
// queue of its own; each change is posted ("LaptopLidStateHasChanged", the source as sender) on the
// main thread. States: 1 closed, 0 open, -1 unknown (no lid), which counts as open.
class LaptopLidEvidenceSource : public std::enable_shared_from_this<LaptopLidEvidenceSource> {
public:
    static constexpr const char* kLaptopLidStateHasChanged = "LaptopLidStateHasChanged";
    static constexpr const char* kQueueLabel = "com.kestrune.Kestrune.Scan.LaptopLidEvidenceSource";

    // The shared source posts its state once, when it is made.
    static LaptopLidEvidenceSource& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<LaptopLidEvidenceSource> make();
    LaptopLidEvidenceSource();
    ~LaptopLidEvidenceSource();

    // Reads the platform now.
    static int32_t laptopLidState();
    static bool laptopLidIsClosed();
    // The lid test of the command line.
    static bool ifLidIsClosed();

    // Answers whether the watch is armed.
    bool startTrackingLaptopLidChanges();
    void stopTrackingLaptopLidChanges();
    // The last state this source stored (its field).
    int32_t lastKnownLaptopLidState() const { return laptopLidState_; }
    void setLaptopLidState(int32_t state);
    void didUpdateLidStateInternalNotification();
    void postInitialState();

private:
    std::atomic<int32_t> laptopLidState_{-1};
    // Armed and disarmed on the main thread.
    std::shared_ptr<platform::DispatchQueue> serialQueue_;
    uint64_t notification_ = 0;
};

}  // namespace kestrune
