#include "platform/base/ThreadSignalStack.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestEnvironment.h"

using platform::ThreadSignalStack;

namespace {

struct Region {
    uintptr_t start = 0;
    uintptr_t end = 0;
    std::string perms;
};

std::vector<Region> mappings() {
    std::vector<Region> regions;
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        std::istringstream in(line);
        Region region;
        char dash = 0;
        in >> std::hex >> region.start >> dash >> region.end >> region.perms;
        regions.push_back(region);
    }
    return regions;
}

std::optional<Region> regionContaining(uintptr_t address) {
    for (const auto& region : mappings())
        if (region.start <= address && address < region.end) return region;
    return std::nullopt;
}

// A word the work leaves at the top of its alternate stack, to be looked for once the thread is gone.
constexpr uint64_t kMarker = 0x5157a6c0ffee1234;

void markTop(const stack_t& stack) {
    *reinterpret_cast<volatile uint64_t*>(static_cast<char*>(stack.ss_sp) + stack.ss_size - sizeof kMarker) =
        kMarker;
}

// Whether the marker is still at the top of the stack. The range may be unmapped by then (the read fails,
// as the kernel reads it for us) or mapped again by whatever the process made since, another thread's
// stack of the same size among them (fresh pages hold zeros): either way the stack the work ran on is
// gone. Only a stack never given back still holds the marker. The read is the kernel's, so that no
// sanitizer's interceptor looks at the range.
bool stillHoldsMarker(const stack_t& stack) {
    uint64_t word = 0;
    struct iovec local = {&word, sizeof word};
    struct iovec remote = {static_cast<char*>(stack.ss_sp) + stack.ss_size - sizeof word, sizeof word};
    const long read = syscall(SYS_process_vm_readv, getpid(), &local, 1, &remote, 1, 0);
    return read == long(sizeof word) && word == kMarker;
}

size_t pageSize() {
    return size_t(sysconf(_SC_PAGESIZE));
}

stack_t currentAlternateStack() {
    stack_t current = {};
    sigaltstack(nullptr, &current);
    return current;
}

uintptr_t startOf(const stack_t& stack) {
    return reinterpret_cast<uintptr_t>(stack.ss_sp);
}

void disableAlternateStack() {
    stack_t off = {};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
}

// The stack a sanitizer gives every thread of its own, set aside while the one under test is made and put
// back after, so that the sanitizer gives its own back at the thread's exit.
struct InheritedStackSetAside {
    stack_t inherited = currentAlternateStack();
    InheritedStackSetAside() { disableAlternateStack(); }
    ~InheritedStackSetAside() {
        if (!(inherited.ss_flags & SS_DISABLE)) sigaltstack(&inherited, nullptr);
    }
};

// Runs `work` on a thread of its own as startThread runs a body, on a thread that had no alternate stack
// before: the stack it runs with is always one this class set up.
template <typename Work>
void onThreadWithoutAStack(Work work) {
    std::thread([&work] {
        const InheritedStackSetAside setAside;
        const ThreadSignalStack stack;
        work(stack);
    }).join();
}

// The alternate stack the work saw, on such a thread.
stack_t stackOfANewThread() {
    stack_t seen = {};
    onThreadWithoutAStack([&seen](const ThreadSignalStack&) {
        seen = currentAlternateStack();
        if (!(seen.ss_flags & SS_DISABLE)) markTop(seen);
    });
    return seen;
}

volatile sig_atomic_t gSignalTaken = 0;

// Whether a signal raised on the calling thread with a handler that asks for the alternate stack is
// handled. Asked in a copy of the process made of this thread alone (a fork), which has the thread's
// alternate stack and mappings: a signal delivered onto a stack that is no longer mapped kills it.
// SIGTRAP, as ThreadSanitizer hands it to the handler at once; in a child forked from many threads it
// holds a signal such as SIGUSR1 back for a later call, past the child's exit.
bool aSignalOnTheAlternateStackIsHandled() {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        struct sigaction action = {};
        action.sa_handler = [](int) { gSignalTaken = 1; };
        action.sa_flags = SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigset_t trap;
        sigemptyset(&trap);
        sigaddset(&trap, SIGTRAP);
        if (sigaction(SIGTRAP, &action, nullptr) != 0 || pthread_sigmask(SIG_UNBLOCK, &trap, nullptr) != 0)
            _exit(2);
        raise(SIGTRAP);
        _exit(gSignalTaken ? 0 : 1);
    }
    int status = 0;
    pid_t waited = 0;
    while ((waited = waitpid(child, &status, 0)) < 0 && errno == EINTR) {
    }
    return waited == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

long virtualSizeKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) return std::stol(line.substr(7));
    return -1;
}

}  // namespace

class ThreadSignalStackTest : public testsupport::KestruneTest {};

// The body of a thread the program starts runs with an alternate stack: its own one, or one a sanitizer
// gave every thread.
TEST_F(ThreadSignalStackTest, AStartedThreadsBodyRunsWithAnAlternateStack) {
    stack_t seen = {};
    seen.ss_flags = SS_DISABLE;
    platform::startThread([&seen] { seen = currentAlternateStack(); }).join();
    EXPECT_FALSE(seen.ss_flags & SS_DISABLE);
    EXPECT_NE(seen.ss_sp, nullptr);
}

TEST_F(ThreadSignalStackTest, TheStacksLowestPageIsAnInaccessibleGuard) {
    stack_t seen = {};
    std::optional<Region> below, stack;
    bool active = false;
    onThreadWithoutAStack([&](const ThreadSignalStack& made) {
        active = made.active();
        seen = currentAlternateStack();
        below = regionContaining(startOf(seen) - 1);
        stack = regionContaining(startOf(seen));
    });
    EXPECT_TRUE(active);
    ASSERT_FALSE(seen.ss_flags & SS_DISABLE);
    EXPECT_EQ(seen.ss_size, ThreadSignalStack::kSize);
    ASSERT_TRUE(stack);
    EXPECT_EQ(stack->perms.substr(0, 2), "rw");
    EXPECT_GE(stack->end, startOf(seen) + ThreadSignalStack::kSize);
    // A handler running past the stack's end faults on the guard instead of writing over what lies below.
    ASSERT_TRUE(below) << "nothing mapped below the stack";
    EXPECT_EQ(below->perms.substr(0, 3), "---");
    EXPECT_EQ(below->end, startOf(seen));
    EXPECT_LE(below->start, startOf(seen) - pageSize());
}

// Once given back, the range is free for the next mapping the process makes: what is there afterwards is
// not looked at, only whether the stack the work ran on is still there.
TEST_F(ThreadSignalStackTest, TheStackIsGivenBackOnceTheThreadsWorkReturns) {
    const stack_t seen = stackOfANewThread();
    ASSERT_FALSE(seen.ss_flags & SS_DISABLE);
    EXPECT_FALSE(stillHoldsMarker(seen));
}

// pthread_exit unwinds the thread's frames, the start function's with them: the stack goes as well.
TEST_F(ThreadSignalStackTest, AThreadLeavingByPthreadExitGivesItsStackBack) {
    stack_t seen = {};
    onThreadWithoutAStack([&seen](const ThreadSignalStack&) {
        seen = currentAlternateStack();
        if (!(seen.ss_flags & SS_DISABLE)) markTop(seen);
        pthread_exit(nullptr);
    });
    ASSERT_FALSE(seen.ss_flags & SS_DISABLE);
    EXPECT_FALSE(stillHoldsMarker(seen));
}

// A thread that set up its own stack keeps it, untouched; one that puts its own in place while ours is up
// keeps its own, and ours is given back.
TEST_F(ThreadSignalStackTest, AStackTheThreadSetUpItselfIsLeftInPlace) {
    std::vector<char> ownBytes(ThreadSignalStack::kSize);
    stack_t own = {};
    own.ss_sp = ownBytes.data();
    own.ss_size = ownBytes.size();
    stack_t keptWithin = {}, keptAfter = {}, replacedAfter = {}, ours = {};
    bool activeWithOwn = false;
    std::thread([&] {
        const InheritedStackSetAside setAside;
        if (sigaltstack(&own, nullptr) != 0) return;
        {
            const ThreadSignalStack stack;
            activeWithOwn = stack.active();
            keptWithin = currentAlternateStack();
        }
        keptAfter = currentAlternateStack();
        disableAlternateStack();
        {
            const ThreadSignalStack stack;
            ours = currentAlternateStack();
            if (!(ours.ss_flags & SS_DISABLE)) markTop(ours);
            sigaltstack(&own, nullptr);
        }
        replacedAfter = currentAlternateStack();
        disableAlternateStack();
    }).join();
    EXPECT_TRUE(activeWithOwn);
    for (const stack_t& kept : {keptWithin, keptAfter, replacedAfter}) {
        EXPECT_EQ(kept.ss_sp, own.ss_sp);
        EXPECT_FALSE(kept.ss_flags & SS_DISABLE);
    }
    ASSERT_NE(ours.ss_sp, own.ss_sp);
    ASSERT_FALSE(ours.ss_flags & SS_DISABLE);
    EXPECT_FALSE(stillHoldsMarker(ours));
}

// The stack is switched off before it is unmapped: the thread goes on with no alternate stack, and a
// signal it takes afterwards runs on its own stack instead of being delivered onto memory that is gone.
TEST_F(ThreadSignalStackTest, OnceItEndsTheThreadHasNoAlternateStackAndStillTakesSignals) {
    stack_t during = {}, after = {};
    bool handledAfter = false;
    std::thread([&] {
        const InheritedStackSetAside setAside;
        {
            const ThreadSignalStack stack;
            during = currentAlternateStack();
        }
        after = currentAlternateStack();
        handledAfter = aSignalOnTheAlternateStackIsHandled();
    }).join();
    ASSERT_FALSE(during.ss_flags & SS_DISABLE);
    EXPECT_TRUE(after.ss_flags & SS_DISABLE);
    EXPECT_TRUE(handledAfter);
}

// 4,000 stacks kept would be about 270 MiB of address space. The threads themselves may leave a little: a
// malloc arena made on the way is 64 MiB.
TEST_F(ThreadSignalStackTest, FourThousandThreadsLeaveNoAddressSpaceBehind) {
    constexpr int kThreads = 4000;
    stackOfANewThread();
    const long before = virtualSizeKiB();
    ASSERT_GT(before, 0);
    int withStack = 0;
    for (int i = 0; i < kThreads; ++i) withStack += !(stackOfANewThread().ss_flags & SS_DISABLE);
    EXPECT_EQ(withStack, kThreads);
    const long grownKiB = virtualSizeKiB() - before;
    EXPECT_LT(grownKiB, long(kThreads) * long(ThreadSignalStack::kSize / 1024) / 2) << grownKiB << " KiB";
}
