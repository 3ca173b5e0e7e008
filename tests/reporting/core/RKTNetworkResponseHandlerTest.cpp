#include "reporting/core/RKTNetworkResponseHandler.h"

#include <cmath>

#include "platform/net/URLError.h"
#include "tests/support/TestEnvironment.h"

using platform::HTTPURLResponse;
using platform::URLError;
using platform::URLRequest;
using reporting::KitError;
using reporting::KitErrorPtr;
using reporting::RKTNetworkResponseHandler;

namespace {

HTTPURLResponse answer(int status, HTTPURLResponse::HeaderFields headers = {}) {
    return HTTPURLResponse("https://h.test/x", status, std::move(headers));
}

struct Decision {
    bool called = false;
    bool retry = false;
    KitErrorPtr error;
};

Decision decide(const std::optional<HTTPURLResponse>& response, const URLRequest& request,
                const KitErrorPtr& transportError = nullptr) {
    Decision decision;
    RKTNetworkResponseHandler::handleCompletedResponse_forOriginalRequest_error_block(
        response, request, transportError, [&](bool retry, const KitErrorPtr& error) {
            decision = {true, retry, error};
        });
    return decision;
}

KitErrorPtr urlError(int64_t code) {
    return KitError::errorWithDomain_code_userInfo(URLError::kDomain, code);
}

}  // namespace

class RKTNetworkResponseHandlerTest : public testsupport::KestruneTest {};

TEST_F(RKTNetworkResponseHandlerTest, StatusCodesFallIntoTheirKinds) {
    const std::vector<std::pair<int, int>> table = {
        {200, 0}, {201, 0}, {202, 0}, {204, 0}, {304, 0}, {203, 1}, {302, 1}, {402, 1}, {405, 1}, {0, 1},
        {400, 2}, {401, 2}, {403, 2}, {404, 2}, {406, 2}, {410, 2}, {411, 2}, {413, 2}, {419, 2}, {422, 2},
        {431, 2}, {408, 3}, {500, 3}, {503, 3}, {599, 3}, {600, 1}, {420, 4}, {429, 4}, {499, 1}};
    for (const auto& [status, kind] : table) {
        int seenKind = -1, seenStatus = -1;
        RKTNetworkResponseHandler::clientResponseType_handler(answer(status), [&](int k, int s) {
            seenKind = k;
            seenStatus = s;
        });
        EXPECT_EQ(seenKind, kind) << status;
        EXPECT_EQ(seenStatus, status);
    }
    int noResponseStatus = -1;
    RKTNetworkResponseHandler::clientResponseType_handler(std::nullopt, [&](int k, int s) {
        EXPECT_EQ(k, 1);
        noResponseStatus = s;
    });
    EXPECT_EQ(noResponseStatus, 0);
}

TEST_F(RKTNetworkResponseHandlerTest, CompletedAnswersGiveTheRetryFlagAndTheKitsError) {
    URLRequest request("https://h.test/x");
    EXPECT_FALSE(decide(answer(200), request).retry);
    EXPECT_FALSE(decide(answer(304), request).error);

    auto clientError = decide(answer(404, {{"Content-Type", "text/html"}, {"X-Request-Id", "r-9"}}), request);
    EXPECT_FALSE(clientError.retry);
    ASSERT_TRUE(clientError.error);
    EXPECT_EQ(clientError.error->domain(), "RKTNetworkError");
    EXPECT_EQ(clientError.error->code(), -5);
    EXPECT_EQ(clientError.error->userInfo().at("type"), platform::Value(2));
    EXPECT_EQ(clientError.error->userInfo().at("status_code"), platform::Value(404));
    EXPECT_EQ(clientError.error->userInfo().at("content_type"), platform::Value("text/html"));
    EXPECT_EQ(clientError.error->userInfo().at("request_id"), platform::Value("r-9"));

    auto other = decide(answer(402), request);
    EXPECT_FALSE(other.retry);
    EXPECT_EQ(other.error->code(), -4);
    EXPECT_EQ(other.error->userInfo().at("content_type"), platform::Value(""));
    EXPECT_EQ(other.error->userInfo().at("request_id"), platform::Value(""));

    auto timeout = decide(answer(408), request);
    EXPECT_TRUE(timeout.retry);
    EXPECT_EQ(timeout.error->code(), -1);
    auto throttled = decide(answer(429), request);
    EXPECT_TRUE(throttled.retry);
    EXPECT_EQ(throttled.error->userInfo().at("type"), platform::Value(4));
}

TEST_F(RKTNetworkResponseHandlerTest, ASuccessOfTheWrongTypeIsAnError) {
    URLRequest request("https://h.test/settings");
    request.setValue_forHTTPHeaderField("application/json", "Accept");
    request.setValue_forHTTPHeaderField("utf-8", "Accept-Charset");
    EXPECT_TRUE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
        answer(200, {{"Content-Type", "application/json; charset=UTF-8"}}), request));
    EXPECT_TRUE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
        answer(200, {{"content-type", "Application/JSON"}}), request));
    EXPECT_FALSE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
        answer(200, {{"Content-Type", "application/json; charset=latin1"}}), request));
    EXPECT_FALSE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(answer(200), request));

    auto wrongType = decide(answer(200, {{"Content-Type", "text/html"}}), request);
    EXPECT_FALSE(wrongType.retry);
    ASSERT_TRUE(wrongType.error);
    EXPECT_EQ(wrongType.error->code(), -4);
    EXPECT_EQ(wrongType.error->userInfo().at("type"), platform::Value(1));

    request.setValue_forHTTPHeaderField(std::nullopt, "Accept-Charset");
    EXPECT_TRUE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
        answer(200, {{"Content-Type", "application/json; charset=latin1"}}), request));
    EXPECT_TRUE(RKTNetworkResponseHandler::contentTypeForResponse_matchesRequest(
        answer(200), URLRequest("https://h.test")));
}

TEST_F(RKTNetworkResponseHandlerTest, RetryAfterIsReadAsSecondsWithTwoAsTheDefault) {
    auto retry = [](std::optional<std::string> value) {
        HTTPURLResponse::HeaderFields headers;
        if (value) headers.emplace_back("Retry-After", *value);
        return RKTNetworkResponseHandler::retryValueForResponse(answer(429, headers));
    };
    EXPECT_EQ(retry(std::nullopt), 2.0);
    EXPECT_EQ(retry("-3"), 2.0);
    EXPECT_EQ(retry("0"), 0.0);
    EXPECT_EQ(retry("30"), 30.0);
    EXPECT_EQ(retry(" 1.5s"), 1.5);
    EXPECT_EQ(retry("Wed, 21 Oct 2015 07:28:00 GMT"), 0.0);
    EXPECT_EQ(retry("nan"), 0.0);
    EXPECT_TRUE(std::isinf(retry("1e999")));
    EXPECT_EQ(RKTNetworkResponseHandler::retryValueForResponse(std::nullopt), 2.0);
}

TEST_F(RKTNetworkResponseHandlerTest, TransportErrorsAreRetriedUnlessTheyCannotPass) {
    URLRequest request("https://h.test/x");
    for (int64_t code : {-1001, -1003, -1004, -1005, -1009, -1011, -1})
        EXPECT_TRUE(decide(std::nullopt, request, urlError(code)).retry) << code;
    for (int64_t code : {-1022, -1013, -1012, -1010, -1007, -1002, -1000, -995, -1200, -1202, -1206, -1103,
                         -1101, -1100, -999})
        EXPECT_FALSE(decide(std::nullopt, request, urlError(code)).retry) << code;
    auto foreign = decide(answer(200), request, KitError::errorWithDomain_code_userInfo("Other", -1001));
    EXPECT_FALSE(foreign.retry);
    EXPECT_EQ(foreign.error->domain(), "Other");
}

TEST_F(RKTNetworkResponseHandlerTest, TheCancelReasonIsReadFromACancellationOnly) {
    auto cancelled = KitError::errorWithDomain_code_userInfo(
        URLError::kDomain, -999, {{"NSURLErrorBackgroundTaskCancelledReasonKey", 2}});
    EXPECT_EQ(RKTNetworkResponseHandler::cancelReasonFromURLError(cancelled), 2);
    EXPECT_EQ(RKTNetworkResponseHandler::cancelReasonFromURLError(urlError(-999)), -1);
    EXPECT_EQ(RKTNetworkResponseHandler::cancelReasonFromURLError(urlError(-1001)), -1);
    EXPECT_EQ(RKTNetworkResponseHandler::cancelReasonFromURLError(nullptr), -1);
}
