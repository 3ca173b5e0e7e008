#pragma once

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "features/history/LoginLogoutPresentationSessionEntry.h"
#include "windows/history/TrackEventCell.h"

namespace kestrune {

// Fills a history row for its kind: the event's text and time, a session's length, a failed login.
class TrackEventCellStyler {
public:
    static void styleCell_forLoginLogoutEntry(TrackEventCell& cell, const LoginLogoutEntry& entry);
    static void styleCell_forSessionEntry(TrackEventCell& cell,
                                          const LoginLogoutPresentationSessionEntry& entry);
    static void styleCell_forFailedLoginEntry(TrackEventCell& cell, const FailedLoginEntry& entry);
    // Placeholder texts and pictures.
    static void styleDumyCell(TrackEventCell& cell);
};

}  // namespace kestrune
