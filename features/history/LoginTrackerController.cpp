#include "features/history/LoginTrackerController.h"

#include "app/store/HistoryServices.h"
#include "app/support/Localizable.h"
#include "app/support/NSDateFormatterHelper.h"
#include "app/support/Utilities.h"
#include "features/history/TextFileManagement.h"
#include "features/language/BundleLanguage.h"
#include "features/language/TextFormat.h"
#include "platform/base/Clock.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/system/Workspace.h"

namespace kestrune {

namespace {
constexpr long kDateColumnEnd = 25;
constexpr long kEventColumnEnd = 40;

bool containsAnyTranslation(const std::string& line, const char* key) {
    for (const auto& text : allTranlationsForLocalizableKey(key))
        if (!text.empty() && line.find(text) != std::string::npos) return true;
    return false;
}
}  // namespace

void LoginTrackerController::applicationOpenedEntry() {
    insertentry(kStarted);
}
void LoginTrackerController::insertUnlockedEntry() {
    insertentry(kUnlocked);
}
void LoginTrackerController::insertLockedEntry() {
    insertentry(kLocked);
}

std::string LoginTrackerController::lineForCode(int code, const std::string& lastLine) {
    std::string start;
    start += '\n';
    start += NSDateFormatterHelper::currentDateFromYearToSeconds();
    start += ',';
    std::string line = TextFileManagement::appendEmptyStringToString_toCharacterIndex(start, kDateColumnEnd);
    auto event = [&](const char* key) {
        line = TextFileManagement::appendEmptyStringToString_toCharacterIndex(line + localizable(key) + ",",
                                                                              kEventColumnEnd);
    };
    switch (code) {
        case kStarted:
            event("kestrune_started");
            break;
        case kUnlocked:
            event("mac_unlocked");
            break;
        case kLocked: {
            // The session runs from the dated line before; a last line that is no dated line (an empty
            // one after a lock, one written by hand) gives no session length.
            auto since = dateForLine(lastLine);
            event("mac_locked");
            if (since) {
                const std::string length = TextFileManagement::stringFromTimeInterval(
                    platform::Clock::now() - since->timeIntervalSince1970());
                line += stringWithTextArgument(localizable("session"), length) + "\n";
            }
            break;
        }
        default:
            break;
    }
    return line;
}

void LoginTrackerController::insertentry(int code) {
    const std::string path = loginTrackerNewFilePath();
    const std::string lastLine = code == kLocked ? lastLineOfTrackingFile() : std::string();
    const std::string line = lineForCode(code, lastLine);
    // Appended in one write: the lines before it are never rewritten, so a failure loses this line only.
    // A link put in the file's place is refused (and logged), never followed to another file.
    platform::Files::appendToFile(path, platform::Data::fromString(line), 0600);
}

std::string LoginTrackerController::lastLineOfTrackingFile() {
    return TextFileManagement::lastLineOfFile(loginTrackerNewFilePath()).value_or("");
}

void LoginTrackerController::openTrackingFile() {
    platform::Workspace::shared().openFile_withApplication(loginTrackerNewFilePath(), "TextEdit");
}

std::string LoginTrackerController::loginTrackerNewFilePath() {
    return Utilities::applicationKestruneLibraryDirectoryOrDocumentsFallback() + "/" +
           HistoryServices::kTrackerFileName;
}

std::string LoginTrackerController::loginTrackerOldFilePath() {
    return Utilities::documentsDirectory() + "/" + HistoryServices::kTrackerFileName;
}

bool LoginTrackerController::isValidLine(const std::string& line) {
    return dateForLine(line).has_value();
}

std::optional<platform::Date> LoginTrackerController::dateForLine(const std::string& line) {
    return HistoryServices::parseTrackerDate(line);
}

bool LoginTrackerController::isSessionDurationLine(const std::string& line) {
    return line.find("---------------") != std::string::npos;
}

bool LoginTrackerController::isKestruneStartedForLine(const std::string& line) {
    return containsAnyTranslation(line, "kestrune_started");
}

bool LoginTrackerController::isLoginEntryForLine(const std::string& line) {
    return containsAnyTranslation(line, "mac_unlocked");
}

bool LoginTrackerController::isLogoutEntryForLine(const std::string& line) {
    return containsAnyTranslation(line, "mac_locked");
}

}  // namespace kestrune
