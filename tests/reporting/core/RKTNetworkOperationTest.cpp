#include "reporting/core/RKTNetworkOperation.h"

#include <cstdlib>
#include <map>

#include "reporting/core/RKTNetworkClient.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::URLRequest;
using reporting::RKTNetworkClient;
using reporting::RKTNetworkOperation;
using testsupport::LoopbackServer;

namespace {

// The locale variables, put back after each test.
class LocaleEnvironment {
public:
    LocaleEnvironment() {
        for (const char* name : kNames)
            if (const char* value = getenv(name)) saved_[name] = value;
    }
    ~LocaleEnvironment() {
        for (const char* name : kNames) {
            auto it = saved_.find(name);
            if (it == saved_.end()) {
                unsetenv(name);
            } else {
                setenv(name, it->second.c_str(), 1);
            }
        }
    }
    void set(const char* lang) {
        unsetenv("LC_ALL");
        unsetenv("LC_MESSAGES");
        if (lang) {
            setenv("LANG", lang, 1);
        } else {
            unsetenv("LANG");
        }
    }

private:
    static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<std::string, std::string> saved_;
};

}  // namespace

class RKTNetworkOperationTest : public testsupport::KestruneTest {
protected:
    LocaleEnvironment locale;
};

TEST_F(RKTNetworkOperationTest, TheDefaultRequestCarriesExactlyTheKitsHeadersInOrder) {
    locale.set("de_CH.UTF-8@euro");
    RKTNetworkOperation operation("k-123");
    const URLRequest request =
        operation.mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL("http://h.test/a");
    EXPECT_EQ(request.timeoutInterval(), 10.0);
    EXPECT_EQ(request.cachePolicy(), 1);
    EXPECT_EQ(request.HTTPMethod(), "GET");
    const URLRequest::HeaderFields expected = {
        {"User-Agent", "com.reportkit.core.sdk.mac/1.9.0 (74)"},
        {"Accept-Charset", "utf-8"},
        {"Accept-Language", "de_CH"},
        {"Content-Language", "de_CH"},
        {"X-CrashKit-Developer-Token", RKTNetworkOperation::kDeveloperToken},
        {"X-CrashKit-API-Client-Id", "com.reportkit.core.sdk.mac"},
        {"X-CrashKit-API-Client-Display-Version", "1.9.0"},
        {"X-CrashKit-API-Client-Build-Version", "74"},
        {"X-CrashKit-API-Key", "k-123"},
    };
    EXPECT_EQ(request.allHTTPHeaderFields(), expected);
    const std::string token = RKTNetworkOperation::kDeveloperToken;
    EXPECT_EQ(token.size(), 40u);
    EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(
        operation.mutableRequestWithDefaultHTTPHeadersForURL_timeout("http://h.test", 3.5).timeoutInterval(),
        3.5);
}

TEST_F(RKTNetworkOperationTest, TheServerReceivesTheseHeadersAndNoOthers) {
    locale.set("en_GB.UTF-8");
    LoopbackServer server;
    ASSERT_TRUE(server.start());
    RKTNetworkOperation operation("key");
    auto client = RKTNetworkClient::init();
    bool done = false;
    client->startDataTaskWithRequest_completionHandler(
        operation.mutableRequestWithDefaultHTTPHeaderFieldsAndTimeoutForURL(server.url("/h")),
        [&](const auto&, const auto&, const auto&) { done = true; });
    runUntilIdle();
    ASSERT_TRUE(done);
    ASSERT_EQ(server.requestCount(), 1u);
    std::map<std::string, std::string> received;
    const auto request = server.requests()[0];
    for (const auto& [name, value] : request.headers) received[name] = value;
    const std::map<std::string, std::string> expected = {
        {"Host", "127.0.0.1:" + std::to_string(server.port())},
        {"User-Agent", "com.reportkit.core.sdk.mac/1.9.0 (74)"},
        {"Accept-Charset", "utf-8"},
        {"Accept-Language", "en_GB"},
        {"Content-Language", "en_GB"},
        {"X-CrashKit-Developer-Token", RKTNetworkOperation::kDeveloperToken},
        {"X-CrashKit-API-Client-Id", "com.reportkit.core.sdk.mac"},
        {"X-CrashKit-API-Client-Display-Version", "1.9.0"},
        {"X-CrashKit-API-Client-Build-Version", "74"},
        {"X-CrashKit-API-Key", "key"},
    };
    EXPECT_EQ(received, expected);
    server.stop();
}

TEST_F(RKTNetworkOperationTest, TheLocaleFallsBackToThePOSIXLocaleForAnythingUnusable) {
    RKTNetworkOperation operation("k");
    locale.set("C.UTF-8");
    EXPECT_EQ(operation.localeIdentifier(), "en_US_POSIX");
    locale.set(nullptr);
    EXPECT_EQ(operation.localeIdentifier(), "en_US_POSIX");
    locale.set("fr_FR\r\nX-Injected: 1");
    EXPECT_EQ(operation.localeIdentifier(), "en_US_POSIX");
    locale.set("pt_BR");
    EXPECT_EQ(operation.localeIdentifier(), "pt_BR");
}
