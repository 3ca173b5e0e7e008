#include "reporting/core/RKTNetworkResponseHandler.h"

#include <cctype>
#include <cstdlib>

#include "platform/base/Strings.h"
#include "platform/net/URLError.h"

namespace reporting {

namespace {

// The number at the start of a text, as the platform's text-to-double conversion reads it: blanks, a
// sign, digits with an optional fraction and exponent; 0 when the text does not start with one. Only
// this decimal form is read, so "inf", "nan" or hexadecimal texts give 0 as they do there.
double leadingDoubleValue(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    const size_t start = i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        const size_t exponentStart = j;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        if (j > exponentStart) i = j;
    }
    const std::string number = text.substr(start, i - start);
    return std::strtod(number.c_str(), nullptr);  // out of range: +-HUGE_VAL or 0, never undefined
}

}  // namespace

std::optional<std::string> RKTNetworkResponseHandler::headerForResponse_withKey(
    const std::optional<platform::HTTPURLResponse>& response, const std::string& key) {
    if (!response) return std::nullopt;
    return response->valueForHTTPHeaderField(key);
}

double RKTNetworkResponseHandler::retryValueForResponse(
    const std::optional<platform::HTTPURLResponse>& response) {
    const auto header = headerForResponse_withKey(response, "Retry-After");
    if (!header) return kDefaultRetryValue;
    const double value = leadingDoubleValue(*header);
    if (value < 0) return kDefaultRetryValue;
    return value;
}

std::optional<std::string> RKTNetworkResponseHandler::requestIdForResponse(
    const std::optional<platform::HTTPURLResponse>& response) {
    return headerForResponse_withKey(response, "X-Request-Id");
}

bool RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
    const std::optional<platform::HTTPURLResponse>& response, const platform::URLRequest& request) {
    const auto accept = request.valueForHTTPHeaderField("Accept");
    if (!accept) return true;
    const auto contentType = headerForResponse_withKey(response, "Content-Type");
    if (!contentType) return false;
    static constexpr std::string_view kCharsetSeparator = "; charset=";
    const size_t separator = contentType->find(kCharsetSeparator);
    const std::string type = contentType->substr(0, separator);
    if (platform::caseInsensitiveCompare(type, *accept) != 0) return false;
    const auto acceptCharset = request.valueForHTTPHeaderField("Accept-Charset");
    if (!acceptCharset || separator == std::string::npos) return true;
    const std::string charset = contentType->substr(separator + kCharsetSeparator.size());
    return platform::caseInsensitiveCompare(charset, *acceptCharset) == 0;
}

int64_t RKTNetworkResponseHandler::cancelReasonFromURLError(const KitErrorPtr& error) {
    if (!error || error->domain() != platform::URLError::kDomain ||
        error->code() != platform::URLError::Cancelled)
        return -1;
    auto it = error->userInfo().find("NSURLErrorBackgroundTaskCancelledReasonKey");
    if (it == error->userInfo().end() || !it->second.number()) return -1;
    return it->second.number()->longLongValue();
}

bool RKTNetworkResponseHandler::retryableURLError(const KitErrorPtr& error) {
    if (!error || error->domain() != platform::URLError::kDomain) return false;
    const int64_t code = error->code();
    switch (code) {
        // A cancelled transfer was stopped on purpose: by its owner, or because the server's
        // certificate chain was refused. A second try would undo the owner's decision, or meet the
        // same certificate and be refused again, for the whole retry budget.
        case platform::URLError::Cancelled:
        case -1022:
        case -1013:
        case -1012:
        case -1010:
        case -1007:
        case -1002:
        case -1000:
        case -995:
        case -1103:
        case -1101:
        case -1100:
            return false;
        default:
            break;
    }
    if (code >= -1206 && code <= -1200) return false;
    return true;
}

KitErrorPtr RKTNetworkResponseHandler::errorForCode_userInfo(int64_t code,
                                                             platform::Value::Dictionary userInfo) {
    return KitError::errorWithDomain_code_userInfo(kErrorDomain, code, std::move(userInfo));
}

KitErrorPtr RKTNetworkResponseHandler::errorForResponse_ofType_status(
    const std::optional<platform::HTTPURLResponse>& response, int type, int status) {
    int64_t code = -4;
    if (type == ClientError) {
        code = -5;
    } else if (type == ServerError || type == Throttled) {
        code = -1;
    }
    platform::Value::Dictionary userInfo{
        {"type", type},
        {"status_code", status},
        {"content_type", headerForResponse_withKey(response, "Content-Type").value_or("")},
        {"request_id", requestIdForResponse(response).value_or("")},
    };
    return errorForCode_userInfo(code, std::move(userInfo));
}

int RKTNetworkResponseHandler::responseTypeForStatus(int status) {
    switch (status) {
        case 200:
        case 201:
        case 202:
        case 204:
        case 304:
            return Success;
        case 400:
        case 401:
        case 403:
        case 404:
        case 406:
        case 410:
        case 411:
        case 413:
        case 419:
        case 422:
        case 431:
            return ClientError;
        case 408:
            return ServerError;
        case 420:
        case 429:
            return Throttled;
        default:
            break;
    }
    if (status >= 500 && status <= 599) return ServerError;
    return Other;
}

void RKTNetworkResponseHandler::clientResponseType_handler(
    const std::optional<platform::HTTPURLResponse>& response, const ResponseTypeHandler& handler) {
    const int status = response ? response->statusCode() : 0;
    if (handler) handler(responseTypeForStatus(status), status);
}

void RKTNetworkResponseHandler::handleCompletedResponse_forOriginalRequest_error_block(
    const std::optional<platform::HTTPURLResponse>& response, const platform::URLRequest& request,
    const KitErrorPtr& error, const CompletionBlock& block) {
    if (!block) return;
    if (error) {
        block(retryableURLError(error), error);
        return;
    }
    clientResponseType_handler(response, [&](int type, int status) {
        switch (type) {
            case Success:
                if (contentTypeForResponse_matchesRequest(response, request)) {
                    block(false, nullptr);
                } else {
                    block(false, errorForResponse_ofType_status(response, Other, status));
                }
                return;
            case ServerError:
            case Throttled:
                block(true, errorForResponse_ofType_status(response, type, status));
                return;
            default:
                block(false, errorForResponse_ofType_status(response, type, status));
                return;
        }
    });
}

}  // namespace reporting
