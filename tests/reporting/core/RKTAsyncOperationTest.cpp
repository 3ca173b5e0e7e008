#include "reporting/core/RKTAsyncOperation.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/core/RKTCompoundOperation.h"
#include "tests/support/TestEnvironment.h"

using reporting::KitError;
using reporting::KitErrorPtr;
using reporting::OperationQueue;
using reporting::RKTAsyncOperation;
using reporting::RKTCompoundOperation;

namespace {

// Starts in main() and ends only when the test says so, from another thread, as network work would.
class ManualOperation : public RKTAsyncOperation {
public:
    std::string className() const override { return "ManualOperation"; }
    void main() override { mainRuns++; }
    void finishLater(KitErrorPtr error) {
        platform::DispatchQueue::global().async(
            [self = std::static_pointer_cast<ManualOperation>(shared_from_this()), error] {
                self->finishWithError(error);
            });
    }
    std::atomic<int> mainRuns{0};
};

// Ends by itself with the given error as soon as it runs.
class AutoOperation : public RKTAsyncOperation {
public:
    explicit AutoOperation(KitErrorPtr error = nullptr) : error_(std::move(error)) {}
    void main() override {
        platform::DispatchQueue::global().async(
            [self = std::static_pointer_cast<AutoOperation>(shared_from_this())] {
                self->finishWithError(self->error_);
            });
    }

private:
    KitErrorPtr error_;
};

KitErrorPtr failure(int64_t code) {
    return KitError::errorWithDomain_code_userInfo("test", code);
}

class RKTAsyncOperationTest : public testsupport::KestruneTest {};

TEST_F(RKTAsyncOperationTest, TheQueueMovesOnOnlyWhenTheWorkHasEndedNotWhenMainReturns) {
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    auto first = std::make_shared<ManualOperation>();
    auto second = std::make_shared<ManualOperation>();
    std::vector<KitErrorPtr> heard;
    std::mutex mutex;
    first->setAsyncCompletion([&](const KitErrorPtr& e) {
        std::lock_guard lock(mutex);
        heard.push_back(e);
    });
    queue->addOperation(first);
    queue->addOperation(second);
    runUntilIdle();
    EXPECT_EQ(first->mainRuns.load(), 1);
    EXPECT_TRUE(first->isExecuting());
    EXPECT_FALSE(first->isFinished());
    EXPECT_EQ(second->mainRuns.load(), 0);

    first->finishLater(failure(3));
    runUntilIdle();
    EXPECT_FALSE(first->isExecuting());
    EXPECT_TRUE(first->isFinished());
    EXPECT_EQ(second->mainRuns.load(), 1);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0]->code(), 3);
    second->finishLater(nullptr);
    queue->waitUntilAllOperationsAreFinished();
    runUntilIdle();
}

TEST_F(RKTAsyncOperationTest, CancelledBeforeItsQueueStartsItNeitherRunsNorCallsItsHook) {
    auto queue = OperationQueue::create();
    queue->setMaxConcurrentOperationCount(1);
    auto blocker = std::make_shared<ManualOperation>();
    auto operation = std::make_shared<ManualOperation>();
    std::atomic<int> hooks{0};
    operation->setAsyncCompletion([&](const KitErrorPtr&) { ++hooks; });
    queue->addOperation(blocker);
    queue->addOperation(operation);
    runUntilIdle();
    operation->cancel();
    blocker->finishLater(nullptr);
    queue->waitUntilAllOperationsAreFinished();
    runUntilIdle();
    EXPECT_EQ(operation->mainRuns.load(), 0);
    EXPECT_EQ(hooks.load(), 0);
    EXPECT_FALSE(operation->isExecuting());
    EXPECT_TRUE(operation->isFinished());
}

TEST_F(RKTAsyncOperationTest, FinishingWithoutAHookOnlyMarksItDoneAndTheLockBearsTheClassName) {
    auto operation = std::make_shared<ManualOperation>();
    EXPECT_EQ(operation->lockName(), "io.reportkit.ManualOperation-lock");
    EXPECT_TRUE(operation->isAsynchronous());
    operation->start();
    EXPECT_TRUE(operation->isExecuting());
    operation->finishWithError(nullptr);
    EXPECT_FALSE(operation->isExecuting());
    EXPECT_TRUE(operation->isFinished());
    operation->start();  // a finished operation does not run again
    EXPECT_EQ(operation->mainRuns.load(), 1);
    runUntilIdle();
}

class RKTCompoundOperationTest : public testsupport::KestruneTest {
protected:
    // Runs the compound on a queue and collects what its owner hears.
    void run(const std::shared_ptr<RKTCompoundOperation>& compound) {
        compound->setAsyncCompletion([this](const KitErrorPtr& error) {
            std::lock_guard lock(mutex);
            heard.push_back(error);
        });
        queue->addOperation(compound);
    }

    std::shared_ptr<OperationQueue> queue = OperationQueue::create("owner");
    std::mutex mutex;
    std::vector<KitErrorPtr> heard;
};

TEST_F(RKTCompoundOperationTest, OneFailingChildOfThreeGivesOneErrorAfterAllHaveRun) {
    auto compound = std::make_shared<RKTCompoundOperation>();
    auto failing = std::make_shared<AutoOperation>(failure(42));
    compound->setOperations({std::make_shared<AutoOperation>(), failing, std::make_shared<AutoOperation>()});
    run(compound);
    compound->waitUntilFinished();
    runUntilIdle();
    ASSERT_EQ(heard.size(), 1u);
    ASSERT_TRUE(heard[0]);
    EXPECT_EQ(heard[0]->domain(), "io.reportkit.RKTCompoundOperation.error");
    EXPECT_EQ(heard[0]->code(), 4294967293LL);
    const platform::Value& underlying = heard[0]->userInfo().at(RKTCompoundOperation::underlyingErrorsKey());
    ASSERT_TRUE(underlying.array());
    ASSERT_EQ(underlying.array()->size(), 1u);
    EXPECT_EQ((*underlying.array())[0].objectAs<KitError>()->code(), 42);
    EXPECT_EQ(compound->completedOperations(), 2u);
}

TEST_F(RKTCompoundOperationTest, ManyChildrenWithoutFailureFinishOnceWithNoError) {
    // Children's completion blocks race with their counts; the owner must still hear exactly once.
    for (int round = 0; round < 20; ++round) {
        auto compound = std::make_shared<RKTCompoundOperation>();
        std::vector<std::shared_ptr<RKTAsyncOperation>> children;
        for (int i = 0; i < 6; ++i) children.push_back(std::make_shared<AutoOperation>());
        compound->setOperations(children);
        run(compound);
        compound->waitUntilFinished();
    }
    runUntilIdle();
    ASSERT_EQ(heard.size(), 20u);
    for (const auto& error : heard) EXPECT_FALSE(error);
}

TEST_F(RKTCompoundOperationTest, AChildsOwnHooksStillRunOnTheCountingQueueBeforeItIsCounted) {
    auto compound = std::make_shared<RKTCompoundOperation>();
    auto child = std::make_shared<AutoOperation>(failure(5));
    std::atomic<bool> hookOnCountingQueue{false};
    std::atomic<bool> blockOnCountingQueue{false};
    std::atomic<int> errorsSeenByHook{-1};
    child->setAsyncCompletion([&](const KitErrorPtr& error) {
        hookOnCountingQueue = compound->countingQueue()->isCurrent() && error && error->code() == 5;
        errorsSeenByHook = 0;  // the count is taken after this hook returns
    });
    child->setCompletionBlock([&] { blockOnCountingQueue = compound->countingQueue()->isCurrent(); });
    compound->setOperations({child});
    run(compound);
    compound->waitUntilFinished();
    runUntilIdle();
    EXPECT_TRUE(hookOnCountingQueue.load());
    EXPECT_TRUE(blockOnCountingQueue.load());
    EXPECT_EQ(errorsSeenByHook.load(), 0);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0]->code(), 4294967293LL);
}

TEST_F(RKTCompoundOperationTest, CancellingWhileChildrenRunReportsTheCancelledErrorOnce) {
    auto compound = std::make_shared<RKTCompoundOperation>();
    compound->setName("upload");
    auto slow = std::make_shared<ManualOperation>();
    auto other = std::make_shared<ManualOperation>();
    compound->setOperations({slow, other});
    run(compound);
    runUntilIdle();
    ASSERT_EQ(slow->mainRuns.load(), 1);
    compound->cancel();
    EXPECT_TRUE(slow->isCancelled());
    slow->finishLater(nullptr);  // a running child ends in its own time
    other->finishLater(failure(1));
    compound->waitUntilFinished();
    runUntilIdle();
    ASSERT_EQ(heard.size(), 1u);
    ASSERT_TRUE(heard[0]);
    EXPECT_EQ(heard[0]->code(), 4294967294LL);
    EXPECT_EQ(heard[0]->localizedDescription(), "upload cancelled");
}

TEST_F(RKTCompoundOperationTest, CancelledBeforeItRunsItsChildrenPassThroughAndTheOwnerHearsNothing) {
    auto compound = std::make_shared<RKTCompoundOperation>();
    auto a = std::make_shared<ManualOperation>();
    auto b = std::make_shared<ManualOperation>();
    compound->setOperations({a, b});
    compound->cancel();
    a->waitUntilFinished();
    b->waitUntilFinished();
    EXPECT_EQ(a->mainRuns.load() + b->mainRuns.load(), 0);
    run(compound);
    compound->waitUntilFinished();
    runUntilIdle();
    EXPECT_TRUE(heard.empty());
    EXPECT_TRUE(compound->isFinished());
}

TEST_F(RKTCompoundOperationTest, AnEmptyCompoundFinishesAtOnceAndALateCancelQueuesNothing) {
    auto compound = std::make_shared<RKTCompoundOperation>();
    run(compound);
    compound->waitUntilFinished();
    compound->cancel();
    runUntilIdle();
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_FALSE(heard[0]);
    EXPECT_EQ(compound->compoundQueue()->operationCount(), 0u);
}

}  // namespace
