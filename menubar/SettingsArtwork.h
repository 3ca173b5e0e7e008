#pragma once

namespace kestrune {

// The pictures the settings window and its pages name (the master list's line icons, the rows' badges,
// the welcome picture), drawn by code at any size. A name that already has a picture, registered or in
// the bundle, keeps it.
void registerSettingsArtwork();

}  // namespace kestrune
