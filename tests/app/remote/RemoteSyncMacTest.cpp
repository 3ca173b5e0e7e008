#include "app/remote/RemoteSyncMac.h"

#include "tests/app/BackendFixture.h"

namespace {

using kestrune::Common;
using kestrune::RemotePairedDevices;
using kestrune::RemoteSyncMac;
using testsupport::LoopbackServer;

class UnlinkRecorder : public kestrune::RemoteSyncMacDelegate {
public:
    void remoteSyncMac_didUnlinkFromDevice(RemoteSyncMac&,
                                           const std::shared_ptr<kestrune::MobileDevice>& d) override {
        devices.push_back(d);
    }
    std::vector<std::shared_ptr<kestrune::MobileDevice>> devices;
};

class RemoteSyncMacTest : public recordtests::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        sync = RemoteSyncMac::create();
        sync->delegate = &recorder;
        macId = Common::uniqueAppIdentifier();
    }
    // The stored records the query answers with; a held answer waits until the server lets it go.
    void answerQuery(const std::vector<nlohmann::json>& records, int status = 200, bool held = false) {
        nlohmann::json results = nlohmann::json::array();
        for (const auto& record : records) results.push_back(record);
        testsupport::LoopbackServer::Answer answer{status, {}, nlohmann::json{{"results", results}}.dump()};
        answer.held = held;
        server.enqueue("/parse/classes/PairedDevices", std::move(answer));
    }
    nlohmann::json stored(const std::string& objectId, const std::string& phone,
                          const nlohmann::json& stamp) {
        return {
            {"objectId", objectId}, {"macId", macId}, {"iPhoneId", phone}, {"lastUpdateTimestamp", stamp}};
    }

    std::shared_ptr<RemoteSyncMac> sync;
    UnlinkRecorder recorder;
    std::string macId;
};

TEST_F(RemoteSyncMacTest, WithNoTrackedPhoneANewRecordHasAnEmptyPhoneAndTheTimeOfWriting) {
    answerQuery({});
    sync->updateCurrentRemoteStateIfNeeded();
    runUntilIdle();

    auto gets = requestsWithMethod("GET");
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].target.find("where=%7B%22macId%22%3A%22" + macId + "%22%7D"), std::string::npos);
    auto posts = requestsWithMethod("POST");
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].path, "/parse/classes/PairedDevices");
    EXPECT_EQ(
        bodyOf(posts[0]),
        (nlohmann::json{{"macId", macId}, {"iPhoneId", ""}, {"lastUpdateTimestamp", "1800000000.000000"}}));
    EXPECT_FALSE(sync->requestInProgress);
}

TEST_F(RemoteSyncMacTest, AStoredRecordIsOverwrittenOnlyWhenItNamesAnotherPhone) {
    addPhone("phone-now", true);
    struct Case {
        const char* name;
        std::vector<nlohmann::json> records;
        std::vector<std::string> overwritten;
    };
    const Case cases[] = {
        {"same phone", {stored("o1", "phone-now", "5")}, {}},
        {"another phone", {stored("o2", "phone-before", "5")}, {"/parse/classes/PairedDevices/o2"}},
        {"another Mac's record", {{{"objectId", "o3"}, {"macId", "other"}, {"iPhoneId", "x"}}}, {}},
        {"two records",
         {stored("o4", "phone-now", "5"), stored("o5", "", "5")},
         {"/parse/classes/PairedDevices/o5"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t before = requestsWithMethod("PUT").size();
        answerQuery(c.records);
        sync->updateCurrentRemoteStateIfNeeded();
        runUntilIdle();
        auto puts = requestsWithMethod("PUT");
        std::vector<std::string> paths;
        for (size_t i = before; i < puts.size(); ++i) {
            paths.push_back(puts[i].path);
            EXPECT_EQ(bodyOf(puts[i])["iPhoneId"], "phone-now");
            EXPECT_EQ(bodyOf(puts[i])["lastUpdateTimestamp"], "1800000000.000000");
        }
        EXPECT_EQ(paths, c.overwritten);
        EXPECT_TRUE(requestsWithMethod("POST").empty());
    }
}

TEST_F(RemoteSyncMacTest, OneWriteCycleAtATimeAndAnErrorEndsIt) {
    answerQuery({}, 500, /*held=*/true);
    sync->updateCurrentRemoteStateIfNeeded();
    sync->updateCurrentRemoteStateIfNeeded();
    // The query stays out until both jobs have run, whichever worker got ahead: the later one meets a
    // cycle still going, never one that the query's error has already ended.
    ASSERT_TRUE(waitUntilOnlyHeldRequestsRemain(1)) << "no query held, or a job still running";
    server.releaseHeldAnswers();
    runUntilIdle();
    EXPECT_EQ(requestsWithMethod("GET").size(), 1u);
    EXPECT_FALSE(sync->requestInProgress) << "an error must end the cycle";
    EXPECT_TRUE(requestsWithMethod("POST").empty());

    sync->updateCurrentRemoteStateIfNeeded();
    runUntilIdle();
    EXPECT_EQ(requestsWithMethod("GET").size(), 2u);
}

TEST_F(RemoteSyncMacTest, NothingGoesOutWithoutInternet) {
    reachability->setFlags(0);
    addPhone("phone-now", true);
    sync->updateCurrentRemoteStateIfNeeded();
    sync->checkIfDeviceUnlinkedRemotely();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST_F(RemoteSyncMacTest, AnUnlinkIsFoundOnlyWhenTheRecordIsNewerThanTheLastConnection) {
    struct Case {
        const char* name;
        bool connected;
        std::optional<double> lastConnection;
        std::string storedPhone;
        nlohmann::json stamp;
        bool unlinked;
    };
    const Case cases[] = {
        {"another phone written after the last connection", false, 1000, "other", "1000.5", true},
        {"a number stamp", false, 1000, "other", 2000, true},
        {"still connected", true, 1000, "other", "2000", false},
        {"no last connection", false, std::nullopt, "other", "2000", false},
        {"last connection 0", false, 0, "other", "2000", false},
        {"stamp equal to the last connection", false, 1000, "other", "1000", false},
        {"a stamp that is no number reads 0", false, 1000, "other", "soon", false},
        {"the record names the tracked phone", false, 1000, "tracked", "2000", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        recorder.devices.clear();
        auto phone = addPhone("tracked", true, c.connected);
        auto settings = kestrune::DataManager::shared().settingsForDeviceId("tracked");
        settings->OSXSettings()->setLastConnectionTimestamp(
            c.lastConnection ? std::optional(platform::Number(*c.lastConnection)) : std::nullopt);
        // Every answer is this record: a case that sends no query leaves nothing queued for the next.
        server.setDefaultAnswer(
            {200, {}, nlohmann::json{{"results", {stored("o1", c.storedPhone, c.stamp)}}}.dump()});
        sync->test();
        runUntilIdle();
        if (c.unlinked) {
            ASSERT_EQ(recorder.devices.size(), 1u);
            EXPECT_EQ(recorder.devices[0], phone);
        } else {
            EXPECT_TRUE(recorder.devices.empty());
        }
        for (const auto& request : server.requests()) EXPECT_EQ(request.method, "GET") << request.target;
    }
}

TEST_F(RemoteSyncMacTest, TheUnlinkCheckNeedsATrackedPhone) {
    sync->checkIfDeviceUnlinkedRemotely();
    runUntilIdle();
    EXPECT_EQ(server.requestCount(), 0u);
}

TEST(RemotePairedDevicesTest, ABackendRecordReadsItsTimeStampAsANumber) {
    struct Case {
        platform::Value stamp;
        double expected;
    };
    const Case cases[] = {{"1700000000.250000", 1700000000.25},
                          {platform::Number(12), 12},
                          {"", 0},
                          {"12abc", 0},
                          {platform::Value(), 0},
                          {platform::Value(true), 1}};
    for (const auto& c : cases) {
        auto object = platform::BackendObject::objectWithoutDataWithClassName_objectId("PairedDevices", "id");
        object->setObject_forKey(c.stamp, "lastUpdateTimestamp");
        object->setObject_forKey("m", "macId");
        auto record = RemotePairedDevices::initWithPFObject(*object);
        EXPECT_EQ(record.lastUpdateTimestamp, c.expected) << c.stamp.description();
        EXPECT_EQ(record.objectId, "id");
        EXPECT_EQ(record.macId, "m");
        EXPECT_FALSE(record.iPhoneId);
    }
}

}  // namespace
