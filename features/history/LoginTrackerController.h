#pragma once

#include <optional>
#include <string>

#include "platform/base/Date.h"

namespace kestrune {

// The plain-text tracker file "Kestrune Login Tracker.csv": one line per start, unlock and lock, each
// beginning with a line feed, the date, and the event's text in the interface language, padded into
// columns; a lock line also carries the length of the session since the line before it.
class LoginTrackerController {
public:
    static constexpr int kStarted = 0;
    static constexpr int kUnlocked = 1;
    static constexpr int kLocked = 2;

    static void applicationOpenedEntry();
    static void insertUnlockedEntry();
    static void insertLockedEntry();
    // Appends the line of the tracker code; the file is made (private) when it does not exist.
    static void insertentry(int code);
    // The text after the file's last line feed; "" when it ends with one or cannot be read.
    static std::string lastLineOfTrackingFile();
    static void openTrackingFile();
    static std::string loginTrackerNewFilePath();
    static std::string loginTrackerOldFilePath();

    // Line tests of the migration reader. A line is valid when its first 19 characters are a date.
    static bool isValidLine(const std::string& line);
    static std::optional<platform::Date> dateForLine(const std::string& line);
    static bool isSessionDurationLine(const std::string& line);
    // The line holds the event's text in any of the interface languages.
    static bool isKestruneStartedForLine(const std::string& line);
    static bool isLoginEntryForLine(const std::string& line);
    static bool isLogoutEntryForLine(const std::string& line);

    // The line that insertentry appends for the code, given the file's last line (exposed for tests and
    // benchmarks).
    static std::string lineForCode(int code, const std::string& lastLine);
};

}  // namespace kestrune
