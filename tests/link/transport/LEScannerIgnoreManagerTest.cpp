#include "link/transport/LEScannerIgnoreManager.h"

#include "platform/base/DispatchQueue.h"
#include "tests/app/DataManagerFixture.h"

using kestrune::DataManager;
using kestrune::LEScannerIgnoreManager;
using kestrune::LEScannerIgnorePeripheral;

namespace {

class LEScannerIgnoreManagerTest : public recordtests::DataManagerFixture {
protected:
    // The ignore list as the saved device data holds it.
    std::map<std::string, uint32_t> stored() {
        std::map<std::string, uint32_t> reasons;
        auto model = DataManager::shared().getSavedDataModel();
        if (!model || !model->dictOfPeripheralsToIgnore()) return reasons;
        for (const auto& [uuid, object] : *model->dictOfPeripheralsToIgnore())
            if (auto record = std::dynamic_pointer_cast<LEScannerIgnorePeripheral>(object))
                reasons[uuid] = record->ignoreReason();
        return reasons;
    }
    // What a new process finds on disk.
    std::map<std::string, uint32_t> storedAfterRelaunch() {
        relaunch();
        return stored();
    }
    static uint32_t reasonOf(const LEScannerIgnoreManager& manager, const std::string& uuid) {
        auto list = manager.peripheralsToIgnore();
        auto found = list.find(uuid);
        return found == list.end() ? 99 : found->second->ignoreReason();
    }
};

}  // namespace

TEST_F(LEScannerIgnoreManagerTest, TheThirdOffenceOfThreeIgnoresThePeripheralWithTheReasonGivenThen) {
    LEScannerIgnoreManager manager;
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    EXPECT_FALSE(manager.peripheralIsOnTheIgnoreList("TV"));
    EXPECT_EQ(manager.peripheralsToBeAddedOnIgnoreList().at("TV")->numberOfTimesIgnored(), 2);
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 1, 3);
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList("TV"));
    EXPECT_EQ(reasonOf(manager, "TV"), 1u);
    EXPECT_EQ(manager.peripheralsToIgnore().at("TV")->numberOfTimesIgnored(), 0);
    EXPECT_TRUE(manager.peripheralsToBeAddedOnIgnoreList().empty());
    // Further offences of a listed peripheral count nothing.
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 4, 1);
    EXPECT_EQ(reasonOf(manager, "TV"), 1u);
    EXPECT_EQ(storedAfterRelaunch(), (std::map<std::string, uint32_t>{{"TV", 1}}));
}

TEST_F(LEScannerIgnoreManagerTest, AReasonOnlyGrowsAndAMissingIdentifierCountsAsIgnored) {
    LEScannerIgnoreManager manager;
    manager.permamentlyIgnorePeripheralWithUUID_forReason("four", 4);
    manager.permamentlyIgnorePeripheralWithUUID_forReason("four", 1);
    manager.permamentlyIgnorePeripheralWithUUID_forReason("one", 1);
    manager.permamentlyIgnorePeripheralWithUUID_forReason("one", 4);
    EXPECT_EQ(reasonOf(manager, "four"), 4u);
    EXPECT_EQ(reasonOf(manager, "one"), 4u);
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList(std::nullopt));
    manager.permamentlyIgnorePeripheralWithUUID_forReason(std::nullopt, 4);
    manager.ignorePeripheralWithUUID_forReason_afterCount(std::nullopt, 0, 1);
    EXPECT_EQ(manager.peripheralsToIgnore().size(), 2u);
    EXPECT_TRUE(manager.peripheralsToBeAddedOnIgnoreList().empty());
}

TEST_F(LEScannerIgnoreManagerTest, RemovingByReasonKeepsHigherReasonsInBothLists) {
    LEScannerIgnoreManager manager;
    for (uint32_t reason = 0; reason <= 4; ++reason)
        manager.permamentlyIgnorePeripheralWithUUID_forReason("p" + std::to_string(reason), reason);
    manager.ignorePeripheralWithUUID_forReason_afterCount("counted2", 2, 6);
    manager.ignorePeripheralWithUUID_forReason_afterCount("counted3", 3, 6);
    manager.removeIgnorePeripheralsForReason(2);
    auto list = manager.peripheralsToIgnore();
    EXPECT_EQ(list.size(), 2u);
    EXPECT_TRUE(list.count("p3") && list.count("p4"));
    auto counting = manager.peripheralsToBeAddedOnIgnoreList();
    EXPECT_EQ(counting.size(), 1u);
    EXPECT_TRUE(counting.count("counted3"));

    // A record without an identifier is left alone, whatever its reason.
    LEScannerIgnoreManager::Dictionary dictionary{{"x", LEScannerIgnorePeripheral::init()}};
    LEScannerIgnoreManager::removeIgnorePeripheralsForReason_fromDictionary(4, dictionary);
    EXPECT_EQ(dictionary.size(), 1u);
}

TEST_F(LEScannerIgnoreManagerTest, ClearingTheListAlsoForgetsOffencesBeingCounted) {
    LEScannerIgnoreManager manager;
    manager.permamentlyIgnorePeripheralWithUUID_forReason("listed", 4);
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    manager.removeAllPeripheralsFromTheIgnoreList();
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    manager.ignorePeripheralWithUUID_forReason_afterCount("TV", 0, 3);
    EXPECT_FALSE(manager.peripheralIsOnTheIgnoreList("TV"));
    EXPECT_FALSE(manager.peripheralIsOnTheIgnoreList("listed"));
    EXPECT_TRUE(storedAfterRelaunch().empty());
}

TEST_F(LEScannerIgnoreManagerTest, TheListSurvivesARestartAndRemovalsOfOnePeripheralAreSaved) {
    {
        LEScannerIgnoreManager manager;
        manager.permamentlyIgnorePeripheralWithUUID_forReason("A", 4);
        manager.permamentlyIgnorePeripheralWithUUID_forReason("B", 3);
        manager.ignorePeripheralWithUUID_forReason_afterCount("C", 0, 6);
    }
    relaunch();
    LEScannerIgnoreManager manager;
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList("A"));
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList("B"));
    EXPECT_EQ(reasonOf(manager, "B"), 3u);
    EXPECT_TRUE(manager.peripheralsToBeAddedOnIgnoreList().empty());  // offences are not kept
    manager.removePeripheralFromIgnoreList("A");
    manager.removePeripheralFromIgnoreList("not listed");
    EXPECT_EQ(storedAfterRelaunch(), (std::map<std::string, uint32_t>{{"B", 3}}));
}

TEST_F(LEScannerIgnoreManagerTest, RaisedReasonsAndRemovalsByReasonReachTheArchiveWithTheNextSave) {
    LEScannerIgnoreManager manager;
    manager.permamentlyIgnorePeripheralWithUUID_forReason("low", 1);
    manager.permamentlyIgnorePeripheralWithUUID_forReason("raised", 2);
    manager.permamentlyIgnorePeripheralWithUUID_forReason("raised", 3);
    manager.removeIgnorePeripheralsForReason(1);
    // In the model at once; on disk only after the next save.
    EXPECT_EQ(stored(), (std::map<std::string, uint32_t>{{"raised", 3}}));
    {
        LEScannerIgnoreManager fromModel;  // reads what the model holds now
        EXPECT_FALSE(fromModel.peripheralIsOnTheIgnoreList("low"));
    }
    EXPECT_EQ(storedAfterRelaunch(), (std::map<std::string, uint32_t>{{"low", 1}, {"raised", 2}}));
    LEScannerIgnoreManager again;
    again.permamentlyIgnorePeripheralWithUUID_forReason("raised", 3);
    DataManager::shared().saveCurrentDataModel();
    EXPECT_EQ(storedAfterRelaunch(), (std::map<std::string, uint32_t>{{"low", 1}, {"raised", 3}}));
}

TEST_F(LEScannerIgnoreManagerTest, ChangesFromTheBluetoothQueueAreSavedOnTheMainThread) {
    testsupport::LogCapture log;
    LEScannerIgnoreManager manager;
    auto queue = platform::DispatchQueue::createSerial("test.bluetooth");
    queue->sync([&] { manager.permamentlyIgnorePeripheralWithUUID_forReason("phone", 4); });
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList("phone"));
    EXPECT_TRUE(stored().empty());  // the device data has not been touched off the main thread
    runUntilIdle();
    EXPECT_EQ(stored(), (std::map<std::string, uint32_t>{{"phone", 4}}));
    EXPECT_FALSE(log.contains("saved on the main thread"));
    EXPECT_EQ(storedAfterRelaunch(), (std::map<std::string, uint32_t>{{"phone", 4}}));
}

TEST_F(LEScannerIgnoreManagerTest, AnEntryThatIsNoIgnoreRecordIsLeftOutWhenLoading) {
    testsupport::LogCapture log;
    auto model = DataManager::shared().getSavedDataModel();
    (*model->dictOfPeripheralsToIgnore())["odd"] = kestrune::DataModel::initWithCurrentDevice(nullptr);
    (*model->dictOfPeripheralsToIgnore())["fine"] =
        LEScannerIgnorePeripheral::initWithUUID_ignoreReason("fine", 2);
    LEScannerIgnoreManager manager;
    EXPECT_FALSE(manager.peripheralIsOnTheIgnoreList("odd"));
    EXPECT_TRUE(manager.peripheralIsOnTheIgnoreList("fine"));
    EXPECT_TRUE(log.contains("no ignore record"));
}
