#include "platform/sim/radio/PhonePeripheral.h"

#include "platform/bluetooth/AdvertisementData.h"
#include "platform/sim/PhoneMessageCoder.h"
#include "tests/platform/bluetooth/RadioFixture.h"

using platform::Data;
using platform::Peripheral;
using platform::PhonePeripheral;

namespace {

class PhonePeripheralTest : public radiotests::RadioFixture {
protected:
    void SetUp() override {
        RadioFixture::SetUp();
        phone = std::make_shared<platform::SimulatedPhone>();
        device = PhonePeripheral::create(phone, {uuid("B4C1")}, "A0000000-0000-4000-8000-00000000000A");
        radio->addPeripheral(device);
        advance(0.1);
    }

    std::shared_ptr<platform::SimulatedPhone> phone;
    std::shared_ptr<PhonePeripheral> device;
};

}  // namespace

TEST_F(PhonePeripheralTest, AdvertisesTheApplicationAndItsServices) {
    central->scanForPeripheralsWithServices_options(std::vector{uuid("B4C1")});
    advance(1);
    auto sightings = recorder->sightings();
    ASSERT_EQ(sightings.size(), 1u);
    const auto& advertisement = sightings[0].advertisement;
    EXPECT_EQ(*advertisement.at(platform::AdvertisementData::kLocalName).string(), "Kestrune");
    EXPECT_EQ(advertisement.at(platform::AdvertisementData::kIsConnectable).number()->intValue(), 1);
    EXPECT_EQ(*advertisement.at(platform::AdvertisementData::kServiceUUIDs).array()->at(0).data(),
              uuid("B4C1").data());
}

TEST_F(PhonePeripheralTest, CarriesTheMacsFramesToThePhoneAndThePhonesChunksBack) {
    auto peripheral = connected(device->identifier());
    peripheral->discoverServices(std::nullopt);
    advance(0.1);
    auto service = peripheral->services().at(0);
    peripheral->discoverCharacteristics_forService(std::nullopt, service);
    advance(0.1);
    ASSERT_EQ(service->characteristics().size(), 4u);
    peripheral->setNotifyValue_forCharacteristic(true, service->characteristicWithUUID(uuid("DA18")));
    advance(0.1);

    // The Mac's opening, as the framing writes it to "DA17".
    const std::string T = "\u02FE", D = "\u2021";
    Data frame = Data::fromString("I!" + T + "111" + T + "token123" + D + D + "MAC" + D + "1.1;-;");
    auto primary = service->characteristicWithUUID(uuid("DA17"));
    for (size_t at = 0; at < frame.size(); at += 20)
        peripheral->writeValue_forCharacteristic_type(
            *frame.subdata(at, std::min<size_t>(20, frame.size() - at)), primary,
            Peripheral::kWriteWithResponse);
    advance(0.2);
    EXPECT_EQ(phone->macChallenge(), "token123");
    EXPECT_EQ(phone->receivedCommandWords(), std::vector<std::string>{"I!"});
    // The phone's answer arrived as notifications of "DA18", chunk by chunk, in order.
    Data received;
    for (const auto& chunk : recorder->values()) {
        EXPECT_LE(chunk.size(), 20u);
        received.append(chunk);
    }
    ASSERT_EQ(phone->sentFrames().size(), 1u);
    EXPECT_EQ(received, phone->sentFrames()[0]);

    // A lost link resets the phone's side.
    device->walkAway(1);
    advance(5);
    EXPECT_EQ(peripheral->state(), Peripheral::kDisconnected);
    EXPECT_FALSE(phone->isAuthenticated());
}
