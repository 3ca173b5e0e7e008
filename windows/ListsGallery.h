#pragma once

namespace kestrune {

// Registers the pictures of the settings lists, the list window and the share cards for
// `kestrune --snapshot`.
void registerListsAndSharingGallery();

}  // namespace kestrune
