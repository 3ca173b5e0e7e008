#include "windows/sharing/MugShotGenerator.h"

#include <mutex>
#include <optional>

#include "app/records/FTWDevice.h"
#include "app/support/NSDateFormatterHelper.h"
#include "app/support/Utilities.h"
#include "uikit/views/ImageRepresentation.h"

namespace kestrune {

namespace {
constexpr double kPlacardTilt = 17.5;

std::string dateText(const BaseEntry& entry) {
    return entry.date() ? NSDateFormatterHelper::stringToMinutesFromDate(*entry.date()) : "";
}
}  // namespace

void MugShotGenerator::setupImageViewForSnapshot(ui::ImageView& imageView) {
    imageView.setWantsLayer(true);
    if (auto layer = imageView.layer()) {
        layer->setBorderWidth(0);
        layer->setCornerRadius(10.0);
        layer->setMasksToBounds(true);
    }
    imageView.layoutSubtreeIfNeeded();
}

std::shared_ptr<ui::Image> MugShotGenerator::generateMugshotFailedLoginEntry(const BaseEntry& entry) {
    auto card = failedLoginCardForEntry(entry);
    return card && card->view ? makeImageSnapshot(*card->view) : nullptr;
}

std::shared_ptr<MugShotContainer> MugShotGenerator::failedLoginCardForEntry(const BaseEntry& entry) {
    auto card = KSWindowController::create<MugShotContainer>();
    if (!card->window() || !card->view) return nullptr;
    if (card->mugShotImageView) {
        card->mugShotImageView->setImage(entry.mugShotImage());
        setupImageViewForSnapshot(*card->mugShotImageView);
    }
    if (card->mugShotTextField) {
        card->mugShotTextField->setStringValue(dateText(entry));
        card->mugShotTextField->setFrameRotation(kPlacardTilt);
    }
    if (card->mugShotBottomTextField) {
        card->mugShotBottomTextField->setStringValue(FTWDevice::currentDeviceLocalizedName());
        card->mugShotBottomTextField->setFrameRotation(kPlacardTilt);
    }
    return card;
}

std::shared_ptr<ui::Image> MugShotGenerator::generateLoginImageEntry(const LoginLogoutEntry& entry) {
    auto card = loginCardForEntry(entry);
    return card && card->view ? makeImageSnapshot(*card->view) : nullptr;
}

std::shared_ptr<LoginPhotoContainer> MugShotGenerator::loginCardForEntry(const LoginLogoutEntry& entry) {
    auto card = KSWindowController::create<LoginPhotoContainer>();
    if (!card->window() || !card->view) return nullptr;
    if (card->bustedImageView) {
        card->bustedImageView->setImage(entry.mugShotImage());
        setupImageViewForSnapshot(*card->bustedImageView);
    }
    if (card->kestruneBottomIcon)
        card->kestruneBottomIcon->setImage(ui::Image::imageNamed(entry.unlockIconImageName()));
    if (card->mugShotTextField) card->mugShotTextField->setStringValue(entry.unlockDescription());
    if (card->mugShotBottomTextField) card->mugShotBottomTextField->setStringValue(dateText(entry));
    return card;
}

std::string MugShotGenerator::mugShotFilePathInDocuments() {
    return Utilities::kestruneDocumentsDirectory() + "/" + kSharedFileName;
}

namespace {
std::mutex gSavedMutex;
std::optional<std::string> gLastSaved;
}  // namespace

void MugShotGenerator::rememberSavedMugShotPath(const std::string& path) {
    std::lock_guard lock(gSavedMutex);
    gLastSaved = path;
}

void MugShotGenerator::forgetSavedMugShotPathForTesting() {
    std::lock_guard lock(gSavedMutex);
    gLastSaved.reset();
}

std::string MugShotGenerator::lastSavedMugShotPath() {
    {
        std::lock_guard lock(gSavedMutex);
        if (gLastSaved) return *gLastSaved;
    }
    return mugShotFilePathInDocuments();
}

}  // namespace kestrune
