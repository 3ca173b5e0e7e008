#include "reporting/core/RKTOnboardingOperation.h"

#include <cmath>
#include <limits>
#include <map>
#include <mutex>

#include "platform/system/Bundle.h"
#include "reporting/core/RKTByteUtility.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::Value;
using reporting::KitErrorPtr;
using reporting::RKTApplicationIdentiferModel;
using reporting::RKTIcon;
using reporting::RKTNetworkClient;
using reporting::RKTNetworkOperation;
using reporting::RKTOnboardingOperation;
using testsupport::LoopbackServer;

namespace {

class FixedModel : public RKTApplicationIdentiferModel {
public:
    FixedModel() : RKTApplicationIdentiferModel("install-1") {
        setArchitectureUUIDMap(
            {{"x86_64", "00112233445566778899aabbccddeeff"}, {"arm64", "ffeeddccbbaa99887766554433221100"}});
        computeInstanceIdentifier();
    }
    std::shared_ptr<RKTIcon> icon() const override { return iconToSend; }
    std::shared_ptr<RKTIcon> iconToSend;
};

class Recorder : public reporting::RKTOnboardingOperationDelegate {
public:
    void onboardingOperation_didCompleteAppCreationWithError(RKTOnboardingOperation&,
                                                             const KitErrorPtr& e) override {
        std::lock_guard lock(mutex);
        events.push_back(e ? "create " + std::to_string(e->code()) : "create ok");
    }
    void onboardingOperation_didCompleteAppUpdateWithError(RKTOnboardingOperation&,
                                                           const KitErrorPtr& e) override {
        std::lock_guard lock(mutex);
        events.push_back(e ? "update " + std::to_string(e->code()) : "update ok");
    }
    std::mutex mutex;
    std::vector<std::string> events;
};

std::string textPart(const std::string& boundary, const std::string& name, const std::string& value) {
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name +
           "\"\r\nContent-Type: text/plain\r\n\r\n" + value + "\r\n";
}

}  // namespace

class RKTOnboardingOperationTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        saved = platform::Bundle::main().infoDictionary();
        platform::Bundle::main().setInfoDictionaryForTesting({{"CFBundleIdentifier", "com.example/tool"},
                                                              {"CFBundleDisplayName", "Tool"},
                                                              {"CFBundleVersion", "12"},
                                                              {"CFBundleShortVersionString", "1.2"}});
        ASSERT_TRUE(server.start());
        model = std::make_shared<FixedModel>();
        client = RKTNetworkClient::init();
        delegate = std::make_shared<Recorder>();
    }
    void TearDown() override {
        runUntilIdle();
        server.stop();
        platform::Bundle::main().setInfoDictionaryForTesting(saved);
        KestruneTest::TearDown();
    }
    std::shared_ptr<RKTOnboardingOperation> operation(bool create) {
        return std::make_shared<RKTOnboardingOperation>(
            delegate, create, "k-1",
            Value::Dictionary{{"com.reportkit.crash", "3.12.0"}, {"com.reportkit.core.sdk.mac", "1.9.0"}},
            model, server.baseURL(), client);
    }

    Value::Dictionary saved;
    LoopbackServer server;
    std::shared_ptr<FixedModel> model;
    std::shared_ptr<RKTNetworkClient> client;
    std::shared_ptr<Recorder> delegate;
};

TEST_F(RKTOnboardingOperationTest, ACreatePostsTheApplicationsFormByteForByte) {
    const Data png = Data::fromString(std::string("\x89PNG\r\n\x1a\n", 8) + "pixels");
    model->iconToSend = RKTIcon::initWithData_size(png, {512.7, 512.7});
    server.enqueue(LoopbackServer::Answer{201, {}, "{}", 0});
    auto create = operation(true);
    create->start();
    runUntilIdle();

    ASSERT_EQ(server.requestCount(), 1u);
    const auto request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/spi/v1/platforms/mac/apps");
    const std::string contentType = request.header("Content-Type").value_or("");
    const std::string prefix = "multipart/form-data; boundary=";
    ASSERT_EQ(contentType.rfind(prefix, 0), 0u);
    const std::string boundary = contentType.substr(prefix.size());
    EXPECT_EQ(boundary.size(), 36u);

    std::string expected = "MIME-Version: 1.0\r\n";
    expected += textPart(boundary, "app[identifier]", "com.example_tool");
    expected += textPart(boundary, "app[instance_identifier]", model->instanceIdentifier());
    expected += textPart(boundary, "app[name]", "Tool");
    expected += textPart(boundary, "app[build_version]", "12");
    expected += textPart(boundary, "app[display_version]", "1.2");
    expected += textPart(boundary, "app[source]", "1");
    expected += textPart(boundary, "app[minimum_sdk_version]", "0.0.0");
    expected += textPart(boundary, "app[built_sdk_version]", "0.0.0");
    expected += textPart(boundary, "app[build][libraries][com.reportkit.core.sdk.mac]", "1.9.0");
    expected += textPart(boundary, "app[build][libraries][com.reportkit.crash]", "3.12.0");
    expected += textPart(boundary, "app[slices][][arch]", "arm64");
    expected += textPart(boundary, "app[slices][][uuid]", "ffeeddccbbaa99887766554433221100");
    expected += textPart(boundary, "app[slices][][arch]", "x86_64");
    expected += textPart(boundary, "app[slices][][uuid]", "00112233445566778899aabbccddeeff");
    expected += textPart(boundary, "app[icon][hash]", reporting::RKTSHA1HexStringFromData(png));
    expected += textPart(boundary, "app[icon][prerendered]", "true");
    expected += textPart(boundary, "app[icon][width]", "512");
    expected += textPart(boundary, "app[icon][height]", "512");
    expected += "--" + boundary +
                "\r\nContent-Disposition: form-data; name=\"app[icon][data]\"; filename=\"icon.png\"\r\n"
                "Content-Type: image/png\r\nContent-Transfer-Encoding: binary\r\n\r\n" +
                png.toString() + "\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(request.body, expected);

    std::map<std::string, std::string> headers;
    for (const auto& [name, value] : request.headers) headers[name] = value;
    EXPECT_EQ(headers.size(), 12u);  // Host, the nine defaults, the type and the length of the body
    EXPECT_EQ(headers["Content-Length"], std::to_string(expected.size()));
    EXPECT_EQ(headers["X-CrashKit-API-Key"], "k-1");
    EXPECT_EQ(headers["X-CrashKit-Developer-Token"], RKTNetworkOperation::kDeveloperToken);
    EXPECT_EQ(headers.count("User-Agent"), 1u);
    EXPECT_EQ(headers.count("Accept-Language"), 1u);

    EXPECT_EQ(delegate->events, std::vector<std::string>{"create ok"});
    EXPECT_FALSE(create->error());
    EXPECT_TRUE(create->isFinished());
}

TEST_F(RKTOnboardingOperationTest, AnUpdatePutsToTheApplicationAndIsRetriedOnce) {
    server.setDefaultAnswer(LoopbackServer::Answer{503, {}, "", 0});
    auto update = operation(false);
    EXPECT_EQ(update->appUpdateURL(), server.baseURL() + "/spi/v1/platforms/mac/apps/com.example_tool");
    update->start();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 1u);
    advance(2.21);
    runUntilIdle();
    ASSERT_EQ(server.requestCount(), 2u);
    advance(3600);
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 2u);
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.method, "PUT");
        EXPECT_EQ(request.target, "/spi/v1/platforms/mac/apps/com.example_tool");
    }
    EXPECT_EQ(delegate->events, std::vector<std::string>{"update -6"});
    ASSERT_TRUE(update->error());
    EXPECT_EQ(update->error()->code(), -6);
    // Without an icon the form ends after the slices.
    EXPECT_EQ(server.requests()[0].body.find("app[icon]"), std::string::npos);
}

TEST_F(RKTOnboardingOperationTest, ACreateAnsweredWithAClientErrorReportsIt) {
    server.enqueue(LoopbackServer::Answer{422, {}, "", 0});
    operation(true)->start();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 1u);
    EXPECT_EQ(delegate->events, std::vector<std::string>{"create -5"});
}

TEST_F(RKTOnboardingOperationTest, IconSizesAreSentAsWholePointsEvenWhenNonsensical) {
    const Data png = Data::fromString(std::string("\x89PNG\r\n\x1a\n", 8));
    auto bodyFor = [&](RKTIcon::Size size) {
        model->iconToSend = RKTIcon::initWithData_size(png, size);
        platform::URLRequest request("http://h.test");
        reporting::RKTMultipartMimeStreamEncoder::populateRequest_withDataFromEncoder(
            request, [&](reporting::RKTMultipartMimeStreamEncoder& e) { operation(true)->encodeParts(e); });
        return request.HTTPBody()->toString();
    };
    auto has = [](const std::string& body, const std::string& name, const std::string& value) {
        return body.find("name=\"" + name + "\"\r\nContent-Type: text/plain\r\n\r\n" + value + "\r\n") !=
               std::string::npos;
    };
    const std::string negative = bodyFor({-3, std::nan("")});
    EXPECT_TRUE(has(negative, "app[icon][width]", "0"));
    EXPECT_TRUE(has(negative, "app[icon][height]", "0"));
    const std::string huge = bodyFor({1e300, 99.99});
    EXPECT_TRUE(has(huge, "app[icon][width]", std::to_string(std::numeric_limits<unsigned long>::max())));
    EXPECT_TRUE(has(huge, "app[icon][height]", "99"));
}
