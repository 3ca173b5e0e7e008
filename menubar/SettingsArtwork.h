#pragma once

namespace kestrune {

// The pictures the settings window and its pages name (the master list's line icons, the rows' badges,
// the welcome picture), drawn by code at any size. A name that already has a picture, registered or in
// the bundle, keeps it.
void registerSettingsArtwork();

// The pictures of the animated Bluetooth sign ("BT.gif"): a blue disc with the sign, and rings going out
// from it, one picture for each eighth of their way. Registered unless the names have pictures.
void registerBluetoothAnimation();

// The phone of the menu bar's panel and the clipboard window ("menubar_iphone"): a light body, a blue
// screen, the speaker and the home button. Registered unless the name has a picture.
void registerPhoneIcon();

}  // namespace kestrune
