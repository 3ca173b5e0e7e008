#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace platform {

// Activities a process declares so that the system neither suspends nor ends it while work is pending,
// and the two termination switches they may turn off. This system ends no process on its own, so the
// record is kept for the process to consult (and for tests): counts of open activities and of the
// disabling calls not yet balanced.
class ProcessActivities {
public:
    // Option bits a caller may pass (the rest are passed through unchanged).
    static constexpr uint64_t kSuddenTerminationDisabled = 0x4000;
    static constexpr uint64_t kAutomaticTerminationDisabled = 0x8000;
    static constexpr uint64_t kBackground = 0xFF;

    static ProcessActivities& shared();

    bool offersActivities() const { return true; }
    // Answers a token (never 0) that ends the activity.
    uint64_t beginActivity(uint64_t options, const std::string& reason);
    // Ends an open activity; an unknown token (or one ended before) changes nothing and answers false.
    bool endActivity(uint64_t token);

    void disableSuddenTermination();
    void enableSuddenTermination();
    void disableAutomaticTermination(const std::string& reason);
    void enableAutomaticTermination(const std::string& reason);

    size_t activeActivityCount() const;
    // Activities begun since the start (or the last reset), ended or not.
    uint64_t begunActivityCount() const;
    int suddenTerminationDisableCount() const;
    int automaticTerminationDisableCount() const;
    // Tests: forget every activity and count.
    void reset();

private:
    ProcessActivities() = default;
    mutable std::mutex mutex_;
    std::map<uint64_t, std::string> active_;
    uint64_t nextToken_ = 1;
    uint64_t begun_ = 0;
    int suddenDisabled_ = 0;
    int automaticDisabled_ = 0;
};

}  // namespace platform
