#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Exception.h"
#include "reporting/crash/CRKContext.h"
#include "reporting/crash/CRKFile.h"

namespace reporting {

// Uncaught exceptions, caught where they surface: the C++ terminate handler (uncaught C++ exceptions)
// and the application object's reportException (platform exceptions reaching the top level, when the
// standard defaults say "NSApplicationCrashOnExceptions"). A fatal one is written with the crash-time
// chain into the exception file; the abort that follows is recorded by the signal handler as well.
// Non-fatal ones, recorded by the application, go to the custom-exception files.

enum CRKExceptionType : int {
    CRKExceptionTypePlatform = 1,  // written as "objective-c"
    CRKExceptionTypeCpp = 2,
    CRKExceptionTypeJavaScript = 3,
    CRKExceptionTypeCustom = 4,
};

// One frame of a recorded exception.
struct CRKExceptionFrame {
    uint64_t address = 0;
    std::optional<std::string> symbol;
    uint64_t offset = 0;
    std::optional<std::string> library;
    std::optional<std::string> fileName;
    uint32_t lineNumber = 0;
};

bool CRKExceptionInitialize(CRKReadOnlyContext* readonly);
void CRKExceptionRecord(int type, const char* name, const char* reason,
                        const std::vector<CRKExceptionFrame>& frames, bool attemptDelivery);
void CRKExceptionRecordNSException(const platform::Exception& exception);
void CRKTerminateHandler();
bool CRKExceptionShouldCrashOnExceptions();
void CRKExceptionCheckHandlers();
[[noreturn]] void CRKExceptionRaiseTestException();
[[noreturn]] void CRKExceptionThrowTestCppException();
std::string CRKDemangleTypeName(const char* mangled);

// The "exception" record.
void CRKExceptionWriteRecord(CRKFile* file, int type, const char* name, const char* reason,
                             const std::vector<CRKExceptionFrame>& frames);

}  // namespace reporting
