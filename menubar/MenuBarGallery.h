#pragma once

namespace kestrune {

// Registers the pictures of the status item, the drop-down panel, its notices and the settings menu for
// `kestrune --snapshot`.
void registerMenuBarGallery();

// For every scene that shows the phone: data folders of the picture-taking process's own (gone when it
// ends), English texts, and the tracked phone "Ada's iPhone" present or not, connected or not.
void prepareSnapshotWorld();
void trackSnapshotPhone(bool present, bool connected);

}  // namespace kestrune
