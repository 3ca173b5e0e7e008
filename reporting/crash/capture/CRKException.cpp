#include "reporting/crash/capture/CRKException.h"

#include <cxxabi.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <string_view>
#include <typeinfo>

#include "platform/base/Log.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "reporting/crash/CRKSDKLog.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/capture/CRKHandler.h"
#include "reporting/crash/capture/CRKProcess.h"
#include "reporting/crash/capture/CRKSignal.h"
#include "reporting/crash/capture/CRKUserLogging.h"

namespace reporting {

namespace {

const char* typeName(int type) {
    switch (type) {
        case CRKExceptionTypePlatform:
            return "objective-c";
        case CRKExceptionTypeCpp:
            return "c++";
        case CRKExceptionTypeJavaScript:
            return "javascript";
        case CRKExceptionTypeCustom:
            return "custom";
        default:
            return "unknown";
    }
}

bool isFatal(int type) {
    return type == CRKExceptionTypePlatform || type == CRKExceptionTypeCpp;
}

void kitReportException(platform::Application& application, const platform::Exception& exception) {
    CRKExceptionRecordNSException(exception);
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    if (readonly && readonly->exception.previousReportException) {
        readonly->exception.previousReportException(application, exception);
    }
}

void recordCpp(const std::string& name, const std::string& reason) {
    CRKExceptionRecord(CRKExceptionTypeCpp, name.c_str(), reason.c_str(), {}, true);
}

void catchAndRecordActiveException() {
    std::exception_ptr active = std::current_exception();
    if (!active) {
        CRKSDKLOG_WARN("no active exception\n");
        return;
    }
    const std::type_info* type = abi::__cxa_current_exception_type();
    if (!type || !type->name()) {
        CRKSDKLOG_WARN("Error: invalid parameter\n");
        return;
    }
    CRKSDKLOG_WARN("Recording exception of type '%s'\n", type->name());
    try {
        std::rethrow_exception(active);
    } catch (const platform::Exception&) {
        // The reportException path and the abort's signal cover it.
        CRKSDKLOG_WARN("Skipping ObjC exception at this point\n");
    } catch (const char* text) {
        recordCpp("const char *", text ? text : "");
    } catch (const std::string& text) {
        recordCpp("std::string", text);
    } catch (const std::exception& exception) {
        recordCpp(CRKDemangleTypeName(typeid(exception).name()), exception.what());
    } catch (const std::exception* exception) {
        // Thrown by pointer: named after what it points at. A null one has nothing to say.
        if (exception) {
            recordCpp(CRKDemangleTypeName(typeid(*exception).name()), exception->what());
        } else {
            recordCpp(CRKDemangleTypeName(type->name()), "");
        }
    } catch (...) {
        recordCpp(CRKDemangleTypeName(type->name()), "");
    }
}

}  // namespace

std::string CRKDemangleTypeName(const char* mangled) {
    if (!mangled) return std::string();
    int status = 0;
    char* readable = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    if (status != 0 || !readable) {
        free(readable);
        return mangled;
    }
    std::string result(readable);
    free(readable);
    // std::throw_with_nested throws a library type of its own around what the program threw: named so.
    constexpr std::string_view kNested = "std::_Nested_exception<";
    if (result.starts_with(kNested) && result.ends_with('>'))
        result = result.substr(kNested.size(), result.size() - kNested.size() - 1);
    return result;
}

bool CRKExceptionInitialize(CRKReadOnlyContext* readonly) {
    if (!readonly) return false;
    if (readonly->exception.path && !CRKUnlinkIfExists(readonly->exception.path)) {
        CRKSDKLOG_WARN("Unable to reset the exception file %s\n", CRKErrorText(errno));
    }
    readonly->exception.previousTerminateHandler = std::set_terminate(CRKTerminateHandler);
    if (CRKExceptionShouldCrashOnExceptions()) {
        readonly->exception.previousReportException =
            platform::Application::shared().replaceReportException(kitReportException);
    }
    if (CRKSharedContext().writable) CRKSharedContext().writable->customExceptionCount = 0;
    return true;
}

bool CRKExceptionShouldCrashOnExceptions() {
    return platform::UserDefaults::standard()->boolForKey("NSApplicationCrashOnExceptions");
}

void CRKExceptionWriteRecord(CRKFile* file, int type, const char* name, const char* reason,
                             const std::vector<CRKExceptionFrame>& frames) {
    CRKFileWriteSectionStart(file, "exception");
    CRKFileWriteHashStart(file);
    CRKFileWriteHashEntryString(file, "type", typeName(type));
    CRKFileWriteHashEntryHexEncodedString(file, "name", name);
    CRKFileWriteHashEntryHexEncodedString(file, "reason", reason);
    CRKFileWriteHashEntryUInt64(file, "time", uint64_t(time(nullptr)));
    if (!frames.empty()) {
        CRKFileWriteHashKey(file, "frames");
        CRKFileWriteArrayStart(file);
        for (const auto& frame : frames) {
            CRKFileWriteHashStart(file);
            CRKFileWriteHashEntryUInt64(file, "pc", frame.address);
            if (frame.symbol) CRKFileWriteHashEntryHexEncodedString(file, "symbol", frame.symbol->c_str());
            CRKFileWriteHashEntryUInt64(file, "offset", frame.offset);
            if (frame.library) CRKFileWriteHashEntryHexEncodedString(file, "library", frame.library->c_str());
            if (frame.fileName) CRKFileWriteHashEntryHexEncodedString(file, "file", frame.fileName->c_str());
            CRKFileWriteHashEntryUInt64(file, "line", frame.lineNumber);
            CRKFileWriteHashEnd(file);
        }
        CRKFileWriteArrayEnd(file);
    }
    CRKFileWriteHashEnd(file);
    CRKFileWriteSectionEnd(file);
}

void CRKExceptionRecord(int type, const char* name, const char* reason,
                        const std::vector<CRKExceptionFrame>& frames, bool attemptDelivery) {
    if (!CRKContextIsInitialized()) return;
    const bool fatal = isFatal(type);
    CRKSDKLOG_WARN("Recording an exception structure (%d, %d)\n", int(attemptDelivery), int(fatal));
    const CRKContext& context = CRKSharedContext();
    if (!fatal) {
        CRKUserLoggingWriteAndCheckABFiles(
            &context.readonly->customExceptionStorage, &context.writable->customExceptionCurrentFile,
            [&](CRKFile* file) { CRKExceptionWriteRecord(file, type, name, reason, frames); });
    } else {
        // The thread that threw is the crashed one, wherever the record is written: taken here, before
        // the work goes to the exception queue, whose worker only writes.
        const uint64_t thrower = uint64_t(CRKProcessCurrentThread());
        const auto record = [&] {
            CRKFile file;
            if (!CRKFileInitWithPath(&file, context.readonly->exception.path, false)) {
                CRKSDKLOG_WARN("Unable to open exception file\n");
                return;
            }
            CRKExceptionWriteRecord(&file, type, name, reason, frames);
            CRKHandler(&file, thrower, nullptr);
            fdatasync(file.descriptor);
            CRKFileClose(&file);
            if (attemptDelivery) CRKHandlerAttemptImmediateDelivery();
        };
        // Already on the exception queue (a record asked for from its own work), waiting for the queue
        // would wait for ourselves.
        if (!context.exceptionQueue || context.exceptionQueue->isCurrent()) {
            record();
        } else {
            context.exceptionQueue->sync(record);
        }
    }
    CRKSDKLOG_WARN("Finished recording an exception structure\n");
}

void CRKExceptionRecordNSException(const platform::Exception& exception) {
    CRKSDKLOG_WARN("Recording an NSException\n");
    std::vector<CRKExceptionFrame> frames;
    for (uintptr_t address : exception.callStackReturnAddresses()) {
        CRKExceptionFrame frame;
        frame.address = address;
        frames.push_back(frame);
    }
    CRKExceptionRecord(CRKExceptionTypePlatform, exception.name().c_str(), exception.reason().c_str(), frames,
                       true);
}

void CRKTerminateHandler() {
    CRKSDKLOG_WARN("C++ terminate handler invoked\n");
    const CRKReadOnlyContext* readonly = CRKSharedContext().readonly;
    std::terminate_handler previous = readonly ? readonly->exception.previousTerminateHandler : nullptr;
    if (previous == CRKTerminateHandler) {
        CRKSDKLOG_WARN("Error: original handler was set recursively\n");
        previous = nullptr;
    }
    if (previous) {
        CRKSDKLOG_WARN("restoring pre-existing handler\n");
        if (std::set_terminate(previous) == previous) {
            CRKSDKLOG_WARN("handler has already been restored, aborting\n");
            abort();
        }
    }
    catchAndRecordActiveException();
    if (previous) {
        CRKSDKLOG_WARN("invoking pre-existing handler\n");
        previous();
    }
    CRKSDKLOG_WARN("aborting\n");
    abort();
}

void CRKExceptionCheckHandlers() {
    if (!CRKExceptionShouldCrashOnExceptions()) {
        platform::logf(
            "[CrashKit:Crash] Warning: NSApplicationCrashOnExceptions is not set. This will result in "
            "poor top-level uncaught exception reporting.");
    }
    if (CRKContextDebuggerAttachedFlag()) return;
    const std::terminate_handler current = std::get_terminate();
    if (current != CRKTerminateHandler) {
        CRKDladdrWithBlock(reinterpret_cast<uintptr_t>(current), [](const char* symbol, const char* image) {
            platform::logf("[CrashKit:Crash] Warning: std::get_terminate is '%s' in '%s'",
                           symbol ? symbol : "(null)", image ? image : "(null)");
        });
    }
    if (CRKExceptionShouldCrashOnExceptions()) {
        if (platform::Application::shared().reportExceptionImplementation() != kitReportException) {
            platform::logf(
                "[CrashKit:Crash] Warning: top-level NSApplication-reported exceptions cannot be "
                "intercepted");
        }
    }
}

void CRKExceptionRaiseTestException() {
    throw platform::Exception("CrashKitTestException", "This is an Objective-C exception using for testing.");
}

void CRKExceptionThrowTestCppException() {
    throw "CrashKit C++ Test Exception";
}

}  // namespace reporting
