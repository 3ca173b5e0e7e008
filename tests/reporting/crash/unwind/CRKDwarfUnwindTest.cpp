#include "reporting/crash/unwind/CRKDwarfUnwind.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <vector>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/capture/CRKProcess.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/unwind/CRKDwarfExpression.h"
#include "tests/reporting/crash/unwind/UnwindTestSupport.h"

using namespace reporting;
using unwindtest::Bytes;
using unwindtest::CallFrameSection;

namespace {

constexpr uint64_t kFunction = 0x500000;  // where the made-up function lies; never executed

class CRKDwarfUnwindTest : public ::testing::Test {
protected:
    // Parses the FDE at `offset` of the section.
    bool parse(const CallFrameSection& section, size_t offset, CRKDwarfCFIRecord* record) {
        const auto start = reinterpret_cast<uintptr_t>(section.bytes.data.data());
        return CRKDwarfFDEInit(record, start, start + section.bytes.size(), offset, nullptr);
    }

    // An unwind context at PC kFunction + pcOffset with a stack of recognisable words.
    std::unique_ptr<CRKUnwindContext> contextAt(uint64_t pcOffset) {
        stack_.assign(16, 0);
        for (size_t i = 0; i < stack_.size(); i++) stack_[i] = 0x100000 + i;
        auto context = std::make_unique<CRKUnwindContext>();
        CRKUnwindInit(context.get(), unwindtest::registersWith(kFunction + pcOffset, sp(), 0xBB));
        return context;
    }
    uint64_t sp() const { return reinterpret_cast<uintptr_t>(stack_.data()); }

    std::vector<uint64_t> stack_;
};

// A function that pushes rbp after one byte and grows its frame by 8 more after two further bytes.
CallFrameSection pushingFunction(size_t* fdeOffset) {
    CallFrameSection section;
    const size_t cie = section.cie(CallFrameSection::entryRules());
    *fdeOffset = section.fde(cie, kFunction, 0x100,
                             {0x02, 4,      // advance_loc1 4
                              0x0e, 16,     // def_cfa_offset 16
                              0x80 | 6, 2,  // rbp at CFA - 16
                              0x40 | 2,     // advance_loc 2
                              0x0e, 24});   // def_cfa_offset 24
    return section;
}

TEST_F(CRKDwarfUnwindTest, RowsFollowTheLocationAcrossBothAdvanceForms) {
    size_t fde = 0;
    const CallFrameSection section = pushingFunction(&fde);
    CRKDwarfCFIRecord record;
    ASSERT_TRUE(parse(section, fde, &record));
    EXPECT_EQ(record.fde.pcBegin, kFunction);
    EXPECT_EQ(record.fde.pcRange, 0x100u);
    EXPECT_EQ(record.cie.dataAlignmentFactor, -8);

    struct Row {
        uint64_t pcOffset;
        uint64_t cfa;  // stack words above SP
        bool rbpSaved;
    };
    // Offset 0 uses the CIE alone; the row of advance_loc1 starts at 4; the 0x40 form adds 2 more.
    for (const Row row : {Row{0, 1, false}, Row{3, 1, false}, Row{4, 2, true}, Row{5, 2, true},
                          Row{6, 3, true}, Row{0xff, 3, true}}) {
        SCOPED_TRACE(row.pcOffset);
        auto context = contextAt(row.pcOffset);
        ASSERT_TRUE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
        EXPECT_EQ(context->registers.ss.rsp, sp() + 8 * row.cfa);
        EXPECT_EQ(context->registers.ss.rip, stack_[row.cfa - 1]);
        EXPECT_EQ(context->registers.ss.rbp, row.rbpSaved ? stack_[row.cfa - 2] : 0xBBu);
    }
}

TEST_F(CRKDwarfUnwindTest, RememberedRowsComeBackAndRestoreReturnsToTheCIERule) {
    CallFrameSection section;
    // The CIE says rbx is saved at CFA - 8; the function saves it deeper, restores it (and rbp) in an
    // early-return epilogue, then goes back to the remembered row.
    std::vector<uint8_t> cieRules = CallFrameSection::entryRules();
    cieRules.insert(cieRules.end(), {0x80 | 3, 1});
    const size_t cie = section.cie(cieRules);
    const size_t fde = section.fde(cie, kFunction, 0x40,
                                   {0x41, 0x0e, 24,            // @1: CFA = rsp + 24
                                    0x80 | 6, 2, 0x80 | 3, 3,  // rbp at CFA - 16, rbx at CFA - 24
                                    0x41, 0x0a,                // @2: remember
                                    0x0e, 8, 0xc6, 0xc3,       // CFA = rsp + 8; restore rbp and rbx
                                    0x41, 0x0b});              // @3: back to the remembered row
    CRKDwarfCFIRecord record;
    ASSERT_TRUE(parse(section, fde, &record));

    auto context = contextAt(2);
    ASSERT_TRUE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
    EXPECT_EQ(context->registers.ss.rsp, sp() + 8);
    EXPECT_EQ(context->registers.ss.rip, stack_[0]);
    EXPECT_EQ(context->registers.ss.rbp, 0xBBu);      // no rule in the CIE: unchanged
    EXPECT_EQ(context->registers.ss.rbx, stack_[0]);  // the CIE's rule again

    for (uint64_t pcOffset : {1, 3}) {
        SCOPED_TRACE(pcOffset);
        context = contextAt(pcOffset);
        ASSERT_TRUE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
        EXPECT_EQ(context->registers.ss.rsp, sp() + 24);
        EXPECT_EQ(context->registers.ss.rip, stack_[2]);
        EXPECT_EQ(context->registers.ss.rbp, stack_[1]);
        EXPECT_EQ(context->registers.ss.rbx, stack_[0]);
    }
}

TEST_F(CRKDwarfUnwindTest, UnbalancedOrUnsupportedInstructionsFailTheStep) {
    struct Case {
        const char* name;
        std::vector<uint8_t> instructions;
    };
    const std::vector<Case> cases = {
        {"restore_state without remember", {0x41, 0x0b, 0x41}},
        {"def_cfa with register 17", {0x0c, 17, 8, 0x41}},
        {"offset of register 17", {0x80 | 17, 1, 0x41}},
        {"register naming register 17", {0x09, 3, 17, 0x41}},
        {"GNU args size", {0x2e, 8, 0x41}},
        {"unknown opcode", {0x3f, 0x41}},
        {"operand past the end", {0x0c, 7}},
        {"expression block past the end", {0x10, 6, 20, 0x70}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules());
        const size_t fde = section.fde(cie, kFunction, 0x40, c.instructions);
        CRKDwarfCFIRecord record;
        ASSERT_TRUE(parse(section, fde, &record));
        auto context = contextAt(8);
        const CRKMachineContext before = context->registers;
        EXPECT_FALSE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
        EXPECT_EQ(memcmp(&before, &context->registers, sizeof(before)), 0)
            << "registers changed by a failed step";
    }
}

TEST_F(CRKDwarfUnwindTest, StepThatLeavesTheStackPointerInPlaceFails) {
    CallFrameSection section;
    const size_t cie = section.cie({0x0c, 7, 0, 0x80 | 16, 0});  // CFA = rsp: nothing popped
    const size_t fde = section.fde(cie, kFunction, 0x40, {});
    CRKDwarfCFIRecord record;
    ASSERT_TRUE(parse(section, fde, &record));
    auto context = contextAt(4);
    EXPECT_FALSE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
    EXPECT_EQ(context->registers.ss.rip, kFunction + 4);
}

TEST_F(CRKDwarfUnwindTest, AugmentedCIEWithIndirectPersonalityParses) {
    // "zPLR": personality through a pointer (indirect, PC-relative, 4 bytes), LSDA and FDE pointers
    // PC-relative 4-byte values, as compilers write them for C++. The pointer slot and the function
    // lie near the section, as they do in an image.
    CallFrameSection section;
    Bytes& b = section.bytes;
    const size_t cie = b.size();
    b.u32(0).u32(0).u8(1).cstr("zPLR").uleb(1).sleb(-8).u8(16);
    b.uleb(7);  // augmentation data: P (1 + 4), L (1), R (1)
    b.u8(0x9b);
    const size_t personalityField = b.size();
    b.u32(0);
    b.u8(0x1b).u8(0x1b);
    b.bytes(CallFrameSection::entryRules());
    b.put32(cie, uint32_t(b.size() - cie - 4));
    const size_t fde = b.size();
    b.u32(0);
    b.u32(uint32_t(b.size() - cie));
    const size_t pcBeginField = b.size();
    b.u32(0).u32(0x80);  // PC begin (patched), range
    b.uleb(4).u32(0);    // augmentation data: the LSDA pointer
    b.put32(fde, uint32_t(b.size() - fde - 4));
    const size_t personalitySlot = b.size();
    b.u64(0x4242420);
    // Patch the PC-relative values now that the section's address is fixed.
    const auto base = reinterpret_cast<uintptr_t>(b.data.data());
    b.put32(personalityField, uint32_t(personalitySlot - personalityField));
    b.put32(pcBeginField, uint32_t(0x1000 - pcBeginField));

    CRKDwarfCFIRecord record;
    ASSERT_TRUE(parse(section, fde, &record));
    // The pointer's address is kept; the routine it names is not needed to walk.
    EXPECT_TRUE(record.cie.personalityIsIndirect);
    EXPECT_EQ(record.cie.personality, base + personalitySlot);
    uint64_t routine = 0;
    memcpy(&routine, reinterpret_cast<const void*>(record.cie.personality), sizeof(routine));
    EXPECT_EQ(routine, 0x4242420u);
    EXPECT_EQ(record.cie.pointerEncoding, 0x1b);
    EXPECT_EQ(record.cie.lsdaEncoding, 0x1b);
    EXPECT_EQ(record.fde.pcBegin, base + 0x1000);
    EXPECT_EQ(record.fde.pcRange, 0x80u);
    EXPECT_EQ(record.fde.instructionsLength, 0u);
}

TEST_F(CRKDwarfUnwindTest, UnsupportedCIEsAreRefused) {
    {
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules(), 2);
        const size_t fde = section.fde(cie, kFunction, 0x40, {});
        CRKDwarfCFIRecord record;
        EXPECT_FALSE(parse(section, fde, &record)) << "version 2";
    }
    {
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules(), 3);
        const size_t fde = section.fde(cie, kFunction, 0x40, {});
        CRKDwarfCFIRecord record;
        EXPECT_TRUE(parse(section, fde, &record)) << "version 3";
        EXPECT_EQ(record.cie.returnAddressRegister, 16u);
    }
    {
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules(), 1, "eh");
        const size_t fde = section.fde(cie, kFunction, 0x40, {});
        CRKDwarfCFIRecord record;
        EXPECT_FALSE(parse(section, fde, &record)) << "augmentation without z";
    }
    {
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules(), 1, "zQ", {1});
        const size_t fde = section.fde(cie, kFunction, 0x40, {}, true);
        CRKDwarfCFIRecord record;
        EXPECT_FALSE(parse(section, fde, &record)) << "unknown augmentation letter";
    }
}

TEST_F(CRKDwarfUnwindTest, RecordsReachingOutsideTheSectionAreRefused) {
    size_t fde = 0;
    CallFrameSection section = pushingFunction(&fde);
    CRKDwarfCFIRecord record;
    {
        CallFrameSection longer = section;
        longer.bytes.put32(fde, 0x10000);  // the FDE claims more than the section holds
        EXPECT_FALSE(parse(longer, fde, &record));
    }
    {
        CallFrameSection before = section;
        before.bytes.put32(fde + 4, uint32_t(fde + 4 + 64));  // CIE pointer before the section's start
        EXPECT_FALSE(parse(before, fde, &record));
    }
    {
        CallFrameSection zero = section;
        zero.bytes.put32(fde + 4, 0);
        EXPECT_FALSE(parse(zero, fde, &record));
    }
    {
        CallFrameSection cieTooLong = section;
        cieTooLong.bytes.put32(0, 0x7FFFFFF0);
        EXPECT_FALSE(parse(cieTooLong, fde, &record));
    }
    const auto start = reinterpret_cast<uintptr_t>(section.bytes.data.data());
    EXPECT_FALSE(
        CRKDwarfFDEInit(&record, start, start + section.bytes.size(), section.bytes.size(), nullptr));
    EXPECT_FALSE(CRKDwarfFDEInit(&record, start, start + section.bytes.size(), 0, nullptr));
    EXPECT_FALSE(CRKDwarfFDEInit(&record, 0, 100, 8, nullptr));
}

TEST_F(CRKDwarfUnwindTest, DamagedSectionsNeverFault) {
    // Every byte of a valid section flipped in turn, and random noise: parsing and computing may fail
    // but must stay inside the section and the guarded reader.
    size_t fde = 0;
    const CallFrameSection original = pushingFunction(&fde);
    std::mt19937 random(7);
    for (size_t i = 0; i < original.bytes.size() * 8; i++) {
        CallFrameSection damaged = original;
        damaged.bytes.data[i / 8] ^= uint8_t(1u << (i % 8));
        if (i % 3 == 0) damaged.bytes.data[random() % damaged.bytes.size()] = uint8_t(random());
        CRKDwarfCFIRecord record;
        if (!parse(damaged, fde, &record)) continue;
        auto context = contextAt(random() % 0x100);
        CRKDwarfUnwindComputeRegisters(&record, context.get());
    }
}

TEST_F(CRKDwarfUnwindTest, ExpressionsReadThroughTheGuardedReader) {
    auto context = contextAt(0);
    uint64_t value = 0;
    // breg7 8; deref: the word at SP + 8.
    const std::vector<uint8_t> breg = {3, 0x77, 8, 0x06};
    ASSERT_TRUE(CRKDwarfEvalulateExpression(breg.data(), &context->registers, 0, &value, nullptr));
    EXPECT_EQ(value, stack_[1]);
    // The initial value is the first entry: initial + 16 via plus_uconst, compared with ne.
    const std::vector<uint8_t> arithmetic = {6, 0x23, 16, 0x12, 0x36, 0x2e, 0x22};
    ASSERT_TRUE(CRKDwarfEvalulateExpression(arithmetic.data(), &context->registers, 100, &value, nullptr));
    EXPECT_EQ(value, 117u);  // (100 + 16) + (116 != 6)
    // deref_size 2 of the word at SP: its low two bytes.
    const std::vector<uint8_t> small = {4, 0x77, 0, 0x94, 2};
    ASSERT_TRUE(CRKDwarfEvalulateExpression(small.data(), &context->registers, 0, &value, nullptr));
    EXPECT_EQ(value, stack_[0] & 0xFFFF);

    const std::vector<uint8_t> plusOnOne = {1, 0x22};
    EXPECT_FALSE(CRKDwarfEvalulateExpression(plusOnOne.data(), &context->registers, 5, &value, nullptr));
    std::vector<uint8_t> tooDeep = {100};
    tooDeep.insert(tooDeep.end(), 100, 0x30);  // 100 pushes on top of the initial value
    EXPECT_FALSE(CRKDwarfEvalulateExpression(tooDeep.data(), &context->registers, 0, &value, nullptr));
    tooDeep[0] = 99;
    tooDeep.pop_back();
    EXPECT_TRUE(CRKDwarfEvalulateExpression(tooDeep.data(), &context->registers, 0, &value, nullptr));
    const std::vector<uint8_t> unmapped = {4, 0x40, 0x23, 0x10, 0x06};  // lit16; plus_uconst 16; deref
    EXPECT_FALSE(CRKDwarfEvalulateExpression(unmapped.data(), &context->registers, 0, &value, nullptr));
    const std::vector<uint8_t> badRegister = {2, 0x81, 0};
    EXPECT_FALSE(CRKDwarfEvalulateExpression(badRegister.data(), &context->registers, 0, &value, nullptr));
    const std::vector<uint8_t> empty = {0};
    EXPECT_FALSE(CRKDwarfEvalulateExpression(empty.data(), &context->registers, 0, &value, nullptr));
    const std::vector<uint8_t> badSize = {4, 0x77, 0, 0x94, 3};
    EXPECT_FALSE(CRKDwarfEvalulateExpression(badSize.data(), &context->registers, 0, &value, nullptr));
}

TEST_F(CRKDwarfUnwindTest, ExpressionRulesComputeTheCFAAndSavedRegisters) {
    CallFrameSection section;
    const size_t cie = section.cie({});
    // CFA = rsp + 24 by expression; the return address at CFA - 8 by expression (kind 4); rbx is the
    // value CFA - 16 (kind 5).
    const size_t fde = section.fde(cie, kFunction, 0x40,
                                   {0x0f, 2, 0x77, 24,            // def_cfa_expression: breg7 24
                                    0x10, 16, 3, 0x77, 16, 0x06,  // expression rip: breg7 16; deref
                                    0x16, 3, 2, 0x30, 0x22});     // val_expression rbx: lit0; plus
    CRKDwarfCFIRecord record;
    ASSERT_TRUE(parse(section, fde, &record));
    auto context = contextAt(1);
    // The rip rule evaluates breg7 16 → address SP + 16, then deref gives the pointer stored there;
    // the kind-4 rule reads the word at that pointer. Store a pointer to the return address slot.
    stack_[2] = reinterpret_cast<uintptr_t>(&stack_[5]);
    ASSERT_TRUE(CRKDwarfUnwindComputeRegisters(&record, context.get()));
    EXPECT_EQ(context->registers.ss.rsp, sp() + 24);
    EXPECT_EQ(context->registers.ss.rip, stack_[5]);
    EXPECT_EQ(context->registers.ss.rbx, sp() + 24);  // CFA + 0
}

// The expression stack holds exactly its limit, whichever operation fills it, and refuses one entry more
// without writing past its end.
TEST(CRKDwarfExpressionTest, TheStackHoldsExactlyItsLimitAndRefusesOneMore) {
    const std::pair<const char*, uint8_t> fillers[] = {{"lit31", 0x4f}, {"dup", 0x12}};
    CRKMachineContext registers{};
    for (const auto& [name, opcode] : fillers) {
        SCOPED_TRACE(name);
        // The initial value is the first entry: the limit less one operations fill the stack.
        std::vector<uint8_t> full = {uint8_t(CRKDwarfExpressionStackSize - 1)};
        full.insert(full.end(), CRKDwarfExpressionStackSize - 1, opcode);
        CRKDwarfExpressionMachine machine{};
        ASSERT_TRUE(
            CRKDwarfExpressionMachinePrepareForExecution(&machine, full.data(), &registers, 7, nullptr));
        while (!CRKDwarfExpressionMachineIsFinished(&machine))
            ASSERT_TRUE(CRKDwarfExpressionMachineExecuteNextOpcode(&machine));
        EXPECT_EQ(machine.top, CRKDwarfExpressionStackSize);
        uint64_t value = 0;
        EXPECT_TRUE(CRKDwarfExpressionMachineGetResult(&machine, &value));
        EXPECT_EQ(value, opcode == 0x12 ? 7u : 31u);

        std::vector<uint8_t> over = full;
        over[0] += 1;
        over.push_back(opcode);
        EXPECT_FALSE(CRKDwarfEvalulateExpression(over.data(), &registers, 7, &value, nullptr));
        CRKDwarfExpressionMachine refused{};
        ASSERT_TRUE(
            CRKDwarfExpressionMachinePrepareForExecution(&refused, over.data(), &registers, 7, nullptr));
        bool failed = false;
        while (!failed && !CRKDwarfExpressionMachineIsFinished(&refused))
            failed = !CRKDwarfExpressionMachineExecuteNextOpcode(&refused);
        EXPECT_TRUE(failed);
        EXPECT_LT(refused.top, 0);  // marked damaged; nothing was written past the last entry
        EXPECT_EQ(refused.position, refused.end);
    }
}

TEST(CRKDwarfReaderTest, NumbersAndPointerEncodings) {
    const std::vector<uint8_t> bytes = {0xE5, 0x8E, 0x26,  // ULEB 624485
                                        0x7F,              // SLEB -1
                                        0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                        0xFF, 0xFF, 0xFF, 0x7F,  // stops after 8
                                        0xFE, 0xFF,              // sdata2 -2
                                        'a',  'b',  0};
    CRKDwarfCursor cursor{bytes.data(), bytes.data() + bytes.size(), false};
    EXPECT_EQ(CRKParseULEB128AndAdvance(&cursor), 624485u);
    EXPECT_EQ(CRKParseLEB128AndAdvance(&cursor), -1);
    EXPECT_EQ(CRKParseULEB128AndAdvance(&cursor), (uint64_t(1) << 56) - 1);
    EXPECT_EQ(CRKParseUint8AndAdvance(&cursor), 0x7F);  // the ninth byte is left for the next read
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(&cursor, 0x0A, nullptr), uint64_t(-2));
    EXPECT_STREQ(CRKParseStringAndAdvance(&cursor), "ab");
    EXPECT_FALSE(cursor.failed);
    EXPECT_EQ(CRKParseUint32AndAdvance(&cursor), 0u);
    EXPECT_TRUE(cursor.failed);

    CRKDwarfCursor other{bytes.data(), bytes.data() + bytes.size(), false};
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(&other, 0xFF, nullptr), 0u);
    EXPECT_EQ(other.position, bytes.data());
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(&other, 0x05, nullptr), CRKDwarfInvalidAddress);
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(&other, 0x33, nullptr),
              CRKDwarfInvalidAddress);  // datarel
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(nullptr, 0x00, nullptr), CRKDwarfInvalidAddress);
    // An indirect pointer to unmapped memory reads as invalid, without a fault.
    const std::vector<uint8_t> pointer = {0x10, 0, 0, 0, 0, 0, 0, 0};
    CRKDwarfCursor indirect{pointer.data(), pointer.data() + pointer.size(), false};
    EXPECT_EQ(CRKParseAddressWithEncodingAndAdvance(&indirect, 0x80, nullptr), CRKDwarfInvalidAddress);
    // A string without its terminator fails the cursor.
    const std::vector<uint8_t> open = {'x', 'y'};
    CRKDwarfCursor unterminated{open.data(), open.data() + open.size(), false};
    EXPECT_EQ(CRKParseStringAndAdvance(&unterminated), nullptr);
    EXPECT_TRUE(unterminated.failed);
}

// A call-frame index (.eh_frame_hdr) and section laid out behind a page of "code".
struct IndexedImage {
    std::vector<uint8_t> memory;
    uintptr_t code = 0;
    uintptr_t header = 0;
    uintptr_t headerEnd = 0;
    uintptr_t ehFrame = 0;
    uintptr_t ehFrameEnd = 0;

    // One FDE per start offset, each covering 0x100 bytes, with the entry rules followed by that FDE's
    // own instructions, if given. The FDE at `signalFrame`, if any, has a CIE that marks it as a signal
    // trampoline's ("zS"). The image lies in `memory`, or at `placement` (0x3000 bytes) when given.
    IndexedImage(const std::vector<uint32_t>& starts, uint32_t count,
                 const std::vector<std::vector<uint8_t>>& instructions = {}, int signalFrame = -1,
                 uint8_t* placement = nullptr) {
        memory.assign(0x3000, 0);
        code = reinterpret_cast<uintptr_t>(placement ? placement : memory.data());
        header = code + 0x1000;
        ehFrame = code + 0x2000;
        CallFrameSection section;
        const size_t cie = section.cie(CallFrameSection::entryRules());
        const size_t signalCie = section.cie(CallFrameSection::entryRules(), 1, "zS");
        std::vector<size_t> fdes;
        for (size_t i = 0; i < starts.size(); i++) {
            const bool signal = int(i) == signalFrame;
            fdes.push_back(section.fde(signal ? signalCie : cie, code + starts[i], 0x100,
                                       i < instructions.size() ? instructions[i] : std::vector<uint8_t>{},
                                       signal));
        }
        section.bytes.u32(0);  // terminator
        memcpy(reinterpret_cast<uint8_t*>(ehFrame), section.bytes.data.data(), section.bytes.size());
        ehFrameEnd = ehFrame + section.bytes.size();
        Bytes h;
        h.u8(1).u8(0x1b).u8(0x03).u8(0x3b);
        h.u32(uint32_t(ehFrame - (header + 4)));
        h.u32(count);
        for (size_t i = 0; i < starts.size(); i++) {
            h.u32(uint32_t(code + starts[i] - header)).u32(uint32_t(ehFrame + fdes[i] - header));
        }
        memcpy(reinterpret_cast<uint8_t*>(header), h.data.data(), h.size());
        headerEnd = header + h.size();
    }
};

TEST(CRKDwarfHeaderTest, IndexFindsTheNearestEntryAtOrBelowThePC) {
    const IndexedImage image({0x10, 0x200, 0x400}, 3);
    uint64_t ehFrame = 0;
    const uint64_t first =
        CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0x10, &ehFrame);
    EXPECT_EQ(ehFrame, image.ehFrame);
    const uint64_t second =
        CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0x3ff, nullptr);
    const uint64_t third =
        CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0x900, nullptr);
    EXPECT_GT(first, image.ehFrame);
    EXPECT_GT(second, first);
    EXPECT_GT(third, second);
    EXPECT_LT(third, image.ehFrameEnd);
    EXPECT_EQ(CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0xf, nullptr), 0u);

    // A count larger than the index holds is refused, not read past.
    const IndexedImage lying({0x10, 0x200}, 1000000);
    EXPECT_EQ(CRKDwarfFindFDEInHeader(lying.header, lying.headerEnd, lying.code + 0x20, nullptr), 0u);
}

using CRKDwarfWalkTest = unwindtest::ImageTableTest;

TEST_F(CRKDwarfWalkTest, WalkerUsesAnImagesCallFrameIndexAndSurvivesACorruptOne) {
    IndexedImage image({0x0, 0x200}, 2);
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = 0x7777;  // the return address per the entry rules
    stack[4] = 0;       // a frame-pointer frame, for when the call-frame rules cannot be used
    stack[5] = 0x5555;

    // The frame pointer says 0x5555, but the function's rules say 0x7777 and win.
    auto frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x210, sp, sp + 32));
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1], 0x7777u);

    // A PC in the gap after the first function's range has no rules: the frame pointer is used.
    frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x150, sp, sp + 32));
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1], 0x5555u);

    // Corrupt the second FDE's CIE pointer and then the index: still no fault, the frame pointer wins.
    uint32_t garbage = 0x7FFFFFFF;
    const size_t secondFde = size_t(
        CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0x210, nullptr) - image.code);
    memcpy(&image.memory[secondFde + 4], &garbage, 4);
    frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x210, sp, sp + 32));
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1], 0x5555u);
    for (size_t i = 12; i < 28; i += 4) memcpy(&image.memory[0x1000 + i], &garbage, 4);
    frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x210, sp, sp + 32));
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[1], 0x5555u);
}

// A call that never returns (abort) is a function's last instruction, so its return address is the
// first byte of the next function. The caller's rules are found from the address one before it.
TEST_F(CRKDwarfWalkTest, AReturnAddressThatStartsTheNextFunctionIsLookedUpInTheCaller) {
    // 0x000: the caller, which keeps 16 more bytes on the stack (CFA = rsp + 24); 0x100: the next
    // function, with the entry rules; 0x200: the leaf the walk starts in.
    const std::vector<uint8_t> deeperFrame = {0x0e, 24};  // DW_CFA_def_cfa_offset 24
    IndexedImage image({0x0, 0x100, 0x200}, 3, {deeperFrame, {}, {}});
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = image.code + 0x100;  // the leaf's return address: the start of the next function
    stack[1] = 0x5555;              // where the next function's entry rules would find a return address
    stack[3] = 0x7777;              // where the caller's rules find it

    const auto frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x210, sp, 0));
    ASSERT_GE(frames.size(), 3u);
    EXPECT_EQ(frames[1], image.code + 0x100);
    EXPECT_EQ(frames[2], 0x7777u);
}

// Frame 0 is the instruction the thread was stopped at, and its own rules apply there: on a function's
// first byte (where the byte before belongs to a block with other rules), or where a push has just
// started a new row. Only a frame 0 made up at a call is a return address, looked up from inside it.
TEST_F(CRKDwarfWalkTest, TheStoppedFrameIsLookedUpWhereItStands) {
    // 0x000: a cold block split off from its function, which had built a frame of five words before
    // jumping there; 0x100: a function that pushes a word with its first instruction, one byte long.
    const std::vector<uint8_t> coldBlock = {0x0e, 40};      // from the first byte on, CFA = rsp + 40
    const std::vector<uint8_t> pushing = {0x41, 0x0e, 16};  // from byte 1 on, CFA = rsp + 16
    IndexedImage image({0x0, 0x100}, 2, {coldBlock, pushing});
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    for (size_t i = 0; i < stack.size(); i++) stack[i] = 0x10000 + 0x100 * i;
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());

    const struct {
        const char* what;
        uint64_t pc;
        bool returnAddress;
        size_t returnAddressSlot;  // the stack word the caller's return address is read from
    } cases[] = {
        {"the first byte of a function after a cold block", 0x100, false, 0},
        {"the first byte of the cold block", 0x0, false, 4},
        {"the instruction right after the push", 0x101, false, 1},
        {"the middle of the function", 0x150, false, 1},
        {"a made-up frame 0 after a call that ended the cold block", 0x100, true, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto context = std::make_unique<CRKUnwindContext>();
        CRKUnwindInit(context.get(), unwindtest::registersWith(image.code + c.pc, sp, 0));
        context->firstPCIsReturnAddress = c.returnAddress;
        std::vector<uint64_t> pcs;
        uint64_t callerSP = 0;
        while (pcs.size() < 2 && CRKUnwindNextFrame(context.get())) {
            pcs.push_back(CRKUnwindGetPC(context.get()));
            callerSP = CRKUnwindGetStackPointer(context.get());
        }
        // Frame 0 is reported as read, never stepped back.
        EXPECT_EQ(pcs, (std::vector<uint64_t>{image.code + c.pc, stack[c.returnAddressSlot]}));
        EXPECT_EQ(callerSP, sp + 8 * (c.returnAddressSlot + 1));
    }
}

// A signal trampoline's entry is marked "S": the frame it returns to was interrupted where it stood, on
// the first byte of a function here, and is looked up there like frame 0, not one byte back in the
// block before it. The walker says which frame that was.
TEST_F(CRKDwarfWalkTest, TheFrameBelowASignalTrampolineIsLookedUpWhereItWasInterrupted) {
    // 0x000: a cold block with a frame of five words; 0x100: a function with the entry rules; 0x200: the
    // signal trampoline.
    const std::vector<uint8_t> coldBlock = {0x0e, 40};
    IndexedImage image({0x0, 0x100, 0x200}, 3, {coldBlock, {}, {}}, 2);
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = image.code + 0x100;  // where the signal interrupted the function
    stack[1] = 0x7777;              // the function's return address, by its own rules
    stack[5] = 0x5555;              // where the cold block's rules would find one

    auto context = std::make_unique<CRKUnwindContext>();
    CRKUnwindInit(context.get(), unwindtest::registersWith(image.code + 0x210, sp, 0));
    std::vector<uint64_t> pcs;
    std::vector<bool> interrupted;
    while (pcs.size() < 3 && CRKUnwindNextFrame(context.get())) {
        pcs.push_back(CRKUnwindGetPC(context.get()));
        interrupted.push_back(CRKUnwindFrameIsInterrupted(context.get()));
    }
    EXPECT_EQ(pcs, (std::vector<uint64_t>{image.code + 0x210, image.code + 0x100, 0x7777}));
    EXPECT_EQ(interrupted, (std::vector<bool>{false, true, false}));
}

// A call through a null function pointer stops the thread at address 0, with the call's return address
// at the stack pointer: frame 0 is reported as it stood, and the walk goes on from that return address.
// Without a valid stack pointer there is nothing to walk; with a word there that lies in no image, or
// that no call instruction comes before, the walk ends at frame 0.
TEST_F(CRKDwarfWalkTest, ACallThroughANullPointerIsWalkedFromTheReturnAddressItPushed) {
    // 0x100: a function that pushes a word with its first instruction (from byte 1 on, CFA = rsp + 16),
    // and calls through a register (call *%rax) just before 0x150.
    IndexedImage image({0x0, 0x100}, 2, {{}, {0x41, 0x0e, 16}});
    image.memory[0x14e] = 0xFF;
    image.memory[0x14f] = 0xD0;
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = image.code + 0x150;  // pushed by the call through the null pointer
    stack[2] = 0x7777;              // the calling function's own return address, above its pushed word

    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(0, sp, 0)),
              (std::vector<uint64_t>{0, image.code + 0x150, 0x7777}));
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(8, sp, 0)),
              (std::vector<uint64_t>{8, image.code + 0x150, 0x7777}));
    EXPECT_TRUE(unwindtest::walk(unwindtest::registersWith(0, 8, 0)).empty());
    stack[0] = 0x7777;
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(0, sp, 0)), (std::vector<uint64_t>{0}));
}

// Any frame 0 where no code can run (unmapped, or data) is walked as a null call is: from the word at the
// stack pointer, taken for a return address only when a call instruction ends right before it. A return
// through a smashed return address leaves the pointer that lay above it there, a function's start say:
// no call comes before it, and the walk ends at frame 0 instead of making up callers from it.
TEST_F(CRKDwarfWalkTest, AWildCallIsWalkedFromTheReturnAddressOfItsCallAndNothingElse) {
    IndexedImage image({0x0, 0x100}, 2, {{}, {0x41, 0x0e, 16}});
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[2] = 0x7777;  // the calling function's own return address, above its pushed word
    std::vector<uint64_t> data(4, 0);
    const uint64_t unmapped = 0x8000;  // below the lowest address anything may be mapped at
    const uint64_t heap = reinterpret_cast<uintptr_t>(data.data());

    // The calls that end right before the return address at 0x180, each written at 0x170.
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool call;
    } endings[] = {
        {"call rel32", {0xE8, 0x11, 0x22, 0x33, 0x44}, true},
        {"call *%rax", {0xFF, 0xD0}, true},
        {"call *%r11", {0x41, 0xFF, 0xD3}, true},
        {"call *(%rbx)", {0xFF, 0x13}, true},
        {"call *8(%rax)", {0xFF, 0x50, 0x08}, true},
        {"call *8(%rsp)", {0xFF, 0x54, 0x24, 0x08}, true},
        {"call *0x100(%rax)", {0xFF, 0x90, 0x00, 0x01, 0x00, 0x00}, true},
        {"call *0x100(%rip)", {0xFF, 0x15, 0x00, 0x01, 0x00, 0x00}, true},
        {"call *table(,%rax,8)", {0xFF, 0x14, 0xC5, 0x00, 0x10, 0x00, 0x00}, true},
        {"jmp *%rax", {0xFF, 0xE0}, false},
        {"push %rbp; mov %rsp,%rbp", {0x55, 0x48, 0x89, 0xE5}, false},
        {"call *8(%rax) cut short", {0xFF, 0x50}, false},
        {"padding", {0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC}, false},
    };
    for (const auto& ending : endings) {
        SCOPED_TRACE(ending.what);
        std::fill(image.memory.begin() + 0x170, image.memory.begin() + 0x180, uint8_t(0x90));
        std::copy(ending.bytes.begin(), ending.bytes.end(),
                  image.memory.begin() + 0x180 - long(ending.bytes.size()));
        stack[0] = image.code + 0x180;
        for (const uint64_t pc : {unmapped, heap, uint64_t(0)}) {
            const std::vector<uint64_t> expected = ending.call
                                                       ? std::vector<uint64_t>{pc, image.code + 0x180, 0x7777}
                                                       : std::vector<uint64_t>{pc};
            EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(pc, sp, 0)), expected) << std::hex << pc;
        }
    }
    // A pointer to a function's first byte, with the end of the function before it.
    image.memory[0xff] = 0xC3;
    stack[0] = image.code + 0x100;
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(0, sp, 0)), (std::vector<uint64_t>{0}));
}

// A library closed since the image table last heard of it keeps its slot, but its memory is gone: a frame
// in it is no frame of a known image. Its call-frame index is not read in place (that would fault, and the
// crash handler with it); the walk goes on by the frame pointer, which is 0 here, and ends.
TEST_F(CRKDwarfWalkTest, AnImageUnmappedSinceItWasRecordedIsNoImageToTheWalk) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    IndexedImage live({0x0}, 1);
    ASSERT_TRUE(addImage(live.code, 0x1000, 0, live.ehFrame, live.ehFrameEnd, live.header, live.headerEnd));
    // The closed library, in memory of its own: recorded, then unmapped.
    void* mapping = mmap(nullptr, 0x3000, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    IndexedImage library({0x0, 0x100}, 2, {}, -1, static_cast<uint8_t*>(mapping));
    const uintptr_t closed = library.code;
    ASSERT_TRUE(
        addImage(closed, 0x1000, 0, library.ehFrame, library.ehFrameEnd, library.header, library.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = closed + 0x150;  // frame 0's return address, into the closed library
    stack[1] = 0x7777;          // where the closed library's entry rules would find the next one

    // Walked while the library is mapped, its rules apply; once it is gone the walk must not fault.
    const std::vector<uint64_t> whileMapped =
        unwindtest::walk(unwindtest::registersWith(live.code + 0x10, sp, 0));
    EXPECT_EQ(whileMapped, (std::vector<uint64_t>{live.code + 0x10, closed + 0x150, 0x7777}));
    ASSERT_EQ(munmap(mapping, 0x3000), 0);
    EXPECT_EXIT(
        {
            const auto frames = unwindtest::walk(unwindtest::registersWith(live.code + 0x10, sp, 0));
            _exit(frames == std::vector<uint64_t>{live.code + 0x10, closed + 0x150} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// A library closed since the table last heard of it, and something else mapped where its call-frame
// index was: bytes that read as an index (another library's, of another layout) but name a call-frame
// section other than the one recorded. Its entries are not followed: they would send the walk into the
// recorded section's place, which is gone, and the crash handler would fault there. The walk goes on by
// the frame pointer instead, which is 0 here, and ends.
TEST_F(CRKDwarfWalkTest, AnIndexNamingAnotherSectionThanTheRecordedOneIsNotFollowed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    void* mapping = mmap(nullptr, 0x3000, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapping, MAP_FAILED);
    IndexedImage image({0x0}, 1, {}, -1, static_cast<uint8_t*>(mapping));
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    const uint64_t sp = reinterpret_cast<uintptr_t>(stack.data());
    stack[0] = 0x7777;  // the return address per the recorded entry rules
    EXPECT_EQ(unwindtest::walk(unwindtest::registersWith(image.code + 0x10, sp, 0)),
              (std::vector<uint64_t>{image.code + 0x10, 0x7777}));

    // The recorded section's page is gone; the index's page holds one as long, naming a section in its
    // own page, whose entry for the function points where the recorded entry was.
    const uint64_t recordedEntry = CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code, nullptr);
    ASSERT_GE(recordedEntry, image.ehFrame);
    ASSERT_LT(recordedEntry, image.ehFrameEnd);
    ASSERT_EQ(munmap(reinterpret_cast<void*>(image.ehFrame), 0x1000), 0);
    unwindtest::Bytes other;
    other.u8(1).u8(0x1b).u8(0x03).u8(0x3b).u32(0x800 - 4).u32(1);
    other.u32(uint32_t(image.code - image.header)).u32(uint32_t(recordedEntry - image.header));
    ASSERT_EQ(image.header + other.size(), image.headerEnd);
    memcpy(reinterpret_cast<void*>(image.header), other.data.data(), other.size());
    // The same index read alone does lead there.
    ASSERT_EQ(CRKDwarfFindFDEInHeader(image.header, image.headerEnd, image.code + 0x10, nullptr), recordedEntry);

    EXPECT_EXIT(
        {
            const auto frames = unwindtest::walk(unwindtest::registersWith(image.code + 0x10, sp, 0));
            _exit(frames == std::vector<uint64_t>{image.code + 0x10} ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    munmap(mapping, 0x2000);
}

// The recorder walks a thread stopped by a signal from the instruction it stood on (its own rules), and
// only the state it makes up for its own thread from a return address.
TEST_F(CRKDwarfWalkTest, TheRecorderWalksAThreadStoppedByASignalFromWhereItStood) {
    const std::vector<uint8_t> coldBlock = {0x0e, 40};
    IndexedImage image({0x0, 0x100}, 2, {coldBlock, {}});
    ASSERT_TRUE(
        addImage(image.code, 0x1000, 0, image.ehFrame, image.ehFrameEnd, image.header, image.headerEnd));
    std::vector<uint64_t> stack(16, 0);
    for (size_t i = 0; i < stack.size(); i++) stack[i] = 0x10000 + 0x100 * i;
    ucontext_t stopped{};
    stopped.uc_mcontext.gregs[REG_RIP] = greg_t(image.code + 0x100);
    stopped.uc_mcontext.gregs[REG_RSP] = greg_t(reinterpret_cast<uintptr_t>(stack.data()));

    const std::string path = logPath() + ".threads";
    CRKFile file;
    ASSERT_TRUE(CRKFileInitWithPath(&file, path.c_str(), false));
    CRKProcess process;
    const CRKThread self = CRKProcessCurrentThread();
    ASSERT_TRUE(CRKProcessInit(&process, self, &stopped));
    CRKProcessRecordAllThreads(&process, &file);
    CRKFileClose(&file);

    const auto sections = CRKFileReadSections(path.c_str(), false);
    ASSERT_TRUE(sections && !sections->empty());
    const platform::Value::Array* threads = (*sections)[0]["threads"].array();
    ASSERT_TRUE(threads);
    std::vector<uint64_t> crashed;
    for (const platform::Value& thread : *threads) {
        if (!thread["crashed"].number()) continue;
        for (const platform::Value& frame : *thread["stacktrace"].array())
            crashed.push_back(frame.number()->unsignedLongLongValue());
    }
    ASSERT_GE(crashed.size(), 2u);
    EXPECT_EQ(crashed[0], image.code + 0x100);
    EXPECT_EQ(crashed[1], stack[0]);
}

}  // namespace
