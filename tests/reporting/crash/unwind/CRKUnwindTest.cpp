#include "reporting/crash/unwind/CRKUnwind.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>

#include <sys/mman.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "tests/reporting/crash/unwind/UnwindTestSupport.h"
#include "tests/reporting/crash/unwind/chain/FramePointerRecursion.h"
#include "tests/reporting/crash/unwind/chain/UnwindChain.h"

using namespace reporting;

namespace {

constexpr size_t kMaxFrames = 128;

// What a walk inside the chain saw. Static so that the signal handler needs no allocation.
struct WalkResult {
    uint64_t pcs[kMaxFrames];
    size_t count;
    bool captured;
};
WalkResult gResult;
CRKUnwindContext gContext;

void walkFrom(const ucontext_t* ucontext, bool framePointerOnly) {
    CRKMachineContext registers;
    memset(&registers, 0, sizeof(registers));
    CRKMachineContextFromUContext(ucontext, &registers);
    gResult.count = 0;
    if (framePointerOnly) {
        // The frame-pointer chain alone, as the walker uses it when an image has no other unwind data.
        CRKUnwindInit(&gContext, registers);
        gResult.pcs[gResult.count++] = registers.ss.rip;
        while (gResult.count < kMaxFrames && CRKCompactUnwindBPFrame(&gContext) &&
               CRKMachineContextGetPC(&gContext.registers) >= 4096) {
            gResult.pcs[gResult.count++] = CRKMachineContextGetPC(&gContext.registers);
        }
    } else {
        CRKUnwindInit(&gContext, registers);
        while (gResult.count < kMaxFrames && CRKUnwindNextFrame(&gContext)) {
            gResult.pcs[gResult.count++] = CRKUnwindGetPC(&gContext);
        }
    }
    gResult.captured = true;
}

__attribute__((noinline)) void leafWalking(UnwindChain* chain) {
    chain->returnAddresses[chain->count++] = __builtin_return_address(0);
    ucontext_t ucontext;
    getcontext(&ucontext);
    walkFrom(&ucontext, false);
    __asm__ volatile("" ::: "memory");
}

void onSignal(int, siginfo_t*, void* ucontext) {
    walkFrom(static_cast<const ucontext_t*>(ucontext), false);
}

__attribute__((noinline)) void leafSignalling(UnwindChain* chain) {
    chain->returnAddresses[chain->count++] = __builtin_return_address(0);
    pthread_kill(pthread_self(), SIGUSR2);
    __asm__ volatile("" ::: "memory");
}

// The chain's recorded return addresses, innermost first: what the walk must produce in a row.
std::vector<uint64_t> expectedFrames(const UnwindChain& chain) {
    std::vector<uint64_t> expected;
    for (int i = chain.count - 1; i >= 0; i--)
        expected.push_back(reinterpret_cast<uintptr_t>(chain.returnAddresses[i]));
    return expected;
}

std::vector<uint64_t> walked() {
    return std::vector<uint64_t>(gResult.pcs, gResult.pcs + gResult.count);
}

// Where the expected run starts in the walk, or -1.
long findRun(const std::vector<uint64_t>& frames, const std::vector<uint64_t>& expected) {
    auto it = std::search(frames.begin(), frames.end(), expected.begin(), expected.end());
    return it == frames.end() ? -1 : long(it - frames.begin());
}

class CRKUnwindChainTest : public unwindtest::ImageTableTest, public ::testing::WithParamInterface<bool> {
protected:
    int run(UnwindChain* chain) {
        return GetParam() ? kestrune_unwind_chain_fp_run(chain) : kestrune_unwind_chain_nofp_run(chain);
    }
};

TEST_P(CRKUnwindChainTest, WalkReturnsEveryReturnAddressOfTheChain) {
    UnwindChain chain{};
    chain.leaf = leafWalking;
    gResult = {};
    run(&chain);
    ASSERT_TRUE(gResult.captured);
    ASSERT_EQ(chain.count, 9);  // eight steps of the chain and the leaf
    const auto frames = walked();
    // Frame 0 is the leaf itself; each frame after it is one recorded return address.
    ASSERT_GT(frames.size(), 10u);
    EXPECT_EQ(std::vector<uint64_t>(frames.begin() + 1, frames.begin() + 10), expectedFrames(chain));
    // The walk goes on through the test framework to the thread's first frame.
    EXPECT_GT(frames.size(), 12u);
    EXPECT_LT(frames.size(), kMaxFrames);
}

TEST_P(CRKUnwindChainTest, WalkFromASignalHandlersContextReachesTheInterruptedChain) {
    struct sigaction action;
    struct sigaction previous;
    memset(&action, 0, sizeof(action));
    action.sa_sigaction = onSignal;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR2, &action, &previous), 0);
    UnwindChain chain{};
    chain.leaf = leafSignalling;
    gResult = {};
    run(&chain);
    sigaction(SIGUSR2, &previous, nullptr);

    ASSERT_TRUE(gResult.captured);
    const auto frames = walked();
    const auto expected = expectedFrames(chain);
    ASSERT_EQ(expected.size(), 9u);
    // Frame 0 is the interrupted instruction in the C library; its frames lead back to the leaf.
    const long at = findRun(frames, expected);
    ASSERT_GE(at, 2) << "the chain's return addresses were not walked in a row";
    EXPECT_GT(frames.size(), size_t(at) + expected.size());
}

INSTANTIATE_TEST_SUITE_P(FramePointers, CRKUnwindChainTest, ::testing::Values(true, false),
                         [](const auto& info) {
                             return info.param ? "WithFramePointers" : "WithoutFramePointers";
                         });

using CRKUnwindFramePointerTest = unwindtest::ImageTableTest;

// The walk starts in the chain's own leaf: the test's functions have no frame pointer in an optimised
// build, and a frame-pointer walk from a frame without one cannot see that frame's return address.
void walkFramePointersFrom(UnwindChain*, void* ucontext) {
    walkFrom(static_cast<const ucontext_t*>(ucontext), true);
}

TEST_F(CRKUnwindFramePointerTest, FramePointerChainAloneWalksCodeBuiltWithFramePointers) {
    UnwindChain chain{};
    chain.leaf = kestrune_unwind_chain_fp_leaf;
    chain.walk = walkFramePointersFrom;
    gResult = {};
    kestrune_unwind_chain_fp_run(&chain);
    ASSERT_TRUE(gResult.captured);
    const auto frames = walked();
    ASSERT_GT(frames.size(), 10u);
    EXPECT_EQ(std::vector<uint64_t>(frames.begin() + 1, frames.begin() + 10), expectedFrames(chain));
}

TEST_F(CRKUnwindFramePointerTest, FramePointerChainAloneCannotWalkCodeBuiltWithoutThem) {
    // The check that the second variant really has no frame pointers: only its call-frame rules
    // (used by the walks above) find its frames.
    UnwindChain chain{};
    chain.leaf = kestrune_unwind_chain_nofp_leaf;
    chain.walk = walkFramePointersFrom;
    gResult = {};
    kestrune_unwind_chain_nofp_run(&chain);
    ASSERT_TRUE(gResult.captured);
    EXPECT_EQ(findRun(walked(), expectedFrames(chain)), -1);
}

// A walk from the bottom of a recursion whose code has frame pointers and no unwind information: the
// frame-pointer step alone walks its frames. It runs on a thread of its own with a stack of 64 MB.
struct DeepWalk {
    FramePointerRecursion recursion{};
    // What rbp holds where the recursion is entered: 0 for a caller that keeps a frame pointer, else a
    // value of the caller's own.
    uint64_t callerRbp = 0;
    std::vector<uint64_t> frames;
    size_t limit = 0;
};
DeepWalk* gDeepWalk = nullptr;

}  // namespace

// unwind_test_enter_with_rbp(rbp, recursion) enters the recursion with `rbp` in rbp, as optimised code that
// keeps no frame pointer calls with a value of its own there; its call-frame rules say where it saved
// its caller's rbp.
extern "C" int unwind_test_enter_with_rbp(uint64_t rbp, FramePointerRecursion* recursion);
asm(R"(
    .pushsection .text
    .globl unwind_test_enter_with_rbp
    .type unwind_test_enter_with_rbp, @function
unwind_test_enter_with_rbp:
    .cfi_startproc
    push %rbp
    .cfi_def_cfa_offset 16
    .cfi_offset %rbp, -16
    mov %rdi, %rbp
    mov %rsi, %rdi
    call kestrune_fp_recursion_entry@PLT
    pop %rbp
    .cfi_def_cfa_offset 8
    ret
    .cfi_endproc
    .size unwind_test_enter_with_rbp, .-unwind_test_enter_with_rbp
    .popsection
)");

namespace {

__attribute__((noinline)) void walkFromTheBottom(FramePointerRecursion* recursion) {
    recursion->bottomReturn = __builtin_return_address(0);
    ucontext_t ucontext;
    getcontext(&ucontext);
    CRKMachineContext registers;
    memset(&registers, 0, sizeof(registers));
    CRKMachineContextFromUContext(&ucontext, &registers);
    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), registers);
    std::vector<uint64_t>& frames = gDeepWalk->frames;
    while (frames.size() < gDeepWalk->limit && CRKUnwindNextFrame(context.get()))
        frames.push_back(CRKUnwindGetPC(context.get()));
    __asm__ volatile("" ::: "memory");
}

__attribute__((noinline)) void* runTheDeepRecursion(void*) {
    if (gDeepWalk->callerRbp != 0) {
        unwind_test_enter_with_rbp(gDeepWalk->callerRbp, &gDeepWalk->recursion);
    } else {
        kestrune_fp_recursion_entry(&gDeepWalk->recursion);
    }
    __asm__ volatile("" ::: "memory");
    return nullptr;
}

// Whether the call-frame step can walk from a return address (the PC of a frame above the first).
bool callFrameRulesCover(uint64_t returnAddress) {
    std::vector<uint64_t> stack(16, 0);
    const uint64_t base = reinterpret_cast<uintptr_t>(stack.data());
    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), unwindtest::registersWith(returnAddress - 1, base, base + 32));
    return CRKUnwindWithCallFrameInfo(context.get());
}

// The recursion's caller keeps a frame pointer, or keeps a value of its own in rbp (here a heap block's
// address, below the stack): the saved frame pointer the first call's frame holds then does not climb,
// and the walk still goes on from that caller's return address by the caller's own rules.
TEST_F(CRKUnwindFramePointerTest, RecursionOfAHundredThousandCallsWithoutUnwindInformationIsWalkedWhole) {
    constexpr int kCalls = 100000;
    const auto heapBlock = std::make_unique<uint64_t[]>(4);
    for (const uint64_t callerRbp : {uint64_t(0), uint64_t(reinterpret_cast<uintptr_t>(heapBlock.get()))}) {
        SCOPED_TRACE(callerRbp);
        DeepWalk walk;
        walk.recursion.depth = kCalls;
        walk.recursion.bottom = walkFromTheBottom;
        walk.callerRbp = callerRbp;
        walk.limit = CRKUnwindMaximumFrames + 1;
        walk.frames.reserve(walk.limit);
        gDeepWalk = &walk;
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, size_t(64) << 20);
        pthread_t thread;
        const int started = pthread_create(&thread, &attributes, runTheDeepRecursion, nullptr);
        pthread_attr_destroy(&attributes);
        ASSERT_EQ(started, 0);
        pthread_join(thread, nullptr);
        gDeepWalk = nullptr;

        const FramePointerRecursion& recursion = walk.recursion;
        const auto address = [](void* pointer) { return uint64_t(reinterpret_cast<uintptr_t>(pointer)); };
        // The recursion's frames have no call-frame rules (its caller's do): the frame-pointer step walked
        // them.
        EXPECT_FALSE(callFrameRulesCover(address(recursion.recursiveReturn)));
        EXPECT_FALSE(callFrameRulesCover(address(recursion.entryReturn)));
        EXPECT_TRUE(callFrameRulesCover(address(recursion.callerReturn)));

        // Frame 0 is the bottom itself; then the deepest call, every recursive call, the first and its
        // caller, and on through the thread's start.
        const std::vector<uint64_t>& frames = walk.frames;
        ASSERT_GT(frames.size(), size_t(kCalls) + 5);
        EXPECT_LT(frames.size(), size_t(kCalls) + 64);
        EXPECT_EQ(frames[1], address(recursion.bottomReturn));
        const auto firstOther = std::find_if(frames.begin() + 2, frames.end(), [&](uint64_t pc) {
            return pc != address(recursion.recursiveReturn);
        });
        EXPECT_EQ(firstOther - (frames.begin() + 2), kCalls);
        EXPECT_EQ(frames[2 + kCalls], address(recursion.entryReturn));
        EXPECT_EQ(frames[3 + kCalls], address(recursion.callerReturn));
    }
}

using CRKUnwindContextTest = unwindtest::ImageTableTest;

// A page of code outside every image (as a code generator would make one): a frame 0 there is walked
// like any other, by the frame-pointer chain and the stack scan.
uint64_t codeOutsideEveryImage() {
    static void* const page = mmap(nullptr, 4096, PROT_READ | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return page == MAP_FAILED ? 0 : reinterpret_cast<uintptr_t>(page);
}

TEST_F(CRKUnwindContextTest, ThreadWithAnInvalidPCOrSPProducesNoFrame) {
    std::vector<uint64_t> stack(8, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    // No stack to read beside a PC below the first page.
    EXPECT_TRUE(unwindtest::walk(unwindtest::registersWith(0x800, 0x8000, sp)).empty());
    EXPECT_TRUE(unwindtest::walk(unwindtest::registersWith(0x400000, 0x10, sp)).empty());
    CRKUnwindContext* none = nullptr;
    EXPECT_FALSE(CRKUnwindNextFrame(none));
    EXPECT_FALSE(CRKUnwindInit(none, CRKMachineContext{}));
    EXPECT_EQ(CRKUnwindGetPC(none), 0u);
    EXPECT_EQ(CRKUnwindGetRepeatCount(none), 0u);
}

TEST_F(CRKUnwindContextTest, FirstFrameIsTheThreadsOwnPCEvenOutsideEveryImage) {
    // A frame-pointer chain on a made-up stack: frame 0 is the PC; its caller comes from the chain.
    std::vector<uint64_t> stack(16, 0);
    const uint64_t base = reinterpret_cast<uintptr_t>(stack.data());
    const uint64_t pc = codeOutsideEveryImage() + 0x10;
    ASSERT_GT(pc, 0x10u);
    stack[4] = 0;       // saved FP of the outermost frame
    stack[5] = 0x9000;  // its return address
    const auto frames = unwindtest::walk(unwindtest::registersWith(pc, base, base + 4 * 8));
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], pc);
    EXPECT_EQ(frames[1], 0x9000u);  // then the FP of 0 ends the walk quietly
}

TEST_F(CRKUnwindContextTest, SamePCInARowCountsRepeats) {
    // A recursion's frame chain: every frame returns to the same address.
    std::vector<uint64_t> stack(10, 0);
    const uint64_t returnAddress = codeOutsideEveryImage() + 1;
    ASSERT_GT(returnAddress, 1u);
    for (size_t frame = 2; frame < 8; frame += 2) {
        stack[frame] = reinterpret_cast<uintptr_t>(&stack[frame + 2]);
        stack[frame + 1] = returnAddress;
    }
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), unwindtest::registersWith(returnAddress, sp, sp + 16));
    std::vector<uint32_t> repeats;
    while (CRKUnwindNextFrame(context.get())) {
        EXPECT_EQ(CRKUnwindGetPC(context.get()), returnAddress);
        repeats.push_back(CRKUnwindGetRepeatCount(context.get()));
    }
    EXPECT_EQ(repeats, (std::vector<uint32_t>{0, 1, 2, 3}));
}

// The stack grows down: each saved frame pointer lies above the frame record it was read from, or is 0
// (the chain's end). A chain that stays put or goes back has left the stack, and the walk ends there.
TEST_F(CRKUnwindContextTest, FramePointerChainThatDoesNotClimbEndsTheWalk) {
    const uint64_t pc = codeOutsideEveryImage() + 0x30;
    ASSERT_GT(pc, 0x30u);
    // words[0..3] are the stack at SP, zero (nothing for the first step's scan); frame records above.
    std::vector<uint64_t> words(16, 0);
    const auto at = [&](size_t index) { return uint64_t(reinterpret_cast<uintptr_t>(&words[index])); };
    const auto walkChain = [&] { return unwindtest::walk(unwindtest::registersWith(pc, at(0), at(4)), 64); };
    words[4] = at(8);
    words[5] = 0x5001;
    words[8] = at(12);
    words[9] = 0x5002;
    words[12] = 0;
    words[13] = 0x5003;
    EXPECT_EQ(walkChain(), (std::vector<uint64_t>{pc, 0x5001, 0x5002, 0x5003}));
    // The second frame's saved frame pointer stays where it was read, or goes back (below its own frame
    // record, to the first's, down to the stack pointer).
    for (const uint64_t saved : {at(8), at(7), at(4), at(0)}) {
        SCOPED_TRACE(saved - at(0));
        words[8] = saved;
        EXPECT_EQ(walkChain(), (std::vector<uint64_t>{pc, 0x5001}));
    }

    // A return address in code beside such a saved frame pointer is still its frame's caller: it is kept,
    // and the chain is not followed from it (here nothing else describes that code, so the walk ends).
    std::vector<uint8_t> image(256);
    const uint64_t imageBase = reinterpret_cast<uintptr_t>(image.data());
    ASSERT_TRUE(addImage(imageBase, image.size()));
    words[8] = at(8);
    words[9] = imageBase + 0x40;
    EXPECT_EQ(walkChain(), (std::vector<uint64_t>{pc, 0x5001, imageBase + 0x40}));
    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), unwindtest::registersWith(pc, at(0), at(8)));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    EXPECT_EQ(CRKUnwindGetPC(context.get()), imageBase + 0x40);
    EXPECT_EQ(CRKMachineContextGetFP(&context->registers), 0u);
    EXPECT_EQ(CRKUnwindGetStackPointer(context.get()), at(10));
}

// Eight heap words, each naming the next and the last the first, and after them a word naming the second:
// what a frame pointer that has left the stack for a linked structure reads. However the ring lies in
// memory it goes back somewhere, and the walk ends within its length instead of at the walk's limit.
TEST_F(CRKUnwindContextTest, FramePointerChainRunningRoundARingEndsWithinIt) {
    const uint64_t pc = codeOutsideEveryImage() + 0x40;
    ASSERT_GT(pc, 0x40u);
    // words[0..3] are the stack at SP, zero; the ring's words are words[8..15], words[16] after them.
    std::vector<uint64_t> words(17, 0);
    const auto at = [&](size_t index) { return uint64_t(reinterpret_cast<uintptr_t>(&words[index])); };
    const std::vector<std::vector<size_t>> orders = {{0, 1, 2, 3, 4, 5, 6, 7},
                                                     {7, 6, 5, 4, 3, 2, 1, 0},
                                                     {3, 6, 1, 4, 7, 0, 5, 2},
                                                     {0, 2, 4, 6, 1, 3, 5, 7}};
    for (const auto& order : orders) {
        SCOPED_TRACE(::testing::PrintToString(order));
        for (size_t k = 0; k < 8; k++) words[8 + order[k]] = at(8 + order[(k + 1) % 8]);
        words[16] = at(9);
        const auto frames = unwindtest::walk(unwindtest::registersWith(pc, at(0), at(8 + order[0])), 1000);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames[0], pc);
        EXPECT_LE(frames.size(), 1u + 8u);
        for (size_t i = 1; i < frames.size(); i++) {
            EXPECT_GE(frames[i], at(8));
            EXPECT_LE(frames[i], at(16));
        }
    }
    // Laid out in order, the chain climbs through all eight words and ends where the last names the first.
    for (size_t k = 0; k < 8; k++) words[8 + k] = at(8 + (k + 1) % 8);
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(pc, at(0), at(8)), 1000),
              (std::vector<uint64_t>{pc, at(10), at(11), at(12), at(13), at(14), at(15), at(8)}));
}

TEST_F(CRKUnwindContextTest, UnreadableFrameEndsTheWalkWithoutAFault) {
    // FP points at an unmapped page: the read fails, the walk stops after frame 0.
    std::vector<uint64_t> stack(8, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    const auto frames = unwindtest::walk(unwindtest::registersWith(0x6000, sp, 0x10000));
    ASSERT_EQ(frames.size(), 1u);
}

TEST_F(CRKUnwindContextTest, StackScanOnTheFirstStepFindsAReturnAddressAndFallsBackWhenUnreadable) {
    // The caller of frame 0 is found by scanning the stack between SP and FP for a word inside an
    // image; the scan moves SP above the word.
    std::vector<uint8_t> image(4096);
    const uint64_t imageBase = reinterpret_cast<uintptr_t>(image.data());
    ASSERT_TRUE(addImage(imageBase, image.size()));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t base = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = 0x1234;            // not in any image
    stack[1] = imageBase + 0x40;  // the return address
    stack[8] = 0;                 // the caller's frame: saved FP 0 ...
    stack[9] = 0x4444;            // ... and its return address
    const uint64_t pc = codeOutsideEveryImage() + 0x20;
    ASSERT_GT(pc, 0x20u);
    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), unwindtest::registersWith(pc, base, base + 8 * 8));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    EXPECT_EQ(CRKUnwindGetPC(context.get()), imageBase + 0x40);
    EXPECT_EQ(CRKUnwindGetStackPointer(context.get()), base + 16);

    // The same first step with an unreadable SP uses the frame pointer instead.
    CRKUnwindInit(context.get(), unwindtest::registersWith(pc, 0x10000, base + 8 * 8));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    ASSERT_TRUE(CRKUnwindNextFrame(context.get()));
    EXPECT_EQ(CRKUnwindGetPC(context.get()), 0x4444u);
}

TEST_F(CRKUnwindContextTest, FirstExecutableAddressExaminesTheFirstWordEvenWithAnEmptyRange) {
    std::vector<uint8_t> image(256);
    const uint64_t imageBase = reinterpret_cast<uintptr_t>(image.data());
    ASSERT_TRUE(addImage(imageBase, image.size()));
    std::vector<uint64_t> words = {imageBase + 8, 0};
    const uint64_t start = reinterpret_cast<uintptr_t>(words.data());
    uint64_t found = 1;
    EXPECT_TRUE(CRKUnwindFirstExecutableAddress(start, start, &found, nullptr));
    EXPECT_EQ(found, imageBase + 8);
    words[0] = 0x99;
    EXPECT_FALSE(CRKUnwindFirstExecutableAddress(start, start + 16, &found, nullptr));
    EXPECT_EQ(found, 0u);
    EXPECT_EQ(CRKUnwindCallerStackPointerForFrame(0x1000), 0x1010u);
}

// The walker inside a started crash kit: the binary images come from the kit's start-up and the
// walk writes its trace to the kit's diagnostic log.
class CRKUnwindKitTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        root_ = home() + "/run";
        mkdir(root_.c_str(), 0755);
        CRKContextHooks hooks;
        hooks.startBinaryImages = CRKBinaryImageInit;
        hooks.recordExecutable = CRKBinaryImageRecordMainExecutable;
        hooks.debuggerAttached = [] { return true; };
        CRKContextSetHooks(hooks);
        CRKContextInitData data;
        data.rootPath = root_.c_str();
        data.sessionId = "session";
        data.installId = "install";
        ASSERT_TRUE(CRKContextInitialize(&data));
        runUntilIdle();
    }
    void TearDown() override {
        runUntilIdle();
        CRKBinaryImageResetForTesting();
        CRKContextResetForTesting();
        KestruneTest::TearDown();
    }
    std::string contents(const std::string& name) const {
        std::ifstream in(root_ + "/" + name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string root_;
};

TEST_F(CRKUnwindKitTest, ChainIsWalkedWithTheKitsImagesAndTracedInItsLog) {
    EXPECT_NE(contents("binary_images.crkrecord").find("{\"load\":"), std::string::npos);
    EXPECT_NE(contents("metadata.crkrecord").find("{\"executable\":{\"architecture\":\"x86_64\""),
              std::string::npos);

    UnwindChain chain{};
    chain.leaf = leafWalking;
    gResult = {};
    kestrune_unwind_chain_nofp_run(&chain);
    ASSERT_TRUE(gResult.captured);
    const auto frames = walked();
    ASSERT_GT(frames.size(), 10u);
    EXPECT_EQ(std::vector<uint64_t>(frames.begin() + 1, frames.begin() + 10), expectedFrames(chain));
    const std::string log = contents("sdk.log");
    EXPECT_NE(log.find("INFO  [compactUnwindStep:"), std::string::npos);
    EXPECT_NE(log.find("has no unwind info\n"), std::string::npos);
    EXPECT_NE(log.find("] DW_CFA_def_cfa_offset "), std::string::npos);
}

TEST_F(CRKUnwindKitTest, FramePointerChainThatDoesNotClimbIsLoggedWhereItEnds) {
    std::vector<uint64_t> words(8, 0);
    const uint64_t frame = reinterpret_cast<uintptr_t>(&words[4]);
    words[4] = frame;  // a saved frame pointer that stays put
    words[5] = 0x5001;
    const uint64_t pc = codeOutsideEveryImage() + 0x50;
    ASSERT_GT(pc, 0x50u);
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(pc, frame - 32, frame)),
              (std::vector<uint64_t>{pc}));
    const std::string log = contents("sdk.log");
    EXPECT_NE(log.find("WARN  [CRKCompactUnwindBPFrame:"), std::string::npos);
    EXPECT_NE(log.find(" does not climb the stack\n"), std::string::npos);
}

TEST_F(CRKUnwindKitTest, ThreadWithAnInvalidPCLogsTheCancellation) {
    EXPECT_TRUE(unwindtest::walk(unwindtest::registersWith(0x10, 0x10000, 0)).empty());
    EXPECT_NE(contents("sdk.log").find("WARN  [CRKUnwindNextFrame:"), std::string::npos);
    EXPECT_NE(contents("sdk.log").find("] Cancelling unwind for thread with invalid PC/SP\n"),
              std::string::npos);
}

TEST(CRKMachineContextTest, AccessorsRefuseAMissingContext) {
    CRKMachineContext registers{};
    EXPECT_TRUE(CRKMachineContextSetPC(&registers, 0x1111));
    EXPECT_TRUE(CRKMachineContextSetSP(&registers, 0x2222));
    EXPECT_TRUE(CRKMachineContextSetFP(&registers, 0x3333));
    EXPECT_EQ(CRKMachineContextGetPC(&registers), 0x1111u);
    EXPECT_EQ(CRKMachineContextGetSP(&registers), 0x2222u);
    EXPECT_EQ(CRKMachineContextGetFP(&registers), 0x3333u);
    auto* low = reinterpret_cast<CRKMachineContext*>(0x800);
    EXPECT_FALSE(CRKMachineContextSetPC(low, 1));
    EXPECT_EQ(CRKMachineContextGetSP(low), 0u);
    EXPECT_FALSE(CRKMachineContextSetFP(nullptr, 1));
}

}  // namespace
