#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "reporting/core/Operation.h"

namespace platform {
class Application;
}

namespace reporting {

// A process activity held while queued work is pending, with the termination switches its options
// ask for. Ended once, by end() or on release.
class USKActivity {
public:
    static constexpr uint64_t kSuddenTerminationDisabled = 0x4000;
    static constexpr uint64_t kAutomaticTerminationDisabled = 0x8000;

    static std::shared_ptr<USKActivity> beginActivity_withOptions_expirationHandler(
        const std::string& reason, uint64_t options, std::function<void()> handler);
    static std::shared_ptr<USKActivity> beginActivity_withOptions(const std::string& reason,
                                                                  uint64_t options);
    static void performActivity_options_withBlock(const std::string& reason, uint64_t options,
                                                  const std::function<void()>& block);
    // Answers the platform token (0 when activities are not offered).
    static uint64_t beginActivityIfAvailable_options(const std::string& reason, uint64_t options);

    USKActivity(uint64_t processToken, uint64_t options, std::string reason,
                int64_t backgroundTaskIdentifier);
    ~USKActivity();
    USKActivity(const USKActivity&) = delete;
    USKActivity& operator=(const USKActivity&) = delete;

    int64_t beginBackgroundTaskWithName_expirationHandler(const std::string& name,
                                                          std::function<void()> handler);
    void end();
    void endAndInvalidateInternalActivity();
    void endAndInvalidateBackgroundTask();
    bool supportsBackgroundTasks() const { return false; }
    // The host application's shared application object (none in an extension).
    platform::Application* sharedAppInstance() const;

    uint64_t processInfoToken() const;
    uint64_t options() const { return options_; }
    const std::string& reason() const { return reason_; }
    int64_t backgroundTaskIdentifier() const { return backgroundTaskIdentifier_; }
    void setBackgroundTaskIdentifier(int64_t identifier) { backgroundTaskIdentifier_ = identifier; }

private:
    mutable std::mutex mutex_;
    uint64_t processInfoToken_;
    const uint64_t options_;
    const std::string reason_;
    int64_t backgroundTaskIdentifier_;
};

// An operation that holds an activity from its creation until it runs.
class USKActivityOperation : public Operation {
public:
    static std::shared_ptr<USKActivityOperation> operationByStartingActivityName_options(
        const std::string& name, uint64_t options);
    void startActivityWithName_options(const std::string& name, uint64_t options);
    void main() override;
    std::shared_ptr<USKActivity> activity() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<USKActivity> activity_;
};

}  // namespace reporting
