#include "windows/sharing/KestruneImageController.h"

#include "app/support/KSUrlManager.h"
#include "app/support/Localizable.h"
#include "features/notifications/KSSpecificNotificationManager.h"
#include "features/notifications/KestruneNotificationManager.h"
#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/ui/Nib.h"
#include "windows/sharing/MugShotGenerator.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kKestruneImageControllerLayout;

namespace {
constexpr const char* kHashtag = "#kestrune";
constexpr const char* kSocialAccount = "@kestrune";
}  // namespace

std::optional<std::string> KestruneImageController::nibName() const {
    return kKestruneImageControllerLayout.name;
}

std::string KestruneImageController::bustedText() {
    return std::string("Nice try! Busted with Kestrune! ") + KSUrlManager::kWebsite;
}

std::string KestruneImageController::twitterText() {
    return bustedText() + "  " + kHashtag + " via " + kSocialAccount;
}

std::string KestruneImageController::flickrText() {
    return std::string("Mac mugshot taken by Kestrune! ") + KSUrlManager::kWebsite;
}

void KestruneImageController::setImage(const std::shared_ptr<ui::Image>& image) {
    window();  // the outlets come with the window
    if (imageView) imageView->setImage(image);
}

void KestruneImageController::facebookToggled(ui::Control&) {
    shareContextWithText_service(bustedText(), ui::SharingService::kNamePostOnFacebook);
}

void KestruneImageController::twitterToggled(ui::Control&) {
    shareContextWithText_service(twitterText(), ui::SharingService::kNamePostOnTwitter);
}

void KestruneImageController::emailToggled(ui::Control&) {
    shareContextWithText_service(bustedText(), ui::SharingService::kNameComposeEmail);
}

void KestruneImageController::flickrToggled(ui::Control&) {
    shareContextWithText_service(flickrText(), ui::SharingService::kNamePostImageOnFlickr);
}

void KestruneImageController::iMessageToggled(ui::Control&) {
    shareContextWithText_service(bustedText(), ui::SharingService::kNameComposeMessage);
}

void KestruneImageController::shareCurrentContextForService(const std::string& serviceName) {
    shareContextWithText_service("Busted with Kestrune!", serviceName);
}

void KestruneImageController::shareContextWithText_service(const std::string& text,
                                                           const std::string& serviceName) {
    auto service = ui::SharingService::sharingServiceNamed(serviceName);
    if (!service) {
        platform::logf("Sharing: no service named %s", serviceName.c_str());
        return;
    }
    service->setDelegate(std::dynamic_pointer_cast<ui::SharingServiceDelegate>(shared_from_this()));
    std::shared_ptr<ui::Image> image = imageView ? imageView->image() : nullptr;
    service->performWithItems({text, image});
}

void KestruneImageController::saveToDesktop(ui::Control&) {
    auto image = imageView ? imageView->image() : nullptr;
    auto png = image ? image->pngRepresentation() : std::nullopt;
    const std::string path = MugShotGenerator::mugShotFilePathInDocuments();
    if (!png) {
        platform::logf("Share image: nothing to save to %s (no picture)", path.c_str());
        return;
    }
    // Written whole and renamed over the old file, so a failed save leaves the last one intact.
    if (!platform::Files::writeAtomically(path, platform::Data(std::move(*png)), 0600)) {
        platform::logf("Share image: could not be saved to %s", path.c_str());
        return;
    }
    MugShotGenerator::rememberSavedMugShotPath(path);
    // One "saved" notice at a time: a new one replaces the last, and it stays until dismissed.
    KestruneNotificationManager::hideNativeNotificationWithIdentifier(
        std::string(kSavedNotificationIdentifier));
    KSSpecificNotificationManager::showPersistantNativeNotificationWithText_identifier(
        localizable("mugshot_image_saved_to_documents"), kSavedNotificationIdentifier);
}

}  // namespace kestrune
