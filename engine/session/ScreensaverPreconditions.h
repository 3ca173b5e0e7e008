#pragma once

#include <atomic>
#include <memory>

namespace kestrune {

// Whether the user's screensaver set-up lets locking by screensaver lock the Mac, and whether to warn
// the user that it does not.
class ScreensaverPreconditions {
public:
    static ScreensaverPreconditions& shared();
    static void resetSharedForTesting();
    static std::shared_ptr<ScreensaverPreconditions> make() {
        return std::make_shared<ScreensaverPreconditions>();
    }

    bool screensaverPreconditionsFalse() const { return screensaverPreconditionsFalse_; }

    bool screensaverPreconditionsUnknown() const;
    bool screensaverPreferencesCurrentSetupIsWrong() const;
    void checkForValidScreensaverPreferancesAfterLogin();
    bool shouldWarnUserAboutScreensaverPreconditions() const;
    void userUpdatedScreensaverPreconditions();

private:
    std::atomic<bool> screensaverPreconditionsFalse_{false};
};

}  // namespace kestrune
