#include "app/store/HistoryServices.h"

#include <ctime>

#include "app/records/LoginLogoutEntry.h"
#include "app/store/ApplicationDataModel.h"
#include "app/store/DataManager.h"
#include "app/support/Localizable.h"
#include "app/support/Utilities.h"
#include "platform/base/BackendSlot.h"
#include "platform/base/Log.h"

namespace kestrune {

namespace {

constexpr size_t kMaximumHistory = 500;

bool contains(const std::string& line, const std::string& text) {
    return !text.empty() && line.find(text) != std::string::npos;
}

class DefaultHistoryServices : public HistoryServices {
public:
    bool applicationDataIsEmpty() override {
        auto data = DataManager::shared().applicationData();
        if (!data) return true;
        const bool noFailed = !data->arrayOfFailedLogins() || data->arrayOfFailedLogins()->empty();
        const bool noHistory = !data->arrayOfLoginLogouts() || data->arrayOfLoginLogouts()->empty();
        return noFailed && noHistory;
    }
    void appendOlderTrackEvents(const std::vector<TrackEvent>& newestFirst) override {
        auto data = DataManager::shared().applicationData();
        if (!data) return;
        auto& list = data->arrayOfLoginLogouts();
        if (!list) list.emplace();
        for (const auto& [event, date] : newestFirst) {
            if (list->size() >= kMaximumHistory) break;
            list->push_back(LoginLogoutEntry::initWithEvent_date_reason(event, date, 0));
        }
    }
    void saveTrackEvents() override { DataManager::shared().saveApplicationData(); }

    std::string loginTrackerOldFilePath() override {
        return Utilities::documentsDirectory() + "/" + kTrackerFileName;
    }
    std::string loginTrackerNewFilePath() override {
        return Utilities::applicationKestruneLibraryDirectoryOrDocumentsFallback() + "/" + kTrackerFileName;
    }
    std::optional<platform::Date> dateForLine(const std::string& line) override {
        return parseTrackerDate(line);
    }
    bool isSessionDurationLine(const std::string& line) override { return contains(line, "---------------"); }
    bool isKestruneStartedForLine(const std::string& line) override {
        return contains(line, localizable("kestrune_started"));
    }
    bool isLoginEntryForLine(const std::string& line) override {
        return contains(line, localizable("mac_unlocked"));
    }
    bool isLogoutEntryForLine(const std::string& line) override {
        return contains(line, localizable("mac_locked"));
    }

    void setNotificationOnLogin(bool on) override {
        platform::logf("Notification after each unlock: %s", on ? "on" : "off");
        notificationOnLogin_ = on;
    }

private:
    bool notificationOnLogin_ = false;
};

}  // namespace

std::shared_ptr<HistoryServices> HistoryServices::current() {
    return platform::backendSlot<HistoryServices>().getOr<DefaultHistoryServices>();
}

void HistoryServices::install(std::shared_ptr<HistoryServices> services) {
    platform::backendSlot<HistoryServices>().set(std::move(services));
}

std::optional<platform::Date> HistoryServices::parseTrackerDate(const std::string& line) {
    // Exactly "dddd-dd-dd dd:dd:dd": the platform's formatter refuses anything else.
    static const char* kShape = "dddd-dd-dd dd:dd:dd";
    if (line.size() < 19) return std::nullopt;
    for (size_t i = 0; i < 19; ++i) {
        const bool digit = line[i] >= '0' && line[i] <= '9';
        if (kShape[i] == 'd' ? !digit : line[i] != kShape[i]) return std::nullopt;
    }
    auto number = [&](size_t at, size_t length) { return std::stoi(line.substr(at, length)); };
    struct tm parts = {};
    parts.tm_year = number(0, 4) - 1900;
    parts.tm_mon = number(5, 2) - 1;
    parts.tm_mday = number(8, 2);
    parts.tm_hour = number(11, 2);
    parts.tm_min = number(14, 2);
    parts.tm_sec = number(17, 2);
    parts.tm_isdst = -1;
    if (parts.tm_mon > 11 || parts.tm_mday < 1 || parts.tm_mday > 31 || parts.tm_hour > 23 ||
        parts.tm_min > 59 || parts.tm_sec > 60)
        return std::nullopt;
    const int month = parts.tm_mon, day = parts.tm_mday;
    const time_t seconds = mktime(&parts);
    if (seconds == static_cast<time_t>(-1) || parts.tm_mon != month || parts.tm_mday != day)
        return std::nullopt;
    return platform::Date::dateWithTimeIntervalSince1970(static_cast<double>(seconds));
}

}  // namespace kestrune
