#include "reporting/crash/unwind/CRKCompactUnwind.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "reporting/crash/unwind/CRKUnwind.h"
#include "tests/reporting/crash/unwind/UnwindTestSupport.h"

using namespace reporting;
using unwindtest::Bytes;
using unwindtest::CallFrameSection;

namespace {

constexpr uint32_t kBPFrame = 0x01000000;
// Frameless, 4 words of stack, rbx then rbp saved (two registers, permutation 4).
constexpr uint32_t kFramelessRbxRbp = 0x02000000 | (4 << 16) | (2 << 10) | 4;
// Frameless with the stack size in the code: the 32-bit value 4 bytes into the function, plus 8.
constexpr uint32_t kFramelessIndirect = 0x03000000 | (4 << 16) | (1 << 13);

// An image in memory: a page of "code", its compact unwind section and a call-frame section.
//
// First level: [0x000, 0x800) in a compressed page, [0x800, 0x1000) in a regular page.
// Functions of the compressed page: 0x000 rbp frame, 0x100 frameless, 0x200 frameless indirect,
// 0x300 call-frame rules, 0x400 no unwind info, 0x500 an invalid mode, 0x600 rbp frame (the last).
struct CompactImage {
    std::vector<uint8_t> memory = std::vector<uint8_t>(0x4000, 0);
    uintptr_t base = reinterpret_cast<uintptr_t>(memory.data());
    uintptr_t unwindInfo = base + 0x2000;
    uintptr_t ehFrame = base + 0x3000;
    uintptr_t ehFrameEnd = 0;

    CompactImage() {
        CallFrameSection frames;
        const size_t cie = frames.cie(CallFrameSection::entryRules());
        const size_t fde = frames.fde(cie, base + 0x300, 0x100, {});
        memcpy(&memory[0x3000], frames.bytes.data.data(), frames.bytes.size());
        ehFrameEnd = ehFrame + frames.bytes.size();

        Bytes u;
        const uint32_t common = 28, index = common + 8, compressed = index + 36, regular = compressed + 100;
        u.u32(1).u32(common).u32(2).u32(0).u32(0).u32(index).u32(3);
        u.u32(kBPFrame).u32(kFramelessRbxRbp);
        u.u32(0x000).u32(compressed).u32(0);
        u.u32(0x800).u32(regular).u32(0);
        u.u32(0x1000).u32(0).u32(0);
        // Compressed page: 7 entries, then 4 encodings of its own (indices 2-5).
        const uint16_t entries = 12, count = 7, encodings = uint16_t(entries + 4 * count);
        u.u32(3).u16(entries).u16(count).u16(encodings).u16(4);
        const uint32_t functions[7][2] = {{0x000, 0}, {0x100, 1}, {0x200, 2}, {0x300, 3},
                                          {0x400, 4}, {0x500, 5}, {0x600, 0}};
        for (const auto& f : functions) u.u32(f[0] | (f[1] << 24));
        u.u32(kFramelessIndirect).u32(0x04000000 | uint32_t(fde)).u32(0).u32(0x05000000);
        while (u.size() < regular) u.u8(0);
        u.u32(2);  // a regular page
        memcpy(&memory[0x2000], u.data.data(), u.size());
        // The indirect function's code holds its stack size 4 bytes in (as in "sub $24, %rsp").
        const uint32_t subl = 24;
        memcpy(&memory[0x200 + 4], &subl, 4);
    }
};

class CRKCompactUnwindTest : public unwindtest::ImageTableTest {
protected:
    void SetUp() override {
        ImageTableTest::SetUp();
        ASSERT_TRUE(addImage(image_.base, 0x1000, image_.unwindInfo, image_.ehFrame, image_.ehFrameEnd));
        // The stack: a word inside the image where a stack scan would find it, the frameless
        // functions' saved registers and return address, and a frame-pointer frame further up.
        stack_.assign(16, 0);
        stack_[0] = image_.base + 0x20;
        stack_[1] = 0x1111;     // rbx
        stack_[2] = 0x2222;     // rbp
        stack_[3] = 0x7777;     // frameless return address
        stack_[8] = sp() + 96;  // saved FP of the frame-pointer frame, above it
        stack_[9] = 0x5555;     // its return address
    }

    uint64_t sp() const { return reinterpret_cast<uintptr_t>(stack_.data()); }

    // Frame 1 from a PC at `offset` in the image: the context after the step.
    CRKMachineContext step(uint64_t offset) {
        auto context = std::make_unique<CRKUnwindContext>();
        CRKUnwindInit(context.get(), unwindtest::registersWith(image_.base + offset, sp(), sp() + 64));
        EXPECT_TRUE(CRKUnwindNextFrame(context.get()));
        EXPECT_TRUE(CRKUnwindNextFrame(context.get()));
        return context->registers;
    }

    CompactImage image_;
    std::vector<uint64_t> stack_;
};

TEST_F(CRKCompactUnwindTest, RbpFrameIncludingTheLastFunctionOfAPage) {
    for (uint64_t offset : {0x010, 0x610, 0x7ff}) {
        SCOPED_TRACE(offset);
        const CRKMachineContext registers = step(offset);
        EXPECT_EQ(registers.ss.rip, 0x5555u);  // not the scanned word: the compact rule ran
        EXPECT_EQ(registers.ss.rbp, sp() + 96);
        EXPECT_EQ(registers.ss.rsp, sp() + 64 + 16);
    }
}

// The stack grows down: the rbp-frame rule follows a saved frame pointer only up the stack, and one of 0
// still ends the chain quietly. Any other fails the step, unless the return address beside it lies in
// code: that caller is kept, with no frame pointer to follow.
TEST_F(CRKCompactUnwindTest, RbpFrameFollowsOnlyASavedFramePointerThatClimbs) {
    const uint64_t fp = sp() + 64;
    const auto compute = [&] {
        auto context = std::make_unique<CRKUnwindContext>();
        CRKUnwindInit(context.get(), unwindtest::registersWith(image_.base + 0x10, sp(), fp));
        EXPECT_TRUE(CRKCompactUnwindInit(&context->compactUnwindContext, image_.unwindInfo, image_.ehFrame,
                                         image_.ehFrameEnd, image_.base));
        const bool computed = CRKCompactUnwindLookupAndCompute(&context->compactUnwindContext, context.get());
        return std::make_pair(computed, context->registers);
    };
    for (const uint64_t saved : {fp + 8, fp + 48, uint64_t(0)}) {
        SCOPED_TRACE(saved);
        stack_[8] = saved;
        const auto [computed, registers] = compute();
        EXPECT_TRUE(computed);
        EXPECT_EQ(registers.ss.rip, 0x5555u);
        EXPECT_EQ(registers.ss.rbp, saved);
        EXPECT_EQ(registers.ss.rsp, fp + 16);
    }
    for (const uint64_t saved : {fp, fp - 8, sp(), uint64_t(0x3333)}) {
        SCOPED_TRACE(saved);
        stack_[8] = saved;
        const auto [computed, registers] = compute();
        EXPECT_FALSE(computed);
        EXPECT_EQ(registers.ss.rip, image_.base + 0x10);
        EXPECT_EQ(registers.ss.rbp, fp);
    }
    stack_[8] = fp;
    stack_[9] = image_.base + 0x620;
    const auto [computed, registers] = compute();
    EXPECT_TRUE(computed);
    EXPECT_EQ(registers.ss.rip, image_.base + 0x620);
    EXPECT_EQ(registers.ss.rbp, 0u);
    EXPECT_EQ(registers.ss.rsp, fp + 16);
}

TEST_F(CRKCompactUnwindTest, FramelessRestoresOnlyRbpAndPopsTheWholeFrame) {
    const CRKMachineContext registers = step(0x110);
    EXPECT_EQ(registers.ss.rip, 0x7777u);
    EXPECT_EQ(registers.ss.rbp, 0x2222u);
    EXPECT_EQ(registers.ss.rbx, 0u);  // skipped
    EXPECT_EQ(registers.ss.rsp, sp() + 32);
}

TEST_F(CRKCompactUnwindTest, FramelessIndirectReadsTheStackSizeFromTheCode) {
    const CRKMachineContext registers = step(0x210);
    EXPECT_EQ(registers.ss.rip, 0x7777u);  // 24 + 8 bytes of stack: the return address at SP + 24
    EXPECT_EQ(registers.ss.rsp, sp() + 32);
}

TEST_F(CRKCompactUnwindTest, CallFrameModeRunsTheFunctionsRules) {
    const CRKMachineContext registers = step(0x310);
    EXPECT_EQ(registers.ss.rip, image_.base + 0x20);  // the entry rules: the word at SP
    EXPECT_EQ(registers.ss.rsp, sp() + 8);
}

TEST_F(CRKCompactUnwindTest, MissingOrInvalidEncodingsAndRegularPagesFallBackToTheFramePointer) {
    // Each of these fails the compact rule; the first step then scans the stack.
    for (uint64_t offset : {0x410, 0x510, 0x900}) {
        SCOPED_TRACE(offset);
        const CRKMachineContext registers = step(offset);
        EXPECT_EQ(registers.ss.rip, image_.base + 0x20);
    }
}

TEST_F(CRKCompactUnwindTest, BadSectionVersionIsRefused) {
    uint32_t version = 2;
    memcpy(&image_.memory[0x2000], &version, 4);
    CRKCompactUnwindContext context;
    EXPECT_FALSE(
        CRKCompactUnwindInit(&context, image_.unwindInfo, image_.ehFrame, image_.ehFrameEnd, image_.base));
    EXPECT_FALSE(CRKCompactUnwindInit(&context, 0x10, image_.ehFrame, image_.ehFrameEnd, image_.base));
    EXPECT_FALSE(CRKCompactUnwindInit(&context, image_.unwindInfo, 0, 0, 0x10));
    EXPECT_EQ(step(0x010).ss.rip, image_.base + 0x20);
}

TEST_F(CRKCompactUnwindTest, CorruptOffsetsFailWithoutAFault) {
    // Index and page offsets pointing far outside the section.
    const uint32_t far = 0x7FFFFFF0;
    memcpy(&image_.memory[0x2000 + 20], &far, 4);  // the index offset
    EXPECT_EQ(step(0x010).ss.rip, image_.base + 0x20);
    CompactImage other;
    memcpy(&image_.memory[0x2000], &other.memory[0x2000], 0x1000);
    memcpy(&image_.memory[0x2000 + 36 + 4], &far, 4);  // the first entry's page offset
    EXPECT_EQ(step(0x010).ss.rip, image_.base + 0x20);
}

TEST(CRKCompactUnwindPermutationTest, RegistersComeBackInTheirSavedOrder) {
    struct Case {
        uint32_t count;
        uint32_t permutation;
        std::vector<uint32_t> registers;
    };
    const std::vector<Case> cases = {
        {1, 5, {6}},
        {2, 4, {1, 6}},
        {3, 0, {1, 2, 3}},
        {4, 59, {1, 6, 5, 4}},
        {6, 0, {1, 2, 3, 4, 5, 6}},
        {6, 719, {6, 5, 4, 3, 2, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.permutation);
        const uint32_t encoding = 0x02000000 | (c.count << 10) | c.permutation;
        uint32_t permutation[6];
        uint32_t registers[6];
        ASSERT_TRUE(CRKCompactUnwindDecompressPermutation(encoding, permutation));
        ASSERT_TRUE(CRKCompactUnwindRemapRegisters(encoding, permutation, registers));
        EXPECT_EQ(std::vector<uint32_t>(registers, registers + c.count), c.registers);
    }
    uint32_t permutation[6];
    EXPECT_FALSE(CRKCompactUnwindDecompressPermutation(0x02000000 | (7 << 10), permutation));
}

}  // namespace
