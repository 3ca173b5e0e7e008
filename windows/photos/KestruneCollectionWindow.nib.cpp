// A dark rounded window: the notice at the top, the selected photo's share image in the middle (or the
// notice picture and text in its place), the strip of photos under it and the four buttons at the
// bottom.

#include "windows/photos/KestruneCollectionWindow.h"
#include "app/support/Localizable.h"
#include "menubar/cells/CellLayout.h"
#include "platform/ui/Window.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"

namespace kestrune {

namespace {
std::shared_ptr<ui::Button> flatButton(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                       const std::string& title) {
    auto button = nib.make<ui::Button>(frame);
    setToDefaultProperties(*button);
    button->setImagePosition(ui::ImagePosition::ImageOverlaps);
    button->setImage(ui::Image::imageNamed("wizzard_button"));
    button->setFont(ui::Font::fontWithName_size("Helvetica Neue", 12));
    button->setTitle(title);
    setTextColor(*button, ui::Color::whiteColor());
    parent.addSubview(button);
    return button;
}
}  // namespace

extern const ui::NibRegistry::Registration kKestruneCollectionWindowLayout;
const ui::NibRegistry::Registration kKestruneCollectionWindowLayout(
    "KestruneCollectionWindow", [](ui::NibLoader& nib) {
        auto window =
            nib.make<ui::Window>({0, 0, 700, 600}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                                       ui::kWindowStyleFullSizeContentView);
        window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
        window->setTitlebarAppearsTransparent(true);
        window->setMovableByWindowBackground(true);
        window->setOpaque(false);
        nib.addTopLevel(window);
        auto content = window->contentView();
        setBackgouroundColor(*content, colorWithHexColorString("2A2D31"));
        content->layer()->setCornerRadius(12);
        const auto white = ui::Color::whiteColor();

        auto noticeButton = nib.make<ui::Button>({20, 556, 26, 26});
        setToDefaultProperties(*noticeButton);
        noticeButton->setTitle("i");
        setTextColor(*noticeButton, white);
        noticeButton->setWantsLayer(true);
        noticeButton->layer()->setCornerRadius(13);
        noticeButton->layer()->setBorderWidth(1.5);
        noticeButton->layer()->setBorderColor(white.colorWithAlphaComponent(0.7));
        content->addSubview(noticeButton);
        auto noticeLabel = cells::label(nib, *content, {54, 560, 560, 18}, "Helvetica Neue", 12,
                                        white.colorWithAlphaComponent(0.8), ui::kViewNotSizable);

        const ui::Rect previewFrame{235, 212, 230, 281};
        auto preview = cells::imageView(nib, *content, previewFrame);
        auto fullScreen = cells::imageView(nib, *content, previewFrame);
        // The notice inside the empty card: its picture above its text.
        auto infoImage = cells::imageView(nib, *content, {300, 368, 100, 100});
        auto info = cells::label(nib, *content, {250, 240, 200, 110}, "Helvetica Neue", 15, white,
                                 ui::kViewNotSizable);
        info->setAlignment(ui::TextAlignment::Center);
        info->setLineBreakMode(ui::LineBreakMode::WordWrapping);

        auto scroll = nib.make<ui::ScrollView>({20, 74, 660, KestruneCollectionWindow::kItemHeight});
        scroll->setAutoresizingMask(ui::kViewWidthSizable);
        auto grid = nib.make<CNGridView>({0, 0, 660, KestruneCollectionWindow::kItemHeight});
        scroll->setDocumentView(grid);
        content->addSubview(scroll);

        auto share = flatButton(nib, *content, {130, 20, 100, 34}, localizable("share_action"));
        auto download = flatButton(nib, *content, {240, 20, 100, 34}, localizable("save_photo_action"));
        auto trash = flatButton(nib, *content, {350, 20, 100, 34}, localizable("delete"));
        auto deleteAll =
            flatButton(nib, *content, {460, 20, 110, 34}, localizable("delete_all_photos_action"));

        auto owner = nib.owner<KestruneCollectionWindow>();
        if (!owner) return;
        owner->setWindow(window);
        window->setDelegate(owner);
        owner->gridView = grid;
        owner->gridScrollView = scroll;
        owner->mainImageView = preview;
        owner->fullScreenImage = fullScreen;
        owner->infoLabel = info;
        owner->infoImageView = infoImage;
        owner->notificationButton = noticeButton;
        owner->notificationLable = noticeLabel;
        owner->trashButton = trash;
        owner->shareButton = share;
        owner->downloadButton = download;
        owner->deleteAllButton = deleteAll;
        using W = KestruneCollectionWindow;
        cells::connect<W>(*share, owner, &W::shareToggled);
        cells::connect<W>(*download, owner, &W::saveToDocumentsToggled);
        cells::connect<W>(*trash, owner, &W::deleteToggled);
        cells::connect<W>(*deleteAll, owner, &W::deleteAllToggled);
        cells::connect<W>(*noticeButton, owner, &W::notificationToggled);
    });

}  // namespace kestrune
