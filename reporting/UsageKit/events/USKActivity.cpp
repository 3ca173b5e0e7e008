#include "reporting/UsageKit/events/USKActivity.h"

#include "platform/base/ProcessActivities.h"
#include "reporting/UsageKit/upload/USKApplication.h"

namespace reporting {

std::shared_ptr<USKActivity> USKActivity::beginActivity_withOptions_expirationHandler(
    const std::string& reason, uint64_t options, std::function<void()> handler) {
    const uint64_t token = beginActivityIfAvailable_options(reason, options);
    auto activity = std::make_shared<USKActivity>(token, options, reason, 0);
    if (options & (kSuddenTerminationDisabled | kAutomaticTerminationDisabled))
        activity->setBackgroundTaskIdentifier(
            activity->beginBackgroundTaskWithName_expirationHandler(reason, std::move(handler)));
    return activity;
}

std::shared_ptr<USKActivity> USKActivity::beginActivity_withOptions(const std::string& reason,
                                                                    uint64_t options) {
    return beginActivity_withOptions_expirationHandler(reason, options, [] {});
}

void USKActivity::performActivity_options_withBlock(const std::string& reason, uint64_t options,
                                                    const std::function<void()>& block) {
    auto activity = beginActivity_withOptions(reason, options);
    if (block) block();
    activity->end();
}

uint64_t USKActivity::beginActivityIfAvailable_options(const std::string& reason, uint64_t options) {
    auto& processes = platform::ProcessActivities::shared();
    if (options & kSuddenTerminationDisabled) processes.disableSuddenTermination();
    if (options & kAutomaticTerminationDisabled) processes.disableAutomaticTermination(reason);
    return processes.offersActivities() ? processes.beginActivity(options, reason) : 0;
}

USKActivity::USKActivity(uint64_t processToken, uint64_t options, std::string reason,
                         int64_t backgroundTaskIdentifier)
    : processInfoToken_(processToken),
      options_(options),
      reason_(std::move(reason)),
      backgroundTaskIdentifier_(backgroundTaskIdentifier) {}

USKActivity::~USKActivity() {
    end();
}

int64_t USKActivity::beginBackgroundTaskWithName_expirationHandler(const std::string&,
                                                                   std::function<void()>) {
    return 0;  // no background tasks on this platform; the handler is never called
}

platform::Application* USKActivity::sharedAppInstance() const {
    return USKApplication::hostApplication()->appSharedInstance();
}

void USKActivity::end() {
    endAndInvalidateBackgroundTask();
    endAndInvalidateInternalActivity();
}

void USKActivity::endAndInvalidateInternalActivity() {
    uint64_t token;
    {
        std::lock_guard lock(mutex_);
        token = processInfoToken_;
        processInfoToken_ = 0;
    }
    if (token == 0) return;
    auto& processes = platform::ProcessActivities::shared();
    if (options_ & kSuddenTerminationDisabled) processes.enableSuddenTermination();
    if (options_ & kAutomaticTerminationDisabled) processes.enableAutomaticTermination(reason_);
    processes.endActivity(token);
}

void USKActivity::endAndInvalidateBackgroundTask() {}

uint64_t USKActivity::processInfoToken() const {
    std::lock_guard lock(mutex_);
    return processInfoToken_;
}

std::shared_ptr<USKActivityOperation> USKActivityOperation::operationByStartingActivityName_options(
    const std::string& name, uint64_t options) {
    auto operation = std::make_shared<USKActivityOperation>();
    operation->startActivityWithName_options(name, options);
    return operation;
}

void USKActivityOperation::startActivityWithName_options(const std::string& name, uint64_t options) {
    auto activity = USKActivity::beginActivity_withOptions(name, options);
    std::lock_guard lock(mutex_);
    activity_ = std::move(activity);
}

void USKActivityOperation::main() {
    if (auto a = activity()) a->end();
}

std::shared_ptr<USKActivity> USKActivityOperation::activity() const {
    std::lock_guard lock(mutex_);
    return activity_;
}

}  // namespace reporting
