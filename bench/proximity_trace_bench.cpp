// Proximity trace harness: how the lock rule behaves on seeded signal-strength traces.
//
// Not a micro-benchmark and not a test: it prints one table. Seeded traces of the phone's signal
// magnitude reach the real intake (gate and smoothing), the lock/unlock decider, the command controller
// and its execution on the simulated session, at the phone link's cadence. A small glue stands for the
// coordinator: it locks on the decider's word, unlocks without asking the phone, re-reads the signal when
// the decider asks, and locks 8.0 s after a lost link. The rule is measured as it stands; nothing here
// tunes it.
//
// Signal model (magnitude = |RSSI| in dBm, smaller is nearer), per trace:
//   noise-free   60 + 10 n log10(d / 1 m), n drawn from 2..3 (60 at 1.0 m, the default lock distance,
//                as the distance table of the engine has it);
//   shadowing    a slowly varying Gaussian term (first-order autoregressive, 5 s correlation time) with
//                the line's sigma: 4, 6 or 8 dB;
//   fading       an independent Gaussian term for every reading, 3 dB;
//   body blocks  dips of +10..20 dB lasting 2..10 s (about one per 3 min seated, one per 30 s walking);
//   level shifts +10 dB lasting 5..30 min (about one per desk-hour; one walk-away trace in five starts
//                with the phone in a bag);
//   dropouts     5..60 s without any reading (about one per 20 min); a link silent for 6.5 s is lost,
//                and the lock on disconnect follows 8.0 s later unless the link returns first.
// The phone reports no motion (its motion tracking is off), so the gate's still-phone rule never
// refuses a reading: what is measured is the distance rule itself.
//
// Scenarios:
//   walk-away  seated at 0.5 m and typing for 20 s, then standing (input stops) and walking to 10 m at
//              1.0..1.4 m/s. Latency runs from the noise-free value crossing the lock distance (1.0 m)
//              to the session locked; no lock within 120 s is a miss. 1,000 traces per line.
//   desk       seated at 0.4..0.7 m for an hour, typing bursts of 10 s..3 min between idle spells of
//              30 s..10 min. Every proximity lock is a false lock; a lock undone by a proximity unlock
//              within 60 s is a flap; a lock still standing after 60 s is undone by the user typing the
//              password. 40 desk-hours per line.
//
// Link cadence: the scan ticks every 1.1 s and reads the signal when more than 2.0 s have passed since
// its last read; each re-check the decider asks for reads three times 0.01 s later. What a read gets:
//   fresh      a new measurement at once;
//   cached     the last measurement, which the radio renews every 1.0 s;
//   fresh-only only a measurement not given out before; the radio measures about every second
//              (0.9..1.1 s) and a read without one waits for the next (at most three reads wait).
//
// Usage: proximity_trace_bench [--traces N] [--desk-hours H] [--seed S]

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "app/records/DeviceLocalSettings.h"
#include "app/records/DeviceUser.h"
#include "app/records/MacSessionServices.h"
#include "app/records/MobileDevice.h"
#include "app/records/MobileSettings.h"
#include "app/records/MobileSettingsLocal.h"
#include "app/records/PairingInfo.h"
#include "app/records/iOSPreferences.h"
#include "app/store/DataManager.h"
#include "engine/coordinator/EngineRSSIIntake.h"
#include "engine/coordinator/EngineSessionServices.h"
#include "engine/deciders/LogoutOnDIsconnectManager.h"
#include "engine/deciders/RSSILoginLogoutDecider.h"
#include "engine/evidence/MacDisplayControl.h"
#include "engine/session/LoginLogoutController.h"
#include "platform/base/Clock.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/sim/session/SimulatedSession.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/DistributedNotificationCenter.h"
#include "platform/system/ProcessInfo.h"

using namespace kestrune;

namespace {

constexpr double kLockDistanceMetres = 1.0;
constexpr double kFadingSigma = 3.0;
constexpr double kShadowTau = 5.0;
constexpr double kLinkLostAfter = 6.5;
constexpr double kScanTick = 1.1;
constexpr double kReadSpacing = 2.0;
constexpr double kRecheckDelay = 0.01;
constexpr double kWalkWarmUp = 20.0;
constexpr double kMissAfter = 120.0;
constexpr double kFlapWindow = 60.0;
constexpr double kDeskHour = 3600.0;

enum class Profile { Fresh, Cached, FreshOnly };
const char* profileName(Profile p) {
    return p == Profile::Fresh ? "fresh" : p == Profile::Cached ? "cached" : "fresh-only";
}

struct Interval {
    double start, end, level;
};

// Poisson-placed intervals over [from, to).
std::vector<Interval> intervals(std::mt19937_64& random, double from, double to, double meanGap,
                                double minLength, double maxLength, double minLevel, double maxLevel) {
    std::vector<Interval> out;
    std::exponential_distribution<double> gap(1.0 / meanGap);
    std::uniform_real_distribution<double> length(minLength, maxLength), level(minLevel, maxLevel);
    for (double t = from + gap(random); t < to; t += gap(random)) {
        Interval i{t, t + length(random), level(random)};
        out.push_back(i);
        t = i.end;
    }
    return out;
}

double levelAt(const std::vector<Interval>& list, double t) {
    double sum = 0;
    for (const auto& i : list)
        if (t >= i.start && t < i.end) sum += i.level;
    return sum;
}

// One trace's channel: where the phone is, and what a measurement at a moment reads.
class Channel {
public:
    Channel(uint64_t eventSeed, uint64_t noiseSeed, double sigma)
        : events_(eventSeed), noise_(noiseSeed), sigma_(sigma) {
        exponent_ = std::uniform_real_distribution<double>(2.0, 3.0)(events_);
    }

    std::mt19937_64& events() { return events_; }
    std::function<double(double)> distance;  // metres at a moment
    std::vector<Interval> dips, shifts, dropouts;

    double noiseFree(double t) const {
        return 60.0 + 10.0 * exponent_ * std::log10(distance(t) / kLockDistanceMetres);
    }
    // A measurement at t (t never decreases from one call to the next).
    double measure(double t) {
        const double dt = std::max(0.0, t - shadowAt_);
        if (!shadowStarted_) {
            shadow_ = sigma_ * gauss_(noise_);
            shadowStarted_ = true;
        } else if (dt > 0) {
            const double keep = std::exp(-dt / kShadowTau);
            shadow_ = shadow_ * keep + sigma_ * std::sqrt(1 - keep * keep) * gauss_(noise_);
        }
        shadowAt_ = t;
        return noiseFree(t) + shadow_ + levelAt(dips, t) + levelAt(shifts, t) + kFadingSigma * gauss_(noise_);
    }
    bool silent(double t) const { return levelAt(dropouts, t) > 0; }

private:
    std::mt19937_64 events_, noise_;
    std::normal_distribution<double> gauss_{0.0, 1.0};
    double sigma_;
    double exponent_ = 2.5;
    double shadow_ = 0, shadowAt_ = 0;
    bool shadowStarted_ = false;
};

struct Lock {
    double at;
    int reason;  // 0 proximity, 3 lost link
    double unlockedAt = -1;
    bool unlockedByHand = false;
};

struct LineResult {
    std::vector<double> latencies;
    int misses = 0, earlyLocks = 0, walkDisconnectLocks = 0;
    int deskFalseLocks = 0, deskFlaps = 0, deskDropouts = 0, deskLinkLosses = 0, deskDisconnectLocks = 0;
    double deskHours = 0;
};

// The world of one run: the simulated session, the phone's records, the real controller, and the glue
// that stands for the coordinator and the phone link.
class Harness : public RSSILoginLogoutDeciderDelegate,
                public LoginLogoutControllerDelegate,
                public LogoutOnDIsconnectManagerDelegate {
public:
    Harness() {
        char pattern[] = "/tmp/kestrune-proximity-trace-XXXXXX";
        home_ = mkdtemp(pattern);
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            setenv(v, (home_ + (std::string(v) == "HOME" ? "" : std::string("/") + v)).c_str(), 1);
        platform::Log::setSink([](const std::string&) {});
        platform::Clock::useVirtualTime();
        platform::RunLoop::main().reset();
        platform::UserDefaults::resetAllForTesting();
        DataManager::resetSharedForTesting();
        session_ = platform::SimulatedSession::create(home_ + "/session");
        session_->install();
        EngineSessionServices::install();
        MacDisplayControl::shared().startTrackingDisplayChanges();

        auto& manager = DataManager::shared();
        phone_ = MobileDevice::initWithUnId(std::string("phone-1"));
        auto user = DeviceUser::init();
        user->setUsername(platform::ProcessInfo::shared().userName());
        settings_ = MobileSettings::initWithUnId_andDeviceUser(std::string("phone-1"), user);
        settings_->pairingInfo()->setConnectionStatus(platform::Number(6));
        settings_->iOSSettings()->setUseMotionTracking(platform::Number(false));
        settings_->iOSSettings()->setIOSCharging(platform::Number(false));
        (*manager.model()->dictOfAllMobileDevice())["phone-1"] = phone_;
        (*manager.model()->dictOfMobileDeviceSettings())["phone-1"] = settings_;
        manager.setClearTextPassword_forMobileDevice("password", phone_);
        DeviceLocalSettings::shared().setAllowLogoutOnWalkAway(true);
        DeviceLocalSettings::shared().setAllowLoginOnApproach(true);

        controller_ = LoginLogoutController::init();
        controller_->delegate = this;
        disconnect_ = std::make_shared<LogoutOnDIsconnectManager>();
        disconnect_->delegate = this;
        auto& distributed = platform::DistributedNotificationCenter::defaultCenter();
        lockedObservation_ = distributed.addObserver(
            "com.apple.screenIsLocked", nullptr, [this](const platform::Notification&) { sessionLocked(); });
        unlockedObservation_ =
            distributed.addObserver("com.apple.screenIsUnlocked", nullptr,
                                    [this](const platform::Notification&) { sessionUnlocked(); });
        platform::RunLoop::main().advance(100);
    }

    ~Harness() override {
        stopTrace();
        controller_.reset();
        platform::RunLoop::main().runUntilIdle();
        platform::SimulatedSession::uninstall();
        MacSessionServices::install(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(home_, ignored);
    }

    void walkAway(Channel& channel, Profile profile, LineResult& result) {
        const double t0 = now();
        const double standAt = t0 + kWalkWarmUp;
        std::mt19937_64& r = channel.events();
        const double speed = std::uniform_real_distribution<double>(1.0, 1.4)(r);
        channel.distance = [standAt, speed](double t) {
            return t < standAt ? 0.5 : std::min(10.0, 0.5 + speed * (t - standAt));
        };
        const double crossing = standAt + (kLockDistanceMetres - 0.5) / speed;
        const double end = crossing + kMissAfter;
        channel.dips = intervals(r, standAt, end, 30.0, 2, 10, 10, 20);
        auto seated = intervals(r, t0, standAt, 180.0, 2, 10, 10, 20);
        channel.dips.insert(channel.dips.end(), seated.begin(), seated.end());
        if (std::uniform_real_distribution<double>(0, 1)(r) < 0.2) channel.shifts.push_back({t0, end, 10});
        channel.dropouts = intervals(r, t0, end, 1200.0, 5, 60, 1, 1);
        typing_ = [standAt](double t) { return t < standAt; };

        startTrace(channel, profile, end);
        const Lock* first = locks_.empty() ? nullptr : &locks_.front();
        if (!first || first->at > end) {
            ++result.misses;
        } else if (first->at < crossing) {
            ++result.earlyLocks;
            if (first->reason == kCommandReasonConnectionLost) ++result.walkDisconnectLocks;
        } else {
            result.latencies.push_back(first->at - crossing);
            if (first->reason == kCommandReasonConnectionLost) ++result.walkDisconnectLocks;
        }
        stopTrace();
    }

    void deskHour(Channel& channel, Profile profile, LineResult& result) {
        const double t0 = now();
        const double end = t0 + kDeskHour;
        std::mt19937_64& r = channel.events();
        const double seatedAt = std::uniform_real_distribution<double>(0.4, 0.7)(r);
        channel.distance = [seatedAt](double) { return seatedAt; };
        channel.dips = intervals(r, t0, end, 180.0, 2, 10, 10, 20);
        channel.shifts = intervals(r, t0, end, 3600.0, 300, 1800, 10, 10);
        channel.dropouts = intervals(r, t0, end, 1200.0, 5, 60, 1, 1);
        // Typing bursts between idle spells.
        auto bursts = std::make_shared<std::vector<Interval>>();
        bool typingNow = std::uniform_real_distribution<double>(0, 1)(r) < 0.5;
        for (double t = t0; t < end; typingNow = !typingNow) {
            const double length = typingNow ? std::uniform_real_distribution<double>(10, 180)(r)
                                            : std::uniform_real_distribution<double>(30, 600)(r);
            if (typingNow) bursts->push_back({t, t + length, 1});
            t += length;
        }
        typing_ = [bursts](double t) { return levelAt(*bursts, t) > 0; };

        startTrace(channel, profile, end);
        for (const auto& lock : locks_) {
            if (lock.at > end) continue;
            if (lock.reason == kCommandReasonConnectionLost) {
                ++result.deskDisconnectLocks;
                continue;
            }
            ++result.deskFalseLocks;
            if (lock.unlockedAt >= 0 && !lock.unlockedByHand && lock.unlockedAt - lock.at < kFlapWindow)
                ++result.deskFlaps;
        }
        for (const auto& d : channel.dropouts) {
            if (d.start >= end) continue;
            ++result.deskDropouts;
            result.deskLinkLosses += d.end - d.start > kLinkLostAfter;
        }
        result.deskHours += 1;
        stopTrace();
    }

    // RSSILoginLogoutDeciderDelegate: the coordinator's part, cut down to what the rule needs.
    void RSSILoginLogoutDecider_recheckRssiForMobileDevice(RSSILoginLogoutDecider&,
                                                           const std::shared_ptr<MobileDevice>&) override {
        recheck();
    }
    void RSSILoginLogoutDecider_didUpdateRSSIForMobileDevice(RSSILoginLogoutDecider&,
                                                             const std::shared_ptr<MobileDevice>&) override {}
    void RSSILoginLogoutDecider_didExitKestruneRadius(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {}
    void RSSILoginLogoutDecider_logoutForMobileDevice(RSSILoginLogoutDecider&,
                                                      const std::shared_ptr<MobileDevice>&) override {
        lockReason_ = kCommandReasonProximity;
        controller_->lockScreenFromMobileDevice_action_commandReason(phone_, 0, kCommandReasonProximity);
    }
    void RSSILoginLogoutDecider_didEnterKestruneRadius(RSSILoginLogoutDecider&,
                                                       const std::shared_ptr<MobileDevice>&) override {}
    void RSSILoginLogoutDecider_loginForMobileDevice(RSSILoginLogoutDecider&,
                                                     const std::shared_ptr<MobileDevice>&) override {
        if (!controller_->isAnyCommandInExecution())
            controller_->loginByMobileDevice_withCommandReason(phone_, kCommandReasonProximity);
    }
    void RSSILoginLogoutDecider_didUpdateOverAllInfoForMobileDevice(
        RSSILoginLogoutDecider&, const std::shared_ptr<MobileDevice>&) override {}

    // LoginLogoutControllerDelegate: the outcomes are read off the session itself.
    void loginLogoutController_didLoginbyMobileDevice_commandReason(LoginLogoutController&,
                                                                    const std::shared_ptr<MobileDevice>&,
                                                                    int) override {}
    void loginLogoutControllerDidLoginManualyByUser(LoginLogoutController&) override {}
    void loginLogoutControllerDidFailToLogin(LoginLogoutController&) override {}
    void loginLogoutController_didLogoutbyMobileDevice_commandReason(LoginLogoutController&,
                                                                     const std::shared_ptr<MobileDevice>&,
                                                                     int) override {}
    void loginLogoutControllerDidLogoutManualyByUser(LoginLogoutController&) override {}
    void loginLogoutControllerUnableToUnlockMac(LoginLogoutController&) override {}
    void loginLogoutControllerUnableToLockMac(LoginLogoutController&) override {}
    void loginLogoutControllerDisplayOnButUserNotLoggedIn(LoginLogoutController&) override {}
    void loginLogoutController_canNotLoginWithGivenPasswordForMobileDevice(
        LoginLogoutController&, const std::shared_ptr<MobileDevice>&) override {}

    // LogoutOnDIsconnectManagerDelegate: lock with the lost-link reason, if someone is logged in.
    void logoutOnDisconnectManagerShouldLogout(LogoutOnDIsconnectManager&) override {
        if (!MacDisplayControl::shared().ifUserLoggedInAndActive()) return;
        lockReason_ = kCommandReasonConnectionLost;
        controller_->lockScreenFromMobileDevice_action_commandReason(phone_, 0, kCommandReasonConnectionLost);
    }

private:
    static double now() { return platform::Clock::now(); }

    std::shared_ptr<platform::Timer> after(double seconds, std::function<void()> work) {
        auto timer = platform::RunLoop::main().performAfterDelay(seconds, std::move(work));
        timers_.push_back(timer);
        return timer;
    }
    std::shared_ptr<platform::Timer> every(double seconds, std::function<void()> work) {
        auto timer = platform::Timer::scheduledTimer(seconds, true, [work](platform::Timer&) { work(); });
        timers_.push_back(timer);
        return timer;
    }

    void startTrace(Channel& channel, Profile profile, double end) {
        channel_ = &channel;
        profile_ = profile;
        locks_.clear();
        decider_ = std::make_unique<RSSILoginLogoutDecider>();
        decider_->delegate = this;
        linkUp_ = true;
        answering_ = !channel.silent(now());
        lastRead_ = -std::numeric_limits<double>::infinity();
        pendingReads_ = 0;
        freshUndelivered_ = false;
        cached_ = channel.measure(now());

        every(kScanTick, [this] { scanTick(); });
        every(1.0, [this] {
            if (typing_(now()) && !session_->isLocked()) session_->userInput();
        });
        if (profile == Profile::Cached) every(1.0, [this] { cached_ = channel_->measure(now()); });
        if (profile == Profile::FreshOnly) scheduleMeasurement();
        for (const auto& d : channel.dropouts) {
            if (d.start >= end) continue;
            after(d.start - now(), [this] {
                answering_ = false;
                pendingReads_ = 0;
            });
            if (d.end - d.start > kLinkLostAfter)
                after(d.start + kLinkLostAfter - now(), [this] {
                    linkUp_ = false;
                    disconnect_->startLogoutOnDisconnectProcess();
                });
            after(d.end - now(), [this] { linkReturns(); });
        }
        platform::RunLoop::main().advance(end - now());
    }

    // Between traces: no more readings; the session back to an unlocked, idle desk.
    void stopTrace() {
        for (auto& timer : timers_) timer->invalidate();
        timers_.clear();
        disconnect_->cancelLogoutOnDisconnectProces();
        linkUp_ = false;
        answering_ = false;
        decider_.reset();
        platform::RunLoop::main().advance(10);
        if (session_->isLocked()) unlockByHand();
        for (int i = 0; i < 12 && controller_->isAnyCommandInExecution(); ++i)
            platform::RunLoop::main().advance(5);
        settings_->setDistanceFromDevice(std::nullopt);
        DataManager::shared().upadteRSSILocationToUnknownForMobileDevice(phone_);
        platform::RunLoop::main().advance(10);
    }

    void unlockByHand() {
        session_->wakeDisplays();
        platform::RunLoop::main().advance(0.5);
        for (char ch : std::string("password"))
            session_->postKeyEvent(platform::KeyEvent{0, 0, true, std::u16string(1, ch)});
        session_->postKeyEvent(platform::KeyEvent{36, 0, true, {}});
        platform::RunLoop::main().advance(1);
    }

    void sessionLocked() {
        if (!channel_) return;
        locks_.push_back({now(), lockReason_});
        lockReason_ = kCommandReasonProximity;
        const size_t index = locks_.size() - 1;
        // The user at the desk unlocks by hand when the lock still stands a minute later.
        after(kFlapWindow, [this, index] {
            if (!session_->isLocked() || index + 1 != locks_.size()) return;
            locks_[index].unlockedByHand = true;
            unlockByHand();
        });
    }
    void sessionUnlocked() {
        if (!locks_.empty() && locks_.back().unlockedAt < 0) locks_.back().unlockedAt = now();
    }

    // The link ----------------------------------------------------------------------------------------
    void scanTick() {
        if (!linkUp_ || now() - lastRead_ <= kReadSpacing) return;
        lastRead_ = now();
        read();
    }
    void recheck() {
        after(kRecheckDelay, [this] {
            for (int i = 0; i < 3; ++i) read();
        });
    }
    void read() {
        if (!linkUp_ || !answering_) return;
        switch (profile_) {
            case Profile::Fresh:
                deliver(channel_->measure(now()));
                break;
            case Profile::Cached:
                deliver(cached_);
                break;
            case Profile::FreshOnly:
                if (freshUndelivered_) {
                    freshUndelivered_ = false;
                    deliver(fresh_);
                } else {
                    pendingReads_ = std::min(3, pendingReads_ + 1);
                }
                break;
        }
    }
    void scheduleMeasurement() {
        std::uniform_real_distribution<double> gap(0.9, 1.1);
        after(gap(channel_->events()), [this] {
            const double value = channel_->measure(now());
            if (pendingReads_ > 0 && linkUp_ && answering_) {
                --pendingReads_;
                deliver(value);
            } else {
                fresh_ = value;
                freshUndelivered_ = true;
            }
            scheduleMeasurement();
        });
    }
    void linkReturns() {
        answering_ = true;
        if (linkUp_) return;
        // A new connection: syncing starts, the pending lock is called off, the confirmed side is
        // forgotten and the signal is read at once.
        linkUp_ = true;
        disconnect_->cancelLogoutOnDisconnectProces();
        DataManager::shared().upadteRSSILocationToUnknownForMobileDevice(phone_);
        recheck();
    }
    // A reading, as the request dispatcher and the coordinator hand it on.
    void deliver(double magnitude) {
        const long rounded = std::lround(magnitude);
        if (rounded <= 0 || rounded == 127 || !decider_) return;
        const platform::Number reading(static_cast<int>(rounded));
        if (!intake_.shouldUpdateRSSIForMobileDeviceSettings(settings_)) return;
        intake_.smoothenRSSI_forMobileDevice(reading, phone_);
        if (auto stored = settings_->distanceFromDevice())
            decider_->didUpdateRSSI_fromMobileDevice(*stored, phone_);
    }

    std::string home_;
    std::shared_ptr<platform::SimulatedSession> session_;
    std::shared_ptr<MobileDevice> phone_;
    std::shared_ptr<MobileSettings> settings_;
    std::shared_ptr<LoginLogoutController> controller_;
    std::shared_ptr<LogoutOnDIsconnectManager> disconnect_;
    std::unique_ptr<RSSILoginLogoutDecider> decider_;
    EngineRSSIIntake intake_;
    platform::NotificationCenter::Observation lockedObservation_, unlockedObservation_;

    Channel* channel_ = nullptr;
    Profile profile_ = Profile::Fresh;
    std::function<bool(double)> typing_;
    std::vector<std::shared_ptr<platform::Timer>> timers_;
    std::vector<Lock> locks_;
    int lockReason_ = kCommandReasonProximity;
    bool linkUp_ = false, answering_ = false;
    double lastRead_ = 0;
    double cached_ = 0, fresh_ = 0;
    bool freshUndelivered_ = false;
    int pendingReads_ = 0;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return std::nan("");
    std::sort(values.begin(), values.end());
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::clamp<size_t>(rank, 1, values.size()) - 1];
}

std::string number(double value, int decimals) {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string perHour(double count, double hours) {
    return hours > 0 ? number(count / hours, 3) : "-";
}

uint64_t seedFor(uint64_t base, int sigma, int kind, int index, int stream) {
    std::seed_seq seq{static_cast<uint32_t>(base),  static_cast<uint32_t>(base >> 32),
                      static_cast<uint32_t>(sigma), static_cast<uint32_t>(kind),
                      static_cast<uint32_t>(index), static_cast<uint32_t>(stream)};
    uint64_t out[1];
    seq.generate(reinterpret_cast<uint32_t*>(out), reinterpret_cast<uint32_t*>(out) + 2);
    return out[0];
}

}  // namespace

int main(int argc, char** argv) {
    int traces = 1000, deskHours = 40;
    uint64_t seed = 20270115;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--traces")) traces = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--desk-hours")) deskHours = std::atoi(argv[i + 1]);
        if (!std::strcmp(argv[i], "--seed")) seed = std::strtoull(argv[i + 1], nullptr, 10);
    }
    const auto began = std::chrono::steady_clock::now();
    std::printf("Proximity traces: %d walk-away traces and %d desk-hours per line, seed %llu\n", traces,
                deskHours, static_cast<unsigned long long>(seed));
    std::printf("%-6s %-10s | %8s %8s %7s %6s | %11s %9s\n", "sigma", "reads", "p50 (s)", "p95 (s)", "misses",
                "early", "false/hour", "flaps/hour");
    LineResult dropoutTotals;
    int lines = 0;
    {
        Harness harness;
        for (int sigma : {4, 6, 8}) {
            for (Profile profile : {Profile::Fresh, Profile::Cached, Profile::FreshOnly}) {
                LineResult result;
                for (int i = 0; i < traces; ++i) {
                    Channel channel(seedFor(seed, sigma, 0, i, 0),
                                    seedFor(seed, sigma, 0, i, 1 + int(profile)), sigma);
                    harness.walkAway(channel, profile, result);
                }
                for (int h = 0; h < deskHours; ++h) {
                    Channel channel(seedFor(seed, sigma, 1, h, 0),
                                    seedFor(seed, sigma, 1, h, 1 + int(profile)), sigma);
                    harness.deskHour(channel, profile, result);
                }
                std::printf("%-6s %-10s | %8s %8s %7d %6d | %11s %9s\n",
                            (std::to_string(sigma) + " dB").c_str(), profileName(profile),
                            number(percentile(result.latencies, 0.5), 2).c_str(),
                            number(percentile(result.latencies, 0.95), 2).c_str(), result.misses,
                            result.earlyLocks, perHour(result.deskFalseLocks, result.deskHours).c_str(),
                            perHour(result.deskFlaps, result.deskHours).c_str());
                std::fflush(stdout);
                dropoutTotals.walkDisconnectLocks += result.walkDisconnectLocks;
                dropoutTotals.deskDropouts += result.deskDropouts;
                dropoutTotals.deskLinkLosses += result.deskLinkLosses;
                dropoutTotals.deskDisconnectLocks += result.deskDisconnectLocks;
                dropoutTotals.deskHours += result.deskHours;
                ++lines;
            }
        }
    }
    std::printf(
        "Dropouts (all lines): %s per desk-hour, %s per desk-hour long enough to lose the link (> %.1f s), "
        "%s locks on disconnect per desk-hour; %d walk-away locks (early ones included) came from a lost "
        "link\n",
        perHour(dropoutTotals.deskDropouts, dropoutTotals.deskHours).c_str(),
        perHour(dropoutTotals.deskLinkLosses, dropoutTotals.deskHours).c_str(), kLinkLostAfter,
        perHour(dropoutTotals.deskDisconnectLocks, dropoutTotals.deskHours).c_str(),
        dropoutTotals.walkDisconnectLocks);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    std::printf("(%d lines in %.1f s)\n", lines, seconds);
    return 0;
}
