#include "features/sharing/SocialManager.h"

#include "app/support/KSUrlManager.h"

namespace kestrune {

void SocialManager::shareOnFacebook() {
    KSUrlManager::openFbShareLink();
}

void SocialManager::shareOnTwitter() {
    KSUrlManager::openTwitterShareLink();
}

}  // namespace kestrune
