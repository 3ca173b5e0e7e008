#pragma once

#include <functional>
#include <mutex>
#include <string>

#include "reporting/core/KitError.h"
#include "reporting/core/Operation.h"

namespace reporting {

// A concurrent operation whose work may end long after main() returns: a subclass starts its work in
// main() and calls finishWithError() exactly once when it has ended (a null error for success).
class RKTAsyncOperation : public Operation {
public:
    using AsyncCompletion = std::function<void(const KitErrorPtr& error)>;

    RKTAsyncOperation();

    // The name of the object's own class; it names the operation's lock.
    virtual std::string className() const { return "RKTAsyncOperation"; }

    bool isConcurrent() const override { return true; }
    bool isAsynchronous() const override { return true; }
    bool isExecuting() const override;
    bool isFinished() const override;
    void start() override;

    // The will-change notice for the key, the block, the did-change notice.
    void changeValueForKey_inBlock(const std::string& key, const std::function<void()>& block);
    // Runs the block holding the operation's lock.
    void lock(const std::function<void()>& block);
    // A cancelled operation is marked done (answers true); otherwise false.
    bool checkForCancellation();
    void unlockedMarkFinished();
    void unlockedMarkStarted();
    void unlockedMarkComplete();
    void markStarted();
    // Executing goes to NO before finished goes to YES.
    void markDone();
    // Calls the asyncCompletion hook (when set) with the error, then marks the operation done.
    void finishWithError(const KitErrorPtr& error);

    AsyncCompletion asyncCompletion() const;
    void setAsyncCompletion(AsyncCompletion completion);
    // The recursive lock that guards the two flags, and its name: the kit maker's prefix, the class
    // name, then "-lock".
    std::recursive_mutex& lock() const { return lock_; }
    std::string lockName() const;

private:
    mutable std::recursive_mutex lock_;
    bool internalExecuting_ = false;   // guarded by lock_
    bool internalFinished_ = false;    // guarded by lock_
    AsyncCompletion asyncCompletion_;  // guarded by lock_
};

}  // namespace reporting
