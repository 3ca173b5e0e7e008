#pragma once

#include "app/support/EventTimestamp.h"

namespace kestrune {

// Limits the warnings about newer applications to one a day each (in memory: a new run warns again).
class UpdateNotificationHelper {
public:
    static constexpr double kSecondsBetweenWarnings = 86400.0;

    const EventTimestamp& iosUpdateWarningTimestamp() const { return iosUpdateWarningTimestamp_; }
    const EventTimestamp& macOsWarningTimestamp() const { return macOsWarningTimestamp_; }

    // The tracked phone is connected, its application is out of date and no warning came within a day.
    bool shouldWarnUserAboutNewIosUpdate() const;
    bool shouldWarnUserAboutNewKestruneVersionForMacOSX() const;
    void didWarnUserAboutiOSUpdate();
    void didWarnUserAboutOSXUpdate();

private:
    EventTimestamp iosUpdateWarningTimestamp_;
    EventTimestamp macOsWarningTimestamp_;
};

}  // namespace kestrune
