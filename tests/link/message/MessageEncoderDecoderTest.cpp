#include "link/message/MessageEncoderDecoder.h"

#include <climits>

#include "app/records/DeviceUser.h"
#include "app/records/MobileDeviceTrackInfo.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/SessionInfo.h"
#include "app/support/Base64.h"
#include "link/message/AuthPayload.h"
#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/KestruneViewState.h"
#include "link/message/MessageFactory.h"
#include "platform/storage/KeyedArchiver.h"
#include "tests/support/TestEnvironment.h"

using namespace kestrune;
using platform::Number;
using platform::Value;

namespace {

const std::string S = "\u02FD";  // application separator
const std::string T = "\u02FE";  // transport separator
const std::string D = "\u2021";  // field separator
const std::string E = "\u2020";  // empty nested record
const char* const kIncompatible = "NSException caught - The data model between versions is not compatible!!";

class MessageEncoderDecoderTest : public testsupport::KestruneTest {
protected:
    MessageEncoderDecoderTest() {
        coder.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
        transport.setSeparator(MessageEncoderDecoder::kTransportSeparator);
        transport.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
    }

    static std::string archived(const Value& root) {
        return base64EncodedString(*platform::KeyedArchiver::archivedDataWithRootObject(root));
    }

    MessageEncoderDecoder coder;
    MessageEncoderDecoder transport;
};

class NamingInjection : public MessageEncoderDecoderInjection {
public:
    std::optional<std::string> classForMessage(int32_t) const override { return "NoSuchRecord"; }
};

}  // namespace

TEST_F(MessageEncoderDecoderTest, GoldenTextsOfTheLink) {
    auto info = MobileDeviceTrackInfo::init();
    info->setDeviceResponsibleForLastChange(Number(2));
    info->setDistanceToLogin(Number(60));
    info->setProxLockTemporaryDisabledBecauseLogin(Number(0));
    info->setProxLockTemporaryDisabledBecauseLogout(Number(0));
    info->setShouldTrackMobileDevice(Number(true));
    EXPECT_EQ(coder.encodeMessage(*MessageFactory::createMessage_payload(35, info)),
              S + "35" + S + "2" + D + "60" + D + "0" + D + "0" + D + "1");
    EXPECT_EQ(coder.encodeMessage(*MessageFactory::createMessage(53)), S + "53" + S);
    EXPECT_EQ(coder.encodeMessage(*MessageFactory::createMessage_payload(3, Number(-56))),
              S + "3" + S + "-56");

    // The handshake layer's transport messages.
    EXPECT_EQ(transport.encodeMessage(*MessageFactory::createMessage_payload(112, S + "53" + S)),
              T + "112" + T + S + "53" + S);
    auto opening = MessageFactory::createMessage_payload(
        111, AuthPayload::initWithVersion_identifier_challenge_solution("1.1", "MAC-ID", "aB3dE5gH", ""));
    opening->setRequestType("I!");
    EXPECT_EQ(transport.encodeMessage(*opening),
              "I!" + T + "111" + T + "aB3dE5gH" + D + D + "MAC-ID" + D + "1.1");

    auto decoded = transport.decodeMessage("aD!" + T + "111" + T + "phoneTok" + D + "aB3dE5gH" + D + "PHONE" +
                                           D + "1.1");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->requestType(), "aD!");
    EXPECT_EQ(decoded->request(), 111);
    auto payload = decoded->payload().objectAs<AuthPayload>();
    ASSERT_TRUE(payload);
    EXPECT_EQ(payload->challenge(), "phoneTok");
    EXPECT_EQ(payload->challengeResponse(), "aB3dE5gH");
    EXPECT_EQ(payload->identifier(), "PHONE");
    EXPECT_EQ(payload->protocolVersion(), "1.1");
}

TEST_F(MessageEncoderDecoderTest, FullSettingsMessageInWireOrder) {
    auto settings = MobileSettings::initWithUnId("PHONE-1");
    settings->setDistanceFromDevice(Number(57));
    auto ios = settings->iOSSettings();
    ios->setBatteryPercent(Number(80));
    ios->setChosenMetric(Number(2));
    ios->setIOSallowNotificationLogin(Number(true));
    ios->setIOSapplicationState(Number(1));
    ios->setIOSCharging(Number(false));
    ios->setIOSPushId("push");
    ios->setIOSSystemVersion("17.2");
    ios->setIOSVersion("3.1");
    ios->setLanguage("de");
    ios->setUseMotionTracking(Number(true));
    auto track = settings->mobileDeviceTrackInfo();
    track->setDeviceResponsibleForLastChange(Number(2));
    track->setDistanceToLogin(Number(60));
    track->setProxLockTemporaryDisabledBecauseLogin(Number(0));
    track->setProxLockTemporaryDisabledBecauseLogout(Number(1));
    track->setShouldTrackMobileDevice(Number(true));
    auto osx = settings->OSXSettings();
    osx->setAllowCloserDistances(Number(false));
    osx->setAllowLogin(Number(true));
    osx->setAllowLogout(Number(true));
    osx->setAllowSiriLock(Number(false));
    osx->setAllowSiriUnlock(Number(true));
    osx->setInstallAuthMethod(Number(0));
    osx->setIsWaitingForConfirmation(Number(0));
    osx->setLastConnectionTimestamp(Number(1700000000.5));
    osx->setOnApproachAuthMethod(Number(3));
    osx->setOSXSystemVersion("10.14.6");
    osx->setOSXVersion("2.4");
    osx->setPasswordScreenAuthMethod(Number(2));
    osx->setWakeScreenOnApproach(Number(true));
    settings->pairingInfo()->setConnectionStatus(Number(6));
    settings->pairingInfo()->setForegroundServiceId("B123");
    settings->pairingInfo()->setForegroundServiceId2("C456");
    auto user = settings->registeredDeviceUser();
    user->setFullName("Jo Doe");
    user->setHasPassword(Number(true));
    user->setIdNumber(Number(501));
    user->setUsername("jo");

    std::string expected = S + "40" + S + "57" + D +  //
                           "80" + D + "2" + D + "1" + D + "1" + D + "0" + D + "push" + D + "17.2" + D +
                           "3.1" + D +                                         //
                           "de" + D + "1" + D +                                //
                           "2" + D + "60" + D + "0" + D + "1" + D + "1" + D +  //
                           "0" + D + "1" + D + "1" + D + "0" + D + "1" + D + "0" + D + "0" + D +
                           "1700000000.5" + D + "3" + D + "10.14.6" + D + "2.4" + D + "2" + D + "1" + D +  //
                           "6" + D + "B123" + D + "C456" + D +                                             //
                           "Jo Doe" + D + "1" + D + "501" + D + D + "jo" + D +                             //
                           "PHONE-1";
    std::string text = coder.encodeMessage(*MessageFactory::createMessage_payload(40, settings));
    EXPECT_EQ(text, expected);

    auto back = coder.decodeMessage(text);
    ASSERT_TRUE(back);
    auto decoded = back->payload().objectAs<MobileSettings>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->unId(), "PHONE-1");
    EXPECT_EQ(decoded->iOSSettings()->language(), "de");
    EXPECT_EQ(decoded->OSXSettings()->lastConnectionTimestamp(), Number(1700000000));  // the fraction is lost
    EXPECT_EQ(decoded->registeredDeviceUser()->password(), "");
    EXPECT_EQ(decoded->pairingInfo()->foregroundServiceId2(), "C456");
}

TEST_F(MessageEncoderDecoderTest, SeparatorsDecideTheParts) {
    testsupport::LogCapture log;
    EXPECT_FALSE(coder.decodeMessage("no separator at all"));
    EXPECT_TRUE(log.contains("Failed parsing message no separator at all"));
    EXPECT_FALSE(coder.decodeMessage(""));
    // The transport separator means nothing to the application coder, and the other way round.
    EXPECT_FALSE(coder.decodeMessage(T + "112" + T));

    auto two = coder.decodeMessage("x" + S + "7");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->requestType(), "x");
    EXPECT_EQ(two->request(), 7);
    EXPECT_TRUE(two->payload().isNull());

    // Only the third part is the payload: a separator inside a text cuts it.
    auto cut = coder.decodeMessage(S + "104" + S + "hello" + S + "world");
    EXPECT_EQ(cut->payload(), Value("hello"));

    // A message without payload, for a request of the archive row, has no payload and no complaint.
    auto empty = coder.decodeMessage(S + "53" + S);
    EXPECT_TRUE(empty->payload().isNull());
    EXPECT_FALSE(log.contains(kIncompatible));
}

TEST_F(MessageEncoderDecoderTest, RequestNumbersReadAsLeadingIntegersAndSaturate) {
    EXPECT_EQ(coder.decodeMessage(S + "-5x" + S)->request(), -5);
    EXPECT_EQ(coder.decodeMessage(S + "abc" + S)->request(), 0);
    EXPECT_EQ(coder.decodeMessage(S + "" + S)->request(), 0);
    EXPECT_EQ(coder.decodeMessage(S + "99999999999999999999" + S)->request(), INT32_MAX);
    EXPECT_EQ(coder.decodeMessage(S + "-99999999999999999999" + S)->request(), INT32_MIN);
}

TEST_F(MessageEncoderDecoderTest, PayloadsByRequestNumber) {
    EXPECT_EQ(coder.payloadObjectForString_forRequest("42", 101), Value(Number(42)));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("-3", 11), Value(Number(-3)));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("0.5", 3), Value(Number(0.5)));
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("abc", 37).isNull());
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("", 105).isNull());
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("4 2", 13).isNull());
    EXPECT_EQ(coder.payloadObjectForString_forRequest("99999999999", 101), Value(Number(INT32_MAX)));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("-99999999999999999999999", 101),
              Value(Number(INT32_MIN)));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("1e400", 74).number()->doubleValue(), INT32_MAX);

    EXPECT_EQ(coder.payloadObjectForString_forRequest("42", 104), Value("42"));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("Auth", 72), Value("Auth"));
    EXPECT_EQ(coder.payloadObjectForString_forRequest("", 50), Value(""));

    auto user =
        coder.payloadObjectForString_forRequest("Jo" + D + "1" + D + "501" + D + "secret" + D + "jo", 8)
            .objectAs<DeviceUser>();
    ASSERT_TRUE(user);
    EXPECT_EQ(user->password(), "secret");
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("1" + D + "2", 36).objectAs<KestruneViewState>());
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("1", 9).objectAs<SessionInfo>());
    EXPECT_TRUE(coder.payloadObjectForString_forRequest("1", 34).objectAs<SessionInfo>());
}

TEST_F(MessageEncoderDecoderTest, RecordTableOfTheSystem) {
    KestruneMessageEncoderDecoder table;
    std::map<int32_t, std::string> expected = {{8, "DeviceUser"},
                                               {9, "SessionInfo"},
                                               {10, "iOSPreferences"},
                                               {12, "MobileDevice"},
                                               {32, "Device"},
                                               {34, "SessionInfo"},
                                               {35, "MobileDeviceTrackInfo"},
                                               {36, "KestruneViewState"},
                                               {40, "MobileSettings"},
                                               {49, "MobileDevice"},
                                               {111, "AuthPayload"}};
    for (int32_t request = -1; request <= 200; ++request) {
        auto found = expected.find(request);
        EXPECT_EQ(table.classForMessage(request),
                  found == expected.end() ? std::nullopt : std::optional<std::string>(found->second))
            << request;
        if (found != expected.end()) {
            EXPECT_TRUE(PayloadRecord::isRecordType(found->second));
        }
    }
    EXPECT_FALSE(MessageEncoderDecoder().classForMessage(35));
}

TEST_F(MessageEncoderDecoderTest, ArchivesFromThePhoneHoldOnlyPlainValuesAndTheSystemsRecords) {
    EXPECT_EQ(coder.payloadObjectForString_forRequest(archived(Value("plain")), 7), Value("plain"));
    Value::Dictionary dictionary{{"n", Number(3)}, {"list", Value::Array{Value("a"), Value(Number(true))}}};
    EXPECT_EQ(coder.payloadObjectForString_forRequest(archived(Value(dictionary)), 1), Value(dictionary));

    auto user = DeviceUser::init();
    user->setUsername("jo");
    auto decoded = coder.payloadObjectForString_forRequest(archived(Value(user)), 1).objectAs<DeviceUser>();
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->username(), "jo");

    // Without a record table even a track-info request takes the archive row.
    MessageEncoderDecoder bare;
    EXPECT_TRUE(bare.payloadObjectForString_forRequest(archived(Value(MobileDeviceTrackInfo::init())), 35)
                    .objectAs<MobileDeviceTrackInfo>());

    // A class the application keeps, but the phone has no business sending, is refused.
    testsupport::LogCapture log;
    EXPECT_TRUE(
        coder.payloadObjectForString_forRequest(archived(Value(MobileSettingsLocal::init())), 1).isNull());
    EXPECT_TRUE(log.contains(kIncompatible));
    EXPECT_TRUE(coder
                    .payloadObjectForString_forRequest(
                        archived(Value(Value::Array{Value(user), Value(MobileSettingsLocal::init())})), 1)
                    .isNull());
}

TEST_F(MessageEncoderDecoderTest, UnreadablePayloadsKeepTheMessage) {
    testsupport::LogCapture log;
    auto badBase64 = coder.decodeMessage(S + "7" + S + "!!not base64!!");
    ASSERT_TRUE(badBase64);
    EXPECT_EQ(badBase64->request(), 7);
    EXPECT_TRUE(badBase64->payload().isNull());
    EXPECT_TRUE(log.contains(kIncompatible));

    EXPECT_TRUE(coder
                    .payloadObjectForString_forRequest(
                        base64EncodedString(platform::Data::fromString("bplist00 junk")), 7)
                    .isNull());

    MessageEncoderDecoder unknown;
    unknown.setClassInjection(std::make_shared<NamingInjection>());
    auto kept = unknown.decodeMessage(S + "5" + S + "a" + D + "b");
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->payload().isNull());
}
