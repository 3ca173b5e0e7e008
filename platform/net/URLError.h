#pragma once

#include <cstdint>
#include <string>

#include "platform/base/Error.h"

namespace platform {

// Transfer failures of the HTTP client. The domain and the codes are the ones the reporting kit's
// response handling classifies (retry on time-outs and lost connections, give up on bad addresses and
// failed secure connections), so they keep the values that handling was written against.
class URLError {
public:
    static constexpr const char* kDomain = "NSURLErrorDomain";

    enum Code : int64_t {
        Unknown = -1,
        Cancelled = -999,
        BadURL = -1000,
        TimedOut = -1001,
        UnsupportedURL = -1002,
        CannotFindHost = -1003,
        CannotConnectToHost = -1004,
        NetworkConnectionLost = -1005,
        HTTPTooManyRedirects = -1007,
        // A redirect this client does not follow: to another origin (scheme, host or port), which would
        // hand the request's headers and body to a server it was not meant for, or one that would turn
        // the request into another method. The server's answer was a redirect, never a result.
        RedirectRefused = -1010,
        BadServerResponse = -1011,
        RequestBodyStreamExhausted = -1021,
        FileDoesNotExist = -1100,
        // The answer is longer than the request allows (URLRequest::maximumResponseLength).
        DataLengthExceedsMaximum = -1103,
        SecureConnectionFailed = -1200,
        ServerCertificateUntrusted = -1202,
    };

    static Error make(int64_t code, std::string description) {
        return Error{kDomain, code, std::move(description)};
    }
    static bool isCancellation(const Error& error) {
        return error.domain == kDomain && error.code == Cancelled;
    }
};

}  // namespace platform
