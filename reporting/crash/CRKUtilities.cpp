#include "reporting/crash/CRKUtilities.h"

#include <sys/random.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <openssl/rand.h>
#include <openssl/sha.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKSDKLog.h"

namespace reporting {

void CRKDladdrWithBlock(uintptr_t address, const std::function<void(const char*, const char*)>& block) {
    if (!block) return;
    Dl_info info;
    if (dladdr(reinterpret_cast<const void*>(address), &info) == 0) {
        block(nullptr, nullptr);
        return;
    }
    block(info.dli_sname ? info.dli_sname : "unknown", info.dli_fname ? info.dli_fname : "unknown");
}

void CRKHexEncodeByte(uint8_t byte, char out[2]) {
    static const char digits[] = "0123456789abcdef";
    out[0] = digits[byte >> 4];
    out[1] = digits[byte & 0xF];
}

uint8_t CRKHexDecodeDigit(char digit) {
    if (digit >= '0' && digit <= '9') return uint8_t(digit - '0');
    if (digit >= 'a' && digit <= 'f') return uint8_t(digit - 'a' + 10);
    if (digit >= 'A' && digit <= 'F') return uint8_t(digit - 'A' + 10);
    return 255;
}

void CRKHexEncodeBytes(const void* bytes, size_t length, char* out) {
    if (!out) return;
    memset(out, 0, 2 * length + 1);
    if (!bytes) return;
    const auto* p = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < length; i++) CRKHexEncodeByte(p[i], out + 2 * i);
}

bool CRKReadMemory(uintptr_t source, void* destination, size_t length) {
    if (source < 4096 || !destination) return false;
    if (length == 0) return true;
    // The kernel copies from our own process and reports an unmapped page as a failed read.
    struct iovec local = {destination, length};
    struct iovec remote = {reinterpret_cast<void*>(source), length};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(length);
}

bool CRKReadString(uintptr_t address, const char** out, size_t maximum) {
    if (address < 4096 || !out) return false;
    for (size_t i = 0; i < maximum; i++) {
        char byte;
        if (!CRKReadMemory(address + i, &byte, 1)) return false;
        if (byte == '\0') {
            *out = reinterpret_cast<const char*>(address);
            return true;
        }
    }
    return false;
}

const char* CRKDupString(const char* text) {
    if (!text) return nullptr;
    const size_t length = strlen(text) + 1;
    // A start-up block copies into the mapping of the context it starts, whichever is the process's by then.
    // A null allocator (no context yet) takes the heap with a warning; that copy lives for the process.
    CRKAllocator* allocator = CRKContextInUseOnThisThread().allocator;
    char* copy = static_cast<char*>(CRKAllocatorSafeAllocate(allocator, length, CRKAllocationTypeReadOnly));
    if (!copy) return nullptr;
    memcpy(copy, text, length);
    return copy;
}

void CRKDispatchAfter(const std::shared_ptr<platform::DispatchQueue>& queue, const platform::Closure& block,
                      float seconds) {
    if (!queue || !block) return;
    queue->asyncAfter(seconds, block);
}

void CRKAddOperationAfter(double seconds, const std::shared_ptr<OperationQueue>& queue,
                          const std::function<void()>& block) {
    if (!queue || !block) return;
    platform::DispatchQueue::global().asyncAfter(seconds,
                                                 [queue, block]() { queue->addOperationWithBlock(block); });
}

bool CRKUnlinkIfExists(const char* path) {
    if (!path) return false;
    // The kit resets only regular files of its own: a device, a pipe or a link put in a record's place
    // (or a caller handing it a system path such as /dev/null) is left alone and reported.
    struct stat st;
    if (lstat(path, &st) != 0) return errno == ENOENT;
    if (!S_ISREG(st.st_mode)) {
        CRKSDKLOG_WARN("Refusing to remove %s: it is not a regular file\n", path);
        errno = EINVAL;
        return false;
    }
    return unlink(path) == 0 || errno == ENOENT;
}

std::string CRKGenerateUUID() {
    uint8_t bytes[16];
    // The kernel's generator first: it needs no set-up of the TLS library.
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes) &&
        RAND_bytes(bytes, sizeof bytes) != 1)
        return "";
    bytes[6] = (bytes[6] & 0x0F) | 0x40;  // version 4
    bytes[8] = (bytes[8] & 0x3F) | 0x80;  // the RFC 4122 variant
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; i++) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
        text.push_back(digits[bytes[i] >> 4]);
        text.push_back(digits[bytes[i] & 0xF]);
    }
    return text;
}

std::string CRKNormalizeUUID(const std::string& uuid) {
    std::string text;
    for (char c : uuid) {
        if (c == '-') continue;
        text.push_back(c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c);
    }
    return text;
}

std::string CRKGenerateNormalizedUUID() {
    return CRKNormalizeUUID(CRKGenerateUUID());
}

std::string CRKNSDataToHexString(const platform::Data& data) {
    std::string text(2 * data.size(), '\0');
    for (size_t i = 0; i < data.size(); i++) CRKHexEncodeByte(data.bytes()[i], text.data() + 2 * i);
    return text;
}

std::string CRKHashBytes(const void* bytes, size_t length) {
    uint8_t digest[SHA_DIGEST_LENGTH];
    SHA1(static_cast<const uint8_t*>(bytes ? bytes : ""), bytes ? length : 0, digest);
    return CRKNSDataToHexString(platform::Data(digest, sizeof digest));
}

std::string CRKHashNSData(const platform::Data& data) {
    return CRKHashBytes(data.bytes(), data.size());
}

bool CRKMapFile(const char* path, uint64_t minimumSize, int32_t* fd, uint64_t* mappedSize,
                const void** mappedFile) {
    if (!path) return false;
    int descriptor = open(path, O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return false;
    struct stat st;
    if (fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) < minimumSize) {
        close(descriptor);
        return false;
    }
    void* mapping = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_SHARED, descriptor, 0);
    if (mapping == MAP_FAILED) {
        close(descriptor);
        return false;
    }
    *fd = descriptor;
    *mappedSize = uint64_t(st.st_size);
    *mappedFile = mapping;
    return true;
}

void CRKUnmapFile(int32_t* fd, uint64_t* mappedSize, const void** mappedFile) {
    if (*mappedFile && *mappedSize > 0) munmap(const_cast<void*>(*mappedFile), *mappedSize);
    if (*fd >= 0) close(*fd);
    *fd = -1;
    *mappedFile = nullptr;
    *mappedSize = 0;
}

}  // namespace reporting
