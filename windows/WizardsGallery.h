#pragma once

namespace kestrune {

// Scenes of the wizards for kestrune --snapshot: each step of the wake-unlock tutorial, the security
// and accessibility wizards, the help, first-connection and clear-cache pagers, the feature information
// pages and the trusted Wi-Fi wizard's pages.
void registerWizardsGallery();

}  // namespace kestrune
