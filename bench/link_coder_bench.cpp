// The phone link's message coder on its busiest record: a full settings message (request 40), turned
// into text and read back, as the Mac sends it on every settings sync and the phone echoes it.

#include <benchmark/benchmark.h>

#include "app/records/MobileSettings.h"
#include "link/message/KestruneMessageEncoderDecoder.h"
#include "link/message/MessageEncoderDecoder.h"
#include "link/message/MessageFactory.h"
#include "platform/base/Number.h"

using namespace kestrune;
using platform::Number;

namespace {

std::shared_ptr<MobileSettings> fullSettings() {
    auto settings = MobileSettings::initWithUnId("6F1C2B9E-4D3A-4C51-9E0B-2A7D5F8C1B34");
    settings->setDistanceFromDevice(Number(57));
    auto ios = settings->iOSSettings();
    ios->setBatteryPercent(Number(80));
    ios->setIOSPushId("f3a9c1d2e4b5a6978877665544332211");
    ios->setIOSSystemVersion("17.2");
    ios->setIOSVersion("3.1");
    auto osx = settings->OSXSettings();
    osx->setLastConnectionTimestamp(Number(1700000000));
    osx->setOSXSystemVersion("10.14.6");
    osx->setOSXVersion("2.4");
    settings->pairingInfo()->setConnectionStatus(Number(kestrune::PairingInfo::kConnectionStatusPaired));
    settings->pairingInfo()->setForegroundServiceId("B123");
    settings->pairingInfo()->setForegroundServiceId2("C456");
    auto user = settings->registeredDeviceUser();
    user->setFullName("Jo Doe");
    user->setHasPassword(Number(true));
    user->setIdNumber(Number(501));
    user->setUsername("jo");
    return settings;
}

MessageEncoderDecoder applicationCoder() {
    MessageEncoderDecoder coder;
    coder.setClassInjection(std::make_shared<KestruneMessageEncoderDecoder>());
    return coder;
}

}  // namespace

static void BM_EncodeSettingsMessage(benchmark::State& state) {
    auto coder = applicationCoder();
    auto message = MessageFactory::createMessage_payload(40, fullSettings());
    for (auto _ : state) benchmark::DoNotOptimize(coder.encodeMessage(*message));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeSettingsMessage);

static void BM_DecodeSettingsMessage(benchmark::State& state) {
    auto coder = applicationCoder();
    std::string text = coder.encodeMessage(*MessageFactory::createMessage_payload(40, fullSettings()));
    for (auto _ : state) benchmark::DoNotOptimize(coder.decodeMessage(text));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeSettingsMessage);

// One round trip: encode, then decode what was encoded. Items per second is round trips per second.
static void BM_SettingsMessageRoundTrip(benchmark::State& state) {
    auto coder = applicationCoder();
    auto message = MessageFactory::createMessage_payload(40, fullSettings());
    for (auto _ : state) {
        auto back = coder.decodeMessage(coder.encodeMessage(*message));
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SettingsMessageRoundTrip);

BENCHMARK_MAIN();
