#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/unwind/CRKUnwind.h"
#include "tests/support/TestEnvironment.h"

namespace unwindtest {

// Little-endian byte assembly for hand-made unwind sections.
struct Bytes {
    std::vector<uint8_t> data;

    size_t size() const { return data.size(); }
    Bytes& u8(uint8_t v) {
        data.push_back(v);
        return *this;
    }
    Bytes& u16(uint16_t v) { return raw(&v, 2); }
    Bytes& u32(uint32_t v) { return raw(&v, 4); }
    Bytes& u64(uint64_t v) { return raw(&v, 8); }
    Bytes& raw(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        data.insert(data.end(), b, b + n);
        return *this;
    }
    Bytes& bytes(const std::vector<uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
        return *this;
    }
    Bytes& uleb(uint64_t v) {
        do {
            uint8_t byte = v & 0x7F;
            v >>= 7;
            if (v) byte |= 0x80;
            data.push_back(byte);
        } while (v);
        return *this;
    }
    Bytes& sleb(int64_t v) {
        bool more = true;
        while (more) {
            uint8_t byte = v & 0x7F;
            v >>= 7;
            more = !((v == 0 && !(byte & 0x40)) || (v == -1 && (byte & 0x40)));
            if (more) byte |= 0x80;
            data.push_back(byte);
        }
        return *this;
    }
    Bytes& cstr(const std::string& s) {
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(0);
        return *this;
    }
    void put32(size_t at, uint32_t v) { memcpy(&data[at], &v, 4); }
};

// A call-frame section assembled in memory. CIEs use absolute 8-byte addresses unless told otherwise.
struct CallFrameSection {
    Bytes bytes;

    // A CIE with an empty augmentation (or the given "z..." one with its data); answers its offset.
    size_t cie(const std::vector<uint8_t>& instructions, uint8_t version = 1,
               const std::string& augmentation = "", const std::vector<uint8_t>& augmentationData = {},
               int64_t dataAlignment = -8) {
        const size_t start = bytes.size();
        bytes.u32(0);  // length, patched below
        bytes.u32(0);  // CIE id
        bytes.u8(version).cstr(augmentation).uleb(1).sleb(dataAlignment);
        if (version == 1) {
            bytes.u8(16);
        } else {
            bytes.uleb(16);
        }
        if (!augmentation.empty() && augmentation[0] == 'z')
            bytes.uleb(augmentationData.size()).bytes(augmentationData);
        bytes.bytes(instructions);
        bytes.put32(start, uint32_t(bytes.size() - start - 4));
        return start;
    }

    // An FDE of the CIE at `cieOffset` covering [pcBegin, pcBegin + pcRange), with absolute addresses.
    size_t fde(size_t cieOffset, uint64_t pcBegin, uint64_t pcRange, const std::vector<uint8_t>& instructions,
               bool augmented = false) {
        const size_t start = bytes.size();
        bytes.u32(0);
        const size_t pointerField = bytes.size();
        bytes.u32(uint32_t(pointerField - cieOffset));
        bytes.u64(pcBegin).u64(pcRange);
        if (augmented) bytes.uleb(0);
        bytes.bytes(instructions);
        bytes.put32(start, uint32_t(bytes.size() - start - 4));
        return start;
    }

    // The usual entry rules of x86-64: CFA = rsp + 8, return address at CFA - 8.
    static std::vector<uint8_t> entryRules() { return {0x0c, 7, 8, 0x80 | 16, 1}; }
};

// A fresh binary-image table for each test, over a writable area the test owns.
class ImageTableTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        writable_ = std::make_unique<reporting::CRKWritableContext>();
        logPath_ = home() + "/binary_images.crkrecord";
        reporting::CRKBinaryImageInit(logPath_.c_str(), writable_.get());
        runUntilIdle();
    }
    void TearDown() override {
        runUntilIdle();
        reporting::CRKBinaryImageResetForTesting();
        KestruneTest::TearDown();
    }

    // Puts a made-up image in the table (no record is written for it).
    static bool addImage(uintptr_t base, uint64_t size, uintptr_t unwindInfo = 0, uintptr_t ehFrame = 0,
                         uintptr_t ehFrameEnd = 0, uintptr_t ehFrameHeader = 0,
                         uintptr_t ehFrameHeaderEnd = 0) {
        reporting::CRKBinaryImageDetails details{};
        details.loadAddress = base;
        details.slice.startAddress = base;
        details.textSize = size;
        details.unwindInfo = unwindInfo;
        details.ehFrame = ehFrame;
        details.ehFrameEnd = ehFrameEnd;
        details.ehFrameHeader = ehFrameHeader;
        details.ehFrameHeaderEnd = ehFrameHeaderEnd;
        return reporting::CRKBinaryImageStoreNode(true, &details);
    }
    static bool removeImage(uintptr_t base) {
        reporting::CRKBinaryImageDetails details{};
        details.loadAddress = base;
        return reporting::CRKBinaryImageStoreNode(false, &details);
    }

    reporting::CRKWritableContext* writable() { return writable_.get(); }
    const std::string& logPath() const { return logPath_; }

private:
    std::unique_ptr<reporting::CRKWritableContext> writable_;
    std::string logPath_;
};

// Walks from `registers` to the end and answers every PC.
inline std::vector<uint64_t> walk(const reporting::CRKMachineContext& registers, size_t limit = 256) {
    auto context = std::make_unique<reporting::CRKUnwindContext>();
    reporting::CRKUnwindInit(context.get(), registers);
    std::vector<uint64_t> pcs;
    while (pcs.size() < limit && reporting::CRKUnwindNextFrame(context.get())) {
        pcs.push_back(reporting::CRKUnwindGetPC(context.get()));
    }
    return pcs;
}

inline reporting::CRKMachineContext registersWith(uint64_t pc, uint64_t sp, uint64_t fp) {
    reporting::CRKMachineContext registers{};
    registers.ss.rip = pc;
    registers.ss.rsp = sp;
    registers.ss.rbp = fp;
    return registers;
}

}  // namespace unwindtest
