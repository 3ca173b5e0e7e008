// The feature information pages: the photo pages' five things the photo window does, the history page's
// kinds of entries and filter, and the overview of the three photo and history features.

#include "platform/ui/ImageView.h"
#include "platform/ui/Nib.h"
#include "platform/ui/View.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/info/FailedLoginPhotosView.h"
#include "windows/info/MacControlPhotosTutorialView.h"
#include "windows/info/MacControllerTrackTutorialView.h"
#include "windows/info/ManualSnapshotsTutorialView.h"
#include "windows/screens/ScreenLayout.h"

namespace kestrune {

namespace {

namespace sl = screenlayout;
using ui::Rect;
using Views = std::vector<std::shared_ptr<ui::View>>;

void addAll(ui::View& parent, const Views& views) {
    for (const auto& view : views) parent.addSubview(view);
}

std::shared_ptr<ui::View> infoSeparator(ui::NibLoader& nib) {
    auto strip = nib.make<ui::View>({0, 0, sl::kPageWidth, 5});
    strip->setAutoresizingMask(ui::kViewWidthSizable);
    setBackgouroundColor(*strip, kestruneGreen());
    return strip;
}

std::shared_ptr<ui::ImageView> icon(ui::NibLoader& nib, Rect frame, const std::string& name) {
    auto view = nib.make<ui::ImageView>(frame);
    view->setImageScaling(ui::ImageScaling::ProportionallyUpOrDown);
    view->setImage(ui::Image::imageNamed(name));
    return view;
}

std::shared_ptr<ui::View> card(ui::NibLoader& nib, Rect frame) {
    auto view = nib.make<ui::View>(frame);
    setBackgouroundColor(*view, colorWithHexColorString("F1F3F2"));
    view->layer()->setCornerRadius(12);
    return view;
}

// The photo pages: what the photo window does, one icon and text a row.
template <typename Page>
void photoFeaturePage(ui::NibLoader& nib) {
    auto page = sl::pageView(nib);
    auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
    auto text = sl::label(nib, {110, 376, 630, 64}, 15);
    auto list = card(nib, {170, 130, 510, 236});
    const char* icons[5] = {"info_notification", "info_share", "info_save", "info_delete", "info_delete_all"};
    std::shared_ptr<ui::ImageView> images[5];
    std::shared_ptr<TopAlignedLabel> texts[5];
    for (int i = 0; i < 5; ++i) {
        const double y = 186 - i * 44;
        images[i] = icon(nib, {24, y, 30, 30}, icons[i]);
        texts[i] = sl::label(nib, {70, y, 420, 24}, 15, false, ui::TextAlignment::Left);
        addAll(*list, {images[i], texts[i]});
    }
    auto show = sl::actionButton(nib, {325, 72, 200, 40});
    auto note = sl::label(nib, {110, 26, 630, 36}, 12);
    addAll(*page, {title, text, list, show, note, infoSeparator(nib)});
    auto owner = nib.owner<Page>();
    if (!owner) return;
    owner->titleLabel = title;
    owner->descriptionLabel = text;
    owner->firstIcon = images[0];
    owner->secondIcon = images[1];
    owner->thirdIcon = images[2];
    owner->fourthIcon = images[3];
    owner->fifthIcon = images[4];
    owner->firstDescriptionLabel = texts[0];
    owner->secondDescriptionLabel = texts[1];
    owner->thirdDescriptionLabel = texts[2];
    owner->fourthDescriptionLabel = texts[3];
    owner->fifthDescriptionLabel = texts[4];
    owner->showButton = show;
    owner->footNoteLabel = note;
    sl::bind<Page>(*show, owner, &Page::showToggled);
}

}  // namespace

extern const ui::NibRegistry::Registration kFailedLoginPhotosViewLayout;
const ui::NibRegistry::Registration kFailedLoginPhotosViewLayout("FailedLoginPhotosView",
                                                                 &photoFeaturePage<FailedLoginPhotosView>);

extern const ui::NibRegistry::Registration kManualSnapshotsTutorialViewLayout;
const ui::NibRegistry::Registration kManualSnapshotsTutorialViewLayout(
    "ManualSnapshotsTutorialView", &photoFeaturePage<ManualSnapshotsTutorialView>);

extern const ui::NibRegistry::Registration kMacControllerTrackTutorialViewLayout;
const ui::NibRegistry::Registration kMacControllerTrackTutorialViewLayout(
    "MacControllerTrackTutorialView", [](ui::NibLoader& nib) {
        using Page = MacControllerTrackTutorialView;
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        auto text = sl::label(nib, {110, 376, 630, 64}, 15);
        // A sample of the history: one row of each kind of entry.
        auto heading = sl::label(nib, {100, 334, 330, 24}, 15, true, ui::TextAlignment::Left);
        auto list = card(nib, {100, 110, 330, 216});
        const char* kinds[5] = {"kestrune_logo", "info_unlocked", "info_locked", "info_history",
                                "info_failed_login_photos"};
        std::shared_ptr<TopAlignedLabel> texts[5];
        for (int i = 0; i < 5; ++i) {
            const double y = 172 - i * 40;
            texts[i] = sl::label(nib, {62, y - 1, 250, 24}, 15, false, ui::TextAlignment::Left);
            addAll(*list, {icon(nib, {18, y, 28, 28}, kinds[i]), texts[i]});
        }
        // The filter: one toggle per kind.
        auto filter = sl::label(nib, {480, 334, 270, 24}, 15, true, ui::TextAlignment::Left);
        auto toggles = card(nib, {480, 262, 270, 60});
        const char* filters[4] = {"info_unlocked", "info_locked", "info_failed_login_photos", "info_history"};
        for (int i = 0; i < 4; ++i) toggles->addSubview(icon(nib, {20 + i * 62.0, 16, 28, 28}, filters[i]));
        auto show = sl::actionButton(nib, {325, 40, 200, 40});
        addAll(*page, {title, text, heading, list, filter, toggles, show, infoSeparator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->descriptionLabel = text;
        owner->imageTitle = heading;
        owner->firstDescriptionLabel = texts[0];
        owner->secondDescriptionLabel = texts[1];
        owner->thirdDescriptionLabel = texts[2];
        owner->fourthDescriptionLabel = texts[3];
        owner->fifthDescriptionLabel = texts[4];
        owner->filterLabel = filter;
        owner->showButton = show;
        sl::bind<Page>(*show, owner, &Page::showToggled);
    });

extern const ui::NibRegistry::Registration kMacControlPhotosTutorialViewLayout;
const ui::NibRegistry::Registration kMacControlPhotosTutorialViewLayout(
    "MacControlPhotosTutorialView", [](ui::NibLoader& nib) {
        using Page = MacControlPhotosTutorialView;
        auto page = sl::pageView(nib);
        auto title = sl::label(nib, {75, 452, 700, 36}, 24, true);
        auto text = sl::label(nib, {110, 380, 630, 60}, 15);
        struct Column {
            std::shared_ptr<ui::ImageView> image;
            std::shared_ptr<TopAlignedLabel> title, text;
            std::shared_ptr<ColouredTitleButton> button;
        } columns[3];
        const char* icons[3] = {"info_login_photos", "info_failed_login_photos", "info_history"};
        for (int i = 0; i < 3; ++i) {
            const double x = 60 + i * 260.0;
            auto& c = columns[i];
            auto box = card(nib, {x, 70, 210, 290});
            c.image = icon(nib, {81, 224, 48, 48}, icons[i]);
            c.title = sl::label(nib, {10, 172, 190, 42}, 16, true);
            c.text = sl::label(nib, {14, 64, 182, 102}, 13);
            c.button = sl::actionButton(nib, {25, 18, 160, 36});
            addAll(*box, {c.image, c.title, c.text, c.button});
            page->addSubview(box);
        }
        addAll(*page, {title, text, infoSeparator(nib)});
        auto owner = nib.owner<Page>();
        if (!owner) return;
        owner->titleLabel = title;
        owner->descriptionLabel = text;
        owner->loginPhotosIcon = columns[0].image;
        owner->loginPhotosTitleLabel = columns[0].title;
        owner->loginPhotosDescription = columns[0].text;
        owner->loginPhotosButton = columns[0].button;
        owner->failedLoginPhotosIcon = columns[1].image;
        owner->failedLoginPhotosTitleLabel = columns[1].title;
        owner->failedLoginPhotosDescription = columns[1].text;
        owner->failedLoginPhotosButton = columns[1].button;
        owner->lockUnlockHistoryIcon = columns[2].image;
        owner->lockUnlockHistoryTitleLabel = columns[2].title;
        owner->lockUnlockHistoryDescription = columns[2].text;
        owner->lockUnlockHistoryButton = columns[2].button;
        sl::bind<Page>(*columns[0].button, owner, &Page::didToggleShowLoginPhotos);
        sl::bind<Page>(*columns[1].button, owner, &Page::didToggleShowFailedLoginAttemptPhotos);
        sl::bind<Page>(*columns[2].button, owner, &Page::didToggleShowLockUnlockHistory);
    });

std::optional<std::string> FailedLoginPhotosView::nibName() const {
    return kFailedLoginPhotosViewLayout.name;
}
std::optional<std::string> ManualSnapshotsTutorialView::nibName() const {
    return kManualSnapshotsTutorialViewLayout.name;
}
std::optional<std::string> MacControllerTrackTutorialView::nibName() const {
    return kMacControllerTrackTutorialViewLayout.name;
}
std::optional<std::string> MacControlPhotosTutorialView::nibName() const {
    return kMacControlPhotosTutorialViewLayout.name;
}

}  // namespace kestrune
