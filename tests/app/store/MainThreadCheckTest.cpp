#include "app/store/MainThreadCheck.h"

#include <thread>

#include "app/store/ApplicationDataModel.h"
#include "app/store/DataModel.h"
#include "tests/support/TestEnvironment.h"

namespace {

using kestrune::ApplicationDataModel;
using kestrune::DataModel;

void offTheMainThread(const std::function<void()>& change) {
    std::thread worker(change);
    worker.join();
}

TEST(MainThreadCheckDeathTest, AModelChangeOffTheMainThreadStopsADebugBuild) {
#ifdef NDEBUG
    GTEST_SKIP() << "release builds do not check";
#endif
    // The child starts afresh (its main thread is the one that runs the statement), not as a fork of a
    // process with worker threads.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto applicationData = ApplicationDataModel::init();
    auto deviceData = DataModel::initWithCurrentDevice(nullptr);
    EXPECT_DEATH(offTheMainThread([&] { applicationData->setArrayOfSafeWifi(std::nullopt); }),
                 "setArrayOfSafeWifi was called off the main thread");
    EXPECT_DEATH(offTheMainThread([&] { applicationData->removeAllFailedLoginEntries(); }),
                 "removeAllFailedLoginEntries was called off the main thread");
    EXPECT_DEATH(offTheMainThread([&] { deviceData->setDictOfPasswords(std::nullopt); }),
                 "setDictOfPasswords was called off the main thread");

    // On the main thread the same changes go through.
    deviceData->setDictOfPasswords(DataModel::PasswordDictionary{{"phone", "secret"}});
    applicationData->setArrayOfSafeWifi(std::nullopt);
    EXPECT_EQ(deviceData->dictOfPasswords()->at("phone"), "secret");
    EXPECT_FALSE(applicationData->arrayOfSafeWifi());
}

}  // namespace
