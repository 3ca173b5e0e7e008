#include <random>
#include <set>

#include "app/records/MobileDevice.h"
#include "link/transport/LEScannerController.h"
#include "platform/base/NotificationCenter.h"
#include "platform/bluetooth/BluetoothError.h"
#include "tests/link/ScannerFixture.h"

using kestrune::LEScanner;
using platform::AdvertisementData;
using platform::BluetoothError;
using platform::Value;

namespace {

class ScannerFloodTest : public scannertests::ScannerFixture {};

}  // namespace

// Fifty advertisers, a few of them scripted phones, heard at random while connect attempts fail, links
// drop and the main thread drives the scanner as the connection controller would. The scanner's queue and
// the main thread meet on every report; the run must end, and every report must have come on the main
// thread. Under `make tsan` this is also the scanner's data-race test.
TEST_F(ScannerFloodTest, FiftyAdvertisersWithRandomFailuresAndMainThreadCallsEndWithoutDeadlock) {
    delegate->answerThroughFilter = true;
    std::mt19937 random(20261207);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<std::string> identifiers;
    std::vector<std::shared_ptr<platform::SimulatedPeripheral>> devices;
    for (int i = 0; i < 50; ++i) {
        identifiers.push_back(identifierFor(i + 1));
        if (i < 5) {
            devices.push_back(addPhone(identifiers.back()));
        } else {
            devices.push_back(addDevice(identifiers.back()));
        }
    }
    const Value::Dictionary advertisements[] = {
        phoneAdvertisement(),
        servicesAdvertisement("A111"),
        {{AdvertisementData::kLocalName, Value("Watch")},
         {AdvertisementData::kServiceUUIDs, servicesValue({uuid(kService)})}},
        servicesAdvertisement(kService),
    };
    const platform::Error failures[] = {BluetoothError::error(BluetoothError::kConnectionFailed),
                                        BluetoothError::error(BluetoothError::kConnectionTimeout),
                                        BluetoothError::error(BluetoothError::kUnknown)};
    for (int step = 0; step < 1200; ++step) {
        for (int heard = pick(6); heard > 0; --heard) {
            int n = pick(50);
            auto peripheral = peripheralFor(identifiers[n]);
            auto data = advertisements[n < 5 ? 0 : pick(4)];
            int rssi = -40 - pick(50);
            scanner->centralManager()->deliver(
                [peripheral, data, rssi](platform::CentralManagerDelegate& receiver,
                                         platform::CentralManager& central) {
                    receiver.centralManager_didDiscoverPeripheral_advertisementData_RSSI(
                        central, peripheral, data, platform::Number(rssi));
                });
        }
        switch (pick(40)) {
            case 0:
                devices[pick(50)]->failNextConnectionAttempt(failures[pick(3)]);
                break;
            case 1:
                devices[pick(50)]->dropConnections();
                break;
            case 2:
                scanner->executeSingleScan();
                break;
            case 3:
                scanner->stopScanning();
                break;
            case 4:
                scanner->cleanupAllConnections();
                break;
            case 5:
                scanner->clearDevicesForced(pick(2) == 0);
                break;
            case 6:
                scanner->ignorePeripheralWithUUID_forReason(identifiers[pick(50)], pick(6));
                break;
            case 7:
                scanner->cleanPeripheralsForIgnoreReason(LEScanner::kIgnoreTemporarily);
                break;
            case 8:
                scanner->clearPeripheralIgnoreList();
                break;
            case 9:
                scanner->cachePeripheralWithUUID(identifiers[pick(5)]);
                break;
            case 10:
                scanner->removeAllCachedConnections();
                break;
            case 11:
                platform::NotificationCenter::defaultCenter().post("applicationDidWakeAfterLongSleep");
                break;
            case 12:
                kestrune::DataManager::shared().setPairingMobileDevice(
                    pick(2) ? kestrune::MobileDevice::initWithUnId("new") : nullptr);
                kestrune::ConnectionFilter::publishScannerAnswers();
                break;
            case 13:
                devices[pick(50)]->setAcceptsConnections(pick(4) != 0);
                break;
            default:
                if (auto connection = scanner->connectionForUnID(identifiers[pick(50)]))
                    connection->updateRSSI();
                break;
        }
        advance(0.05);
    }
    for (auto& device : devices) device->setAcceptsConnections(true);
    advance(10);
    runUntilIdle();

    EXPECT_FALSE(delegate->reportedOffMainThread());
    std::set<std::string> kinds;
    for (const auto& event : delegate->events()) kinds.insert(event.substr(0, event.find(':')));
    EXPECT_TRUE(kinds.count("discover")) << "no phone got through";
    EXPECT_GT(backend->count("connect"), 50u);
    for (const auto& error : delegate->errors()) {
        char code = error.size() > 6 ? error[6] : '?';
        EXPECT_TRUE(code == '1' || code == '3' || code == '4' || code == '5') << error;
    }
    EXPECT_GT(delegate->questions.load(), 1000);
}
