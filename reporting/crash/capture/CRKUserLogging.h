#pragma once

#include <cstdarg>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/Error.h"
#include "platform/base/Value.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"

namespace reporting {

// What the application said before a crash: log lines, custom keys, recorded errors and non-fatal
// exceptions, written as they happen into record files of the current run's folder, so that nothing
// is left to do at crash time. Log lines, errors and exceptions go to two alternating bounded files
// (when the current one is full the other is emptied and becomes current); key-value assignments are
// appended to an incremental file and compacted now and then into a second file.
//
// All file work runs on the kit's logging queue.

// Start-up hook: the storages' paths and caps in the read-only context, the current files and counters
// in the writable one.
void CRKUserLoggingInit(CRKReadOnlyContext* readonly, CRKWritableContext* writable,
                        const CRKContextInitData* data);

using CRKUserLoggingWriter = std::function<void(CRKFile* file)>;
void CRKUserLoggingWriteAndCheckABFiles(const CRKUserLoggingABStorage* storage, const char** currentFile,
                                        const CRKUserLoggingWriter& writer);

void CRKLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void CRKLogv(const char* format, va_list arguments);
// The same, and to the system log.
void CRKNSLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void CRKNSLogv(const char* format, va_list arguments);

void CRKUserLoggingRecordLogMessage(const std::optional<std::string>& message);

// A key that is none (null) is rejected. The value's description is stored; none deletes the key.
void CRKUserLoggingRecordUserKeyValue(const platform::Value& key, const platform::Value& value);
void CRKUserLoggingRecordInternalKeyValue(const platform::Value& key, const platform::Value& value);
void CRKUserLoggingRecordKeyValue(const std::string& key, const platform::Value& value,
                                  CRKUserLoggingKVStorage storage, uint32_t* counter);
void CRKUserLoggingWriteKeyValue(const std::string& key, const std::optional<std::string>& value,
                                 CRKUserLoggingKVStorage storage, uint32_t* counter);
// Directly on the calling thread, without the logging queue.
void CRKUserLoggingWriteInternalKeyValue(const std::string& key, const std::optional<std::string>& value);

platform::Value::Dictionary CRKUserLoggingGetCompactedKVEntries(CRKUserLoggingKVStorage storage, bool decode);
void CRKUserLoggingCompactKVEntries(CRKUserLoggingKVStorage storage);

void CRKUserLoggingRecordError(const platform::Error* error,
                               const platform::Value::Dictionary& additionalInfo,
                               const platform::Value::Dictionary& userInfo = {});
void CRKUserLoggingDisableUninitializedMessaging();

// The text an object stores as: a string as it stands, anything else its description.
std::string CRKUserLoggingDescription(const platform::Value& value);

// Compaction's steps, for tests of an interruption: called before each step (1: temporary file written,
// 2: renamed over the compacted file, 3: incremental file removed); answering false stops there, as if
// the process had been killed.
void CRKUserLoggingSetCompactionStepHook(bool (*hook)(int step));

// Tests: forget the silencing flag and the step hook.
void CRKUserLoggingResetForTesting();

}  // namespace reporting
