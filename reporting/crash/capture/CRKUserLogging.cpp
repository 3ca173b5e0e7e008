#include "reporting/crash/capture/CRKUserLogging.h"

#include <execinfo.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/store/CRKFileReader.h"
#include "reporting/crash/store/CRKReport.h"

namespace reporting {

namespace {

std::atomic<bool> gUninitializedMessagingDisabled{false};
std::atomic<bool (*)(int)> gCompactionStepHook{nullptr};

bool compactionMayContinue(int step) {
    bool (*hook)(int) = gCompactionStepHook.load();
    return !hook || hook(step);
}

// Runs the block on the logging queue and waits for it; inline when there is no queue (tests of the
// pieces without a running kit) or when already on it.
void onLoggingQueue(const platform::Closure& block) {
    const auto& queue = CRKSharedContext().loggingQueue;
    if (!queue || queue->isCurrent()) {
        block();
    } else {
        queue->sync(block);
    }
}

void laterOnLoggingQueue(platform::Closure block) {
    const auto& queue = CRKSharedContext().loggingQueue;
    if (!queue) {
        block();
    } else {
        queue->async(std::move(block));
    }
}

bool validStorage(const CRKUserLoggingKVStorage& storage) {
    return storage.incrementalPath && storage.compactedPath;
}

void writeKeyValueRecord(CRKFile* file, const char* key, const char* value, bool alreadyHex) {
    CRKFileWriteSectionStart(file, "kv");
    CRKFileWriteHashStart(file);
    if (alreadyHex) {
        CRKFileWriteHashEntryString(file, "key", key);
        CRKFileWriteHashEntryString(file, "value", value);
    } else {
        CRKFileWriteHashEntryHexEncodedString(file, "key", key);
        CRKFileWriteHashEntryHexEncodedString(file, "value", value);
    }
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

// The "kv" entries of one file, in file order; none when the file is missing or unreadable (an
// unreadable file is removed).
std::vector<platform::Value> kvEntries(const char* path) {
    std::vector<platform::Value> entries;
    if (!CRKContextIsInitialized() || access(path, F_OK) != 0) return entries;
    auto sections = CRKFileReadSections(path, true);
    if (!sections) return entries;
    for (const auto& section : *sections) {
        const platform::Value::Dictionary* object = section.dictionary();
        if (!object) continue;
        const auto kv = object->find("kv");
        if (kv != object->end() && kv->second.dictionary()) entries.push_back(kv->second);
    }
    return entries;
}

// The current keys, oldest assignment first: a key set again moves to the end, so that truncation can
// keep the keys set most recently.
struct OrderedEntries {
    std::vector<std::pair<std::string, std::string>> entries;

    void set(const std::string& key, const std::string& value) {
        remove(key);
        entries.emplace_back(key, value);
    }
    void remove(const std::string& key) {
        for (auto it = entries.begin(); it != entries.end(); ++it) {
            if (it->first == key) {
                entries.erase(it);
                return;
            }
        }
    }
};

OrderedEntries currentEntries(const CRKUserLoggingKVStorage& storage, bool decode) {
    OrderedEntries result;
    const auto decoded = [decode](const std::string& text) {
        return decode ? CRKFileHexDecodeString(text.c_str()) : text;
    };
    for (const auto& entry : kvEntries(storage.compactedPath)) {
        const std::string* key = entry["key"].string();
        const std::string* value = entry["value"].string();
        if (!key || !value) {
            CRKSDKLOG_ERROR("compacted key/value contains a nil and must be dropped\n");
            continue;
        }
        result.set(decoded(*key), decoded(*value));
    }
    for (const auto& entry : kvEntries(storage.incrementalPath)) {
        const std::string* key = entry["key"].string();
        const auto found = entry.dictionary()->find("value");
        const platform::Value* value = found == entry.dictionary()->end() ? nullptr : &found->second;
        if (!key || !value) {
            CRKSDKLOG_ERROR("incremental key/value contains a nil and must be dropped\n");
            continue;
        }
        if (value->isNull()) {
            result.remove(decoded(*key));
        } else if (const std::string* text = value->string()) {
            result.set(decoded(*key), decoded(*text));
        }
    }
    return result;
}

void checkAndSwapABFiles(const CRKUserLoggingABStorage* storage, const char** currentFile, uint64_t offset) {
    if (!storage->restrictBySize) {
        if (!storage->entryCount) {
            CRKSDKLOG_ERROR("Error: storage has invalid pointer, but is restricted by entry count\n");
            return;
        }
        if (*storage->entryCount < storage->maxEntries) return;
        *storage->entryCount = 0;
    } else if (offset <= storage->maxSize) {
        return;
    }
    const char* other = *currentFile == storage->aPath ? storage->bPath : storage->aPath;
    if (other && other[0] != '\0') unlink(other);
    *currentFile = other;
}

void initABStorage(CRKUserLoggingABStorage* storage, const char* root, const char* a, const char* b,
                   uint32_t maxSize, uint32_t maxEntries, bool bySize, uint32_t* counter) {
    const auto path = [root](const char* name) {
        std::string joined(root);
        if (!joined.empty() && joined.back() != '/') joined += '/';
        return CRKDupString((joined + name).c_str());
    };
    storage->aPath = path(a);
    storage->bPath = path(b);
    storage->maxSize = maxSize;
    storage->maxEntries = maxEntries;
    storage->restrictBySize = bySize;
    storage->entryCount = counter;
}

std::string formatted(const char* format, va_list arguments) {
    va_list copy;
    va_copy(copy, arguments);
    const int length = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0) return std::string();
    std::string text(size_t(length) + 1, '\0');
    vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(size_t(length));
    return text;
}

void recordKeyValue(const platform::Value& key, const platform::Value& value, bool user) {
    if (key.isNull()) {
        CRKSDKLOG_WARN("User provided bad key\n");
        return;
    }
    const CRKContext& context = CRKSharedContext();
    if (!CRKContextIsInitialized()) return;
    CRKUserLoggingRecordKeyValue(
        CRKUserLoggingDescription(key), value,
        user ? context.readonly->userKVStorage : context.readonly->internalKVStorage,
        user ? &context.writable->userKVIncrementalCount : &context.writable->internalKVIncrementalCount);
}

}  // namespace

std::string CRKUserLoggingDescription(const platform::Value& value) {
    if (const std::string* text = value.string()) return *text;
    return value.description();
}

void CRKUserLoggingInit(CRKReadOnlyContext* readonly, CRKWritableContext* writable,
                        const CRKContextInitData* data) {
    if (!readonly || !writable || !data || !data->rootPath) return;
    const char* root = data->rootPath;
    initABStorage(&readonly->logStorage, root, "log_a.crkrecord", "log_b.crkrecord", data->logBufferSize, 0,
                  true, nullptr);
    initABStorage(&readonly->errorStorage, root, "errors_a.crkrecord", "errors_b.crkrecord", 0,
                  data->errorReportingEnabled ? data->maxCustomExceptions : 0, false, &writable->errorCount);
    initABStorage(&readonly->customExceptionStorage, root, "custom_exception_a.crkrecord",
                  "custom_exception_b.crkrecord", 0, data->maxCustomExceptions, false,
                  &writable->customExceptionCount);
    std::string folder(root);
    if (!folder.empty() && folder.back() != '/') folder += '/';
    readonly->userKVStorage = {CRKDupString((folder + "user_incremental_kv.crkrecord").c_str()),
                               CRKDupString((folder + "user_compacted_kv.crkrecord").c_str()), 64,
                               data->maxCustomKeys};
    readonly->internalKVStorage = {CRKDupString((folder + "internal_incremental_kv.crkrecord").c_str()),
                                   CRKDupString((folder + "internal_compacted_kv.crkrecord").c_str()), 64,
                                   32};
    writable->logCurrentFile = readonly->logStorage.aPath;
    writable->errorsCurrentFile = readonly->errorStorage.aPath;
    writable->customExceptionCurrentFile = readonly->customExceptionStorage.aPath;
    writable->userKVIncrementalCount = 0;
    writable->internalKVIncrementalCount = 0;
    writable->errorCount = 0;

    CRKReport::KeyValueFunctions functions;
    functions.record = [](const std::string& key, const platform::Value& value,
                          CRKUserLoggingKVStorage storage,
                          uint32_t* counter) { CRKUserLoggingRecordKeyValue(key, value, storage, counter); };
    functions.compactedEntries = CRKUserLoggingGetCompactedKVEntries;
    CRKReport::setKeyValueFunctions(functions);
}

void CRKUserLoggingWriteAndCheckABFiles(const CRKUserLoggingABStorage* storage, const char** currentFile,
                                        const CRKUserLoggingWriter& writer) {
    if (!storage || !currentFile || !writer || !*currentFile) return;
    if (storage->restrictBySize ? storage->maxSize == 0 : storage->maxEntries == 0) return;
    uint64_t offset = 0;
    onLoggingQueue([&] {
        CRKFile file;
        if (!CRKFileInitWithPathMode(&file, *currentFile, true, true)) {
            CRKSDKLOG_WARN("Unable to open log file\n");
            return;
        }
        writer(&file);
        CRKFileCloseWithOffset(&file, &offset);
        if (!storage->restrictBySize && storage->entryCount) (*storage->entryCount)++;
    });
    laterOnLoggingQueue(
        [storage, currentFile, offset] { checkAndSwapABFiles(storage, currentFile, offset); });
}

void CRKLogv(const char* format, va_list arguments) {
    if (!format) return;
    CRKUserLoggingRecordLogMessage(formatted(format, arguments));
}

void CRKLog(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CRKLogv(format, arguments);
    va_end(arguments);
}

void CRKNSLogv(const char* format, va_list arguments) {
    if (!format) return;
    const std::string message = formatted(format, arguments);
    platform::logf("%s", message.c_str());
    CRKUserLoggingRecordLogMessage(message);
}

void CRKNSLog(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    CRKNSLogv(format, arguments);
    va_end(arguments);
}

void CRKUserLoggingRecordLogMessage(const std::optional<std::string>& message) {
    if (!message) return;
    if (!CRKContextIsInitialized()) {
        if (!gUninitializedMessagingDisabled.load()) {
            platform::logf(
                "[CrashKit:Crash] WARNING: CRKLog has been used before (or concurrently with) CrashKit "
                "initialization and cannot be recorded. The message was: \n%s",
                message->c_str());
        }
        return;
    }
    const CRKContext& context = CRKSharedContext();
    const CRKUserLoggingABStorage* storage = &context.readonly->logStorage;
    std::string text = *message;
    const size_t length = platform::utf16Length(text);
    if (storage->maxSize > 0 && length > storage->maxSize) {
        platform::logf(
            "WARNING: Attempted to write %zd bytes, but %d is the maximum size of the log. Truncating "
            "to %d bytes.\n",
            ssize_t(length), int(storage->maxSize), int(storage->maxSize));
        text = platform::prefixUTF16(text, storage->maxSize);
    }
    struct timeval now;
    if (gettimeofday(&now, nullptr) != 0) return;
    const uint64_t milliseconds = uint64_t(now.tv_sec) * 1000 + uint64_t(now.tv_usec) / 1000;
    CRKUserLoggingWriteAndCheckABFiles(storage, &context.writable->logCurrentFile, [&](CRKFile* file) {
        CRKFileWriteSectionStart(file, "log");
        CRKFileWriteHashStart(file);
        CRKFileWriteHashEntryHexEncodedString(file, "msg", text.c_str());
        CRKFileWriteHashEntryUInt64(file, "time", milliseconds);
        CRKFileWriteHashEnd(file);
        CRKFileWriteSectionEnd(file);
    });
}

void CRKUserLoggingRecordUserKeyValue(const platform::Value& key, const platform::Value& value) {
    recordKeyValue(key, value, true);
}

void CRKUserLoggingRecordInternalKeyValue(const platform::Value& key, const platform::Value& value) {
    recordKeyValue(key, value, false);
}

void CRKUserLoggingRecordKeyValue(const std::string& key, const platform::Value& value,
                                  CRKUserLoggingKVStorage storage, uint32_t* counter) {
    if (!CRKContextIsInitialized()) return;
    const std::optional<std::string> text =
        value.isNull() ? std::nullopt : std::optional<std::string>(CRKUserLoggingDescription(value));
    onLoggingQueue([&] { CRKUserLoggingWriteKeyValue(key, text, storage, counter); });
}

void CRKUserLoggingWriteKeyValue(const std::string& key, const std::optional<std::string>& value,
                                 CRKUserLoggingKVStorage storage, uint32_t* counter) {
    if (!validStorage(storage) || !counter) {
        CRKSDKLOG_ERROR("Bad parameters\n");
        return;
    }
    CRKFile file;
    if (!CRKFileInitWithPathMode(&file, storage.incrementalPath, true, true)) {
        CRKSDKLOG_ERROR("Unable to open k-v file\n");
        return;
    }
    writeKeyValueRecord(&file, key.c_str(), value ? value->c_str() : nullptr, false);
    CRKFileClose(&file);
    if (++*counter >= storage.maxIncrementalCount) {
        laterOnLoggingQueue([storage, counter] {
            CRKUserLoggingCompactKVEntries(storage);
            *counter = 0;
        });
    }
}

void CRKUserLoggingWriteInternalKeyValue(const std::string& key, const std::optional<std::string>& value) {
    if (!CRKContextIsInitialized()) return;
    const CRKContext& context = CRKSharedContext();
    CRKUserLoggingWriteKeyValue(key, value, context.readonly->internalKVStorage,
                                &context.writable->internalKVIncrementalCount);
}

platform::Value::Dictionary CRKUserLoggingGetCompactedKVEntries(CRKUserLoggingKVStorage storage,
                                                                bool decode) {
    platform::Value::Dictionary keys;
    if (!validStorage(storage)) {
        CRKSDKLOG_ERROR("storage invalid\n");
        return keys;
    }
    for (auto& [key, value] : currentEntries(storage, decode).entries) keys[key] = platform::Value(value);
    return keys;
}

void CRKUserLoggingCompactKVEntries(CRKUserLoggingKVStorage storage) {
    if (!validStorage(storage)) {
        CRKSDKLOG_ERROR("Error: storage invalid\n");
        return;
    }
    OrderedEntries current = currentEntries(storage, false);
    if (current.entries.size() > storage.maxCount) {
        CRKSDKLOG_INFO("Truncating KV set, which is above max %d\n", int(storage.maxCount));
        current.entries.erase(current.entries.begin(),
                              current.entries.end() - static_cast<std::ptrdiff_t>(storage.maxCount));
    }
    // The new compacted file is written whole beside the old one and renamed over it: a crash at any
    // step leaves either the old pair of files or the new compacted file, never neither.
    const std::string temporary = std::string(storage.compactedPath) + ".compacting";
    unlink(temporary.c_str());
    CRKFile file;
    if (!CRKFileInitWithPathMode(&file, temporary.c_str(), false, false)) {
        CRKSDKLOG_WARN("Error: Unable to open compacted k-v file\n");
        return;
    }
    for (const auto& [key, value] : current.entries)
        writeKeyValueRecord(&file, key.c_str(), value.c_str(), true);
    // On the disk before the rename makes it the compacted file.
    fdatasync(file.descriptor);
    CRKFileClose(&file);
    if (!compactionMayContinue(1)) return;
    if (rename(temporary.c_str(), storage.compactedPath) != 0) {
        CRKSDKLOG_WARN("Error: Unable to replace the compacted KV store %s\n", storage.compactedPath);
        unlink(temporary.c_str());
        return;
    }
    if (!compactionMayContinue(2)) return;
    if (!CRKUnlinkIfExists(storage.incrementalPath)) {
        CRKSDKLOG_WARN("Error: Unable to remove incremental KV store after compaction %s\n",
                       storage.incrementalPath);
    }
    compactionMayContinue(3);
}

void CRKUserLoggingRecordError(const platform::Error* error,
                               const platform::Value::Dictionary& additionalInfo,
                               const platform::Value::Dictionary& userInfo) {
    if (!error || !CRKContextIsInitialized()) return;
    void* frames[128];
    const int count = backtrace(frames, 128);
    const uint64_t now = uint64_t(time(nullptr));
    const CRKContext& context = CRKSharedContext();
    const auto writePairs = [](CRKFile* file, const char* name, const platform::Value::Dictionary& pairs) {
        if (pairs.empty()) return;
        CRKFileWriteHashKey(file, name);
        CRKFileWriteArrayStart(file);
        for (const auto& [key, value] : pairs) {
            CRKFileWriteArrayStart(file);
            CRKFileWriteArrayEntryHexEncodedString(file, key.c_str());
            CRKFileWriteArrayEntryHexEncodedString(file, CRKUserLoggingDescription(value).c_str());
            CRKFileWriteArrayEnd(file);
        }
        CRKFileWriteArrayEnd(file);
    };
    CRKUserLoggingWriteAndCheckABFiles(
        &context.readonly->errorStorage, &context.writable->errorsCurrentFile, [&](CRKFile* file) {
            CRKFileWriteSectionStart(file, "error");
            CRKFileWriteHashStart(file);
            CRKFileWriteHashEntryHexEncodedString(file, "domain", error->domain.c_str());
            CRKFileWriteHashEntryInt64(file, "code", error->code);
            CRKFileWriteHashEntryUInt64(file, "time", now);
            CRKFileWriteHashKey(file, "stacktrace");
            CRKFileWriteArrayStart(file);
            for (int i = 0; i < count; i++)
                CRKFileWriteArrayEntryUInt64(file, reinterpret_cast<uintptr_t>(frames[i]));
            CRKFileWriteArrayEnd(file);
            writePairs(file, "info", userInfo);
            writePairs(file, "extra_info", additionalInfo);
            CRKFileWriteHashEnd(file);
            CRKFileWriteSectionEnd(file);
        });
}

void CRKUserLoggingDisableUninitializedMessaging() {
    gUninitializedMessagingDisabled.store(true);
}

void CRKUserLoggingSetCompactionStepHook(bool (*hook)(int step)) {
    gCompactionStepHook.store(hook);
}

void CRKUserLoggingResetForTesting() {
    gUninitializedMessagingDisabled.store(false);
    gCompactionStepHook.store(nullptr);
}

}  // namespace reporting
