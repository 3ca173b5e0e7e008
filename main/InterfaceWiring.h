#pragma once

namespace kestrune {

struct CoordinatorServices;

// The interface folders' classes behind the coordinator's interfaces to them: the tutorial factory,
// which makes and keeps every wizard and tutorial, and the screen factory's information screens.
void installInterface(CoordinatorServices& services);

// The settings window (a source-list window) with its navigation and pages, whose master list comes from
// the page-manager factory; and the photo and history screens its photos and history page opens.
void installSettingsWindow(CoordinatorServices& services);
// Tests: the photo and history screens no longer installed.
void uninstallSettingsWindowForTesting();

}  // namespace kestrune
