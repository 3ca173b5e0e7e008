// The product's job end to end, in virtual time, with the real classes from the simulated radio and the
// scripted phone to the keys the simulated session receives: a new phone pairs, the Mac locks when the
// phone walks away and unlocks when it comes back, the phone locks and unlocks it, and a lost link
// locks it. No key ever reaches anything but the lock screen's password field.

#include "app/records/DeviceLocalSettings.h"
#include "app/records/MobileSettings.h"
#include "app/records/PairingInfo.h"
#include "app/support/Localizable.h"
#include "platform/sim/session/SimulatedSession.h"
#include "tests/main/ScenarioFixture.h"
#include "tests/support/TestEnvironment.h"
#include "windows/wizard/InitalWizzardController.h"

using namespace scenariotests;
using kestrune::DataManager;
using platform::PhoneApplication;

namespace {

class EndToEndTest : public RoadTest {
protected:
    // Keys typed into the password field since the index, and whether the last was Return.
    size_t passwordKeysSince(size_t from) const {
        auto keys = session->keyLog();
        size_t count = 0;
        for (size_t i = from; i < keys.size(); ++i)
            count += keys[i].event.keyDown &&
                     keys[i].destination == platform::SimulatedSession::KeyDestination::PasswordField;
        return count;
    }
    // The phone is paired, its application in front and proximity locking on at 60.
    void pairAndTrack() {
        ASSERT_TRUE(advanceUntil([&] { return world->openPairingWizard(); }, 5));
        phone().appear();
        ASSERT_TRUE(advanceUntil([&] { return phone().isAuthenticated(); }, 30)) << "the Mac found the phone";
        phone().askToPair();
        ASSERT_TRUE(advanceUntil([&] { return world->answerPairingRequest(true); }, 5));
        ASSERT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kPairingAccepted); }, 5));
        phone().sendPassword(world->user(), kestrune::ScenarioWorld::kPassword);
        ASSERT_TRUE(advanceUntil([&] { return world->paired(); }, 5));
        EXPECT_TRUE(phone().heard(PhoneApplication::kStatus, std::string("6")));
        phone().sendSettings(2);
        phone().reportApplicationState(2);
        phone().setProximityLock(true, 60);
        advance(2);
        auto settings = DataManager::shared().getTrackingSettings();
        ASSERT_TRUE(settings);
        ASSERT_TRUE(settings->mobileDeviceTrackInfo()->shouldTrackMobileDevice()->boolValue());
    }
    // The coordinator reported the outcome (the session changes a moment before it hears).
    bool reported(const testsupport::LogCapture& capture, const std::string& outcome) {
        return advanceUntil([&] { return capture.contains(outcome); }, 3);
    }
    // The user works at the Mac for the seconds given.
    void workFor(double seconds) {
        for (double t = 0; t < seconds; t += 1) {
            world->userInput();
            advance(1);
        }
    }
};

TEST_F(EndToEndTest, PairWalkAwayComeBackPhoneLockAndUnlockThenALostLinkLocks) {
    testsupport::LogCapture capture;
    launch();
    pairAndTrack();
    workFor(10);
    EXPECT_FALSE(session->isLocked()) << "at the desk nothing locks";

    // Walking away with the phone: the signal fades, the Mac locks by proximity.
    phone().moveTo(-80, 6);
    ASSERT_TRUE(advanceUntil([&] { return session->isLocked(); }, 20)) << "locked when the phone left";
    EXPECT_TRUE(reported(capture, "Outcome: locked (proximity)"));
    EXPECT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kSessionChanged); }, 3));
    advance(5);

    // Coming back: the Mac types the password into the lock screen and unlocks.
    size_t keysBefore = session->keyLog().size();
    phone().moveTo(PhoneApplication::kDeskRSSI, 4);
    ASSERT_TRUE(advanceUntil([&] { return !session->isLocked(); }, 20))
        << "unlocked when the phone came back";
    EXPECT_TRUE(reported(capture, "Outcome: unlocked (proximity)"));
    EXPECT_EQ(passwordKeysSince(keysBefore), std::string(kestrune::ScenarioWorld::kPassword).size() + 3)
        << "select all, delete, the password and Return, into the password field";
    workFor(5);

    // The phone locks the Mac, then unlocks it.
    phone().lockMac(world->user());
    ASSERT_TRUE(advanceUntil([&] { return session->isLocked(); }, 10));
    EXPECT_TRUE(reported(capture, "Outcome: locked (phone command)"));
    advance(5);
    EXPECT_TRUE(session->isLocked()) << "a lock on purpose with the phone near is not undone by proximity";
    phone().unlockMac(world->user());
    ASSERT_TRUE(advanceUntil([&] { return !session->isLocked(); }, 10));
    EXPECT_TRUE(reported(capture, "Outcome: unlocked (phone command)"));
    workFor(5);

    // The phone's battery dies: the link is lost and, with the lock on disconnect chosen, the Mac locks.
    kestrune::DeviceLocalSettings::shared().setLogoutOnDisconnect(true);
    phone().vanish();
    advance(3);
    EXPECT_FALSE(session->isLocked()) << "the grace period runs first";
    ASSERT_TRUE(advanceUntil([&] { return session->isLocked(); }, 15)) << "locked after the lost link";
    EXPECT_TRUE(reported(capture, "Outcome: locked (lost connection)"));

    // Every key the application typed went into the lock screen's password field, but the system's own
    // lock shortcut; none reached an application.
    EXPECT_TRUE(session->keysReachingApplications().empty());
    for (const auto& key : session->keyLog())
        EXPECT_TRUE(key.destination == platform::SimulatedSession::KeyDestination::PasswordField ||
                    key.destination == platform::SimulatedSession::KeyDestination::SessionCommand);
}

TEST_F(EndToEndTest, AWrongPasswordIsRefusedWithStatus4AndNothingIsPaired) {
    launch();
    ASSERT_TRUE(advanceUntil([&] { return world->openPairingWizard(); }, 5));
    phone().appear();
    ASSERT_TRUE(advanceUntil([&] { return phone().isAuthenticated(); }, 30));
    phone().askToPair();
    ASSERT_TRUE(advanceUntil([&] { return world->answerPairingRequest(true); }, 5));
    ASSERT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kPairingAccepted); }, 5));
    phone().sendPassword(world->user(), "not the password");
    ASSERT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kStatus, std::string("4")); }, 5));
    EXPECT_FALSE(world->paired());
    EXPECT_FALSE(session->isLocked());
    EXPECT_TRUE(session->keyLog().empty());
}

// The user's clicks reach only what the settings window shows: the request page's buttons wait in the
// wizard, scrolled away, until a phone asks; Deny on it refuses the phone, and the wizard starts over.
TEST_F(EndToEndTest, DenyOnThePairingWizardRefusesThePhoneAndNothingIsClickedBeforeItShows) {
    launch();
    EXPECT_FALSE(world->answerPairingRequest(false)) << "no wizard yet";
    ASSERT_TRUE(advanceUntil([&] { return world->openPairingWizard(); }, 5));
    // The first page on screen (its own button seen), the request page beside it, scrolled away.
    ASSERT_TRUE(advanceUntil([&] { return world->sees(kestrune::localizable("troubleshoot")); }, 5));
    EXPECT_TRUE(world->pairingWizardShows(kestrune::InitalWizzardController::kHomePage));
    EXPECT_FALSE(world->sees(kestrune::localizable("deny"))) << "the request page is not on screen";
    EXPECT_FALSE(world->answerPairingRequest(false));
    EXPECT_FALSE(world->click(kestrune::localizable("deny")));
    phone().appear();
    ASSERT_TRUE(advanceUntil([&] { return phone().isAuthenticated(); }, 30));
    phone().askToPair();
    ASSERT_TRUE(advanceUntil([&] { return world->pairingWizardAsksToAccept(); }, 5));
    EXPECT_TRUE(world->answerPairingRequest(false));
    EXPECT_TRUE(advanceUntil([&] { return phone().heard(PhoneApplication::kPairingRefused); }, 5));
    EXPECT_FALSE(phone().heard(PhoneApplication::kPairingAccepted));
    EXPECT_TRUE(world->pairingWizardShows(kestrune::InitalWizzardController::kHomePage));
    advance(3);
    EXPECT_FALSE(world->paired());
}

}  // namespace
