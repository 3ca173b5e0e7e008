// The drop-down panel, laid out at its tallest (275 x 377): the arrow and title at the top, the phone
// row under them, then the proximity row, the trusted Wi-Fi and clipboard rows, and the bottom bar. The
// rows of the top stay at the top as the panel's height changes; the refresh places the lower ones.

#include <functional>

#include "menubar/cells/CellTextButton.h"
#include "menubar/panel/Panel.h"
#include "menubar/panel/PanelBackgrounds.h"
#include "menubar/panel/PanelController.h"
#include "menubar/settingsmenu/MenuBarSettings.h"
#include "platform/ui/Nib.h"
#include "uikit/buttons/ButtonAdditions.h"
#include "uikit/buttons/KSCustomCheckBox.h"
#include "uikit/sliders/CustomSlider.h"
#include "uikit/sliders/MyCustomSlider.h"
#include "uikit/switches/ITSwitch.h"
#include "uikit/views/BackgroundColor.h"

namespace kestrune {

namespace {

constexpr double kPanelWidth = PanelController::kPanelWidth;
constexpr double kPanelHeight = 377;
constexpr unsigned kStayAtTop = ui::kViewMinYMargin;
constexpr unsigned kStayAtBottom = ui::kViewMaxYMargin;

using PanelAction = void (PanelController::*)();

// Connects a control to one of the panel controller's actions.
void connectAction(ui::Control& control, const std::shared_ptr<PanelController>& owner, PanelAction action) {
    if (!owner) return;
    control.setTarget(owner);
    control.setAction([action](const std::shared_ptr<ui::UIObject>& target, ui::Control&) {
        if (auto panel = std::dynamic_pointer_cast<PanelController>(target)) ((*panel).*action)();
    });
}

std::shared_ptr<ui::TextField> panelLabel(ui::NibLoader& nib, ui::View& parent, ui::Rect frame, double size,
                                          bool bold, double alpha,
                                          ui::TextAlignment alignment = ui::TextAlignment::Left) {
    auto field = nib.make<ui::TextField>(frame);
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(bold ? ui::Font::boldSystemFontOfSize(size)
                        : ui::Font::fontWithName_size("Helvetica Neue", size));
    field->setTextColor(ui::Color::whiteColor().colorWithAlphaComponent(alpha));
    field->setAlignment(alignment);
    field->setLineBreakMode(ui::LineBreakMode::TruncatingTail);
    parent.addSubview(field);
    return field;
}

std::shared_ptr<ui::Button> iconButton(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                       const char* image, const std::shared_ptr<PanelController>& owner,
                                       PanelAction action) {
    auto button = nib.make<ui::Button>(frame);
    setToDefaultProperties(*button);
    button->setTitle("");
    button->setImage(ui::Image::imageNamed(image));
    button->setImagePosition(ui::ImagePosition::ImageOnly);
    connectAction(*button, owner, action);
    parent.addSubview(button);
    return button;
}

// Keeps its white title whatever title the refresh gives it.
std::shared_ptr<ui::Button> textButton(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                       const char* image, const std::shared_ptr<PanelController>& owner,
                                       PanelAction action) {
    auto button = nib.make<CellTextButton>(frame);
    setToDefaultProperties(*button);
    button->setTitleColor(ui::Color::whiteColor());
    button->setFont(ui::Font::fontWithName_size("Helvetica Neue", 12));
    if (image) {
        button->setImage(ui::Image::imageNamed(image));
        button->setImagePosition(ui::ImagePosition::ImageLeft);
    }
    button->setTitle("");
    connectAction(*button, owner, action);
    parent.addSubview(button);
    return button;
}

std::shared_ptr<ui::View> line(ui::NibLoader& nib, ui::View& parent, ui::Rect frame) {
    auto view = nib.make<ui::View>(frame);
    setBackgouroundColor(*view, ui::Color::whiteColor());
    view->setAutoresizingMask(ui::kViewWidthSizable);
    parent.addSubview(view);
    return view;
}

std::shared_ptr<ui::Button> checkBox(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                     const std::shared_ptr<PanelController>& owner, PanelAction action) {
    auto box = nib.make<KSCustomCheckBox>(frame);
    box->setButtonType(ui::ButtonType::Switch);
    box->setTitle("");
    box->setImage(ui::Image::imageNamed("checkbox_unchecked"));
    box->setAlternateImage(ui::Image::imageNamed("checkbox_checked"));
    box->setHidden(true);
    connectAction(*box, owner, action);
    parent.addSubview(box);
    return box;
}

std::shared_ptr<ITSwitch> onOffSwitch(ui::NibLoader& nib, ui::View& parent, ui::Rect frame,
                                      const std::shared_ptr<PanelController>& owner, PanelAction action) {
    auto control = nib.make<ITSwitch>(frame);
    control->setAutoresizingMask(ui::kViewMinXMargin);
    connectAction(*control, owner, action);
    parent.addSubview(control);
    return control;
}

template <typename Row>
std::shared_ptr<Row> row(ui::NibLoader& nib, ui::View& parent, ui::Rect frame, unsigned autoresizing) {
    auto view = nib.make<Row>(frame);
    view->setAutoresizingMask(autoresizing | ui::kViewWidthSizable);
    parent.addSubview(view);
    return view;
}

}  // namespace

extern const ui::NibRegistry::Registration kPanelLayout;
const ui::NibRegistry::Registration kPanelLayout("Panel", [](ui::NibLoader& nib) {
    auto owner = nib.owner<PanelController>();
    auto window = nib.make<Panel>({0, 0, kPanelWidth, kPanelHeight}, ui::kWindowStyleBorderless);
    window->setHasShadow(true);
    window->setHidesOnDeactivate(false);
    nib.addTopLevel(window);

    auto background = nib.make<BackgroundView>({0, 0, kPanelWidth, kPanelHeight});
    // The bottom bar's ground follows the panel's rounded corners.
    background->setWantsLayer(true);
    background->layer()->setCornerRadius(PanelColors::kCornerRadius);
    background->layer()->setMasksToBounds(true);
    window->setContentView(background);
    auto picture = nib.make<ui::ImageView>({0, 0, kPanelWidth, kPanelHeight});
    picture->setImageScaling(ui::ImageScaling::AxesIndependently);
    picture->setImage(ui::Image::imageNamed("menubar_background_big"));
    background->addSubview(picture);

    auto title = panelLabel(nib, *background, {16, kPanelHeight - 36, 200, 18}, 13, true, 1);
    title->setAutoresizingMask(kStayAtTop);
    auto line1 = line(nib, *background, {12, kPanelHeight - 44, kPanelWidth - 24, 1});
    line1->setAutoresizingMask(kStayAtTop | ui::kViewWidthSizable);

    // The phone row.
    auto device =
        row<SingleMobileDeviceView>(nib, *background, {0, kPanelHeight - 140, kPanelWidth, 94}, kStayAtTop);
    device->mobileImageView = nib.make<ui::ImageView>({24, 18, 28, 52});
    device->addSubview(device->mobileImageView);
    device->nameLabel = panelLabel(nib, *device, {70, 39, 140, 18}, 14, true, 1);
    // The phone's name as its owner gave it: one line, shortened with "…" when longer than the row has room.
    device->nameLabel->setUsesSingleLineMode(true);
    // From the loader's side (x 98) to the help button (x 242): room for "Looking for your iPhone…" in the
    // panel's face at 10.5 points, with the fonts the application installs.
    device->distanceLabel = panelLabel(nib, *device, {70, 23, 142, 15}, 10.5, false, 0.75);
    device->loadingImage = nib.make<ui::ImageView>({74, 25, 14, 14});
    device->loadingImage->setImage(ui::Image::imageNamed("menubar_loading"));
    device->loadingImage->setWantsLayer(true);
    device->addSubview(device->loadingImage);
    device->noteLabel = panelLabel(nib, *device, {70, 5, 190, 13}, 10, false, 0.6);
    device->rescanButton =
        iconButton(nib, *device, {220, 25, 16, 16}, "menubar_rescan", owner, &PanelController::rescanToggled);
    device->helpButton =
        iconButton(nib, *device, {242, 21, 20, 20}, "menubar_help", owner, &PanelController::helpToggled);
    device->pingButton =
        iconButton(nib, *device, {242, 58, 20, 20}, "menubar_ping", owner, &PanelController::pingToggled);
    device->pingButton->setWantsLayer(true);
    device->notificationButton = iconButton(nib, *device, {216, 58, 20, 20}, "alert_button", owner,
                                            &PanelController::notificationButtonToggled);

    // The proximity row.
    auto proximity =
        row<KestruneSettingsView>(nib, *background, {0, kPanelHeight - 243, kPanelWidth, 103}, kStayAtTop);
    proximity->horizontalLine2 = line(nib, *proximity, {12, 102, kPanelWidth - 24, 1});
    proximity->checkBox =
        checkBox(nib, *proximity, {5, 72, 15, 15}, owner, &PanelController::proximityCheckBox);
    proximity->kestruneLabel = panelLabel(nib, *proximity, {24, 70, 150, 18}, 13, false, 1);
    auto proximityInfo = iconButton(nib, *proximity, {190, 71, 16, 16}, "menubar_info", owner,
                                    &PanelController::kestruneInfoButtonToggled);
    proximity->temporaryDisabledButton = iconButton(nib, *proximity, {190, 71, 16, 16}, "menubar_paused",
                                                    owner, &PanelController::temporaryDisabledToggled);
    proximity->proximitySwitch =
        onOffSwitch(nib, *proximity, {215, 68, 44, 22}, owner, &PanelController::didChangeSwitch);
    proximity->distanceTextLabel = panelLabel(nib, *proximity, {24, 44, 110, 15}, 11, false, 0.6);
    proximity->distanceTextField =
        panelLabel(nib, *proximity, {149, 44, 110, 15}, 11, false, 1, ui::TextAlignment::Right);
    auto slider = nib.make<CustomSlider>({20, 14, kPanelWidth - 40, 22});
    slider->setCell(std::make_shared<MyCustomSlider>());
    slider->setContinuous(true);
    slider->setMinValue(60);
    slider->setMaxValue(90);
    connectAction(*slider, owner, &PanelController::distanceSliderDidChange);
    proximity->addSubview(slider);
    proximity->distanceSlider = slider;

    // The trusted Wi-Fi row.
    auto wifi = row<WifiUnlockView>(nib, *background, {0, 87, kPanelWidth, 47}, kStayAtBottom);
    wifi->wifiUnlockSeparator = line(nib, *wifi, {12, 46, kPanelWidth - 24, 1});
    wifi->checkBox = checkBox(nib, *wifi, {5, 16, 15, 15}, owner, &PanelController::wifiUnlockCheckBox);
    wifi->wifiUnlockIcon = nib.make<ui::ImageView>({24, 14, 18, 18});
    wifi->wifiUnlockIcon->setImage(ui::Image::imageNamed("menubar_wifi"));
    wifi->addSubview(wifi->wifiUnlockIcon);
    wifi->wifiUnlockLabel = panelLabel(nib, *wifi, {48, 14, 120, 18}, 13, false, 1);
    auto wifiInfo = iconButton(nib, *wifi, {190, 16, 16, 16}, "menubar_info", owner,
                               &PanelController::wifiInfoButtonToggled);
    wifi->wifiUnlockSwitch =
        onOffSwitch(nib, *wifi, {215, 12, 44, 22}, owner, &PanelController::wifiUnlockToggled);

    // The clipboard row.
    auto clipboard = row<ClipboardView>(nib, *background, {0, 40, kPanelWidth, 47}, kStayAtBottom);
    clipboard->clipboardSeparator = line(nib, *clipboard, {12, 46, kPanelWidth - 24, 1});
    clipboard->checkBox =
        checkBox(nib, *clipboard, {5, 16, 15, 15}, owner, &PanelController::clipboardCheckBox);
    clipboard->clipboardIcon = nib.make<ui::ImageView>({24, 14, 18, 18});
    clipboard->clipboardIcon->setImage(ui::Image::imageNamed("menubar_clipboard"));
    clipboard->addSubview(clipboard->clipboardIcon);
    clipboard->clipboardLabel = panelLabel(nib, *clipboard, {48, 14, 120, 18}, 13, false, 1);
    iconButton(nib, *clipboard, {190, 16, 16, 16}, "menubar_info", owner,
               &PanelController::clipboardInfoButtonToggled);
    iconButton(nib, *clipboard, {229, 12, 30, 22}, "menubar_send_clipboard", owner,
               &PanelController::sendClipboardToIosToggled);

    // The bottom bar.
    auto bottom = row<ui::View>(nib, *background, {0, 0, kPanelWidth, 40}, kStayAtBottom);
    auto sleep =
        textButton(nib, *bottom, {10, 8, 104, 24}, "menubar_lock", owner, &PanelController::sleepToggled);
    auto open =
        textButton(nib, *bottom, {114, 8, 90, 24}, nullptr, owner, &PanelController::openKestruneToggled);
    open->setFont(ui::Font::fontWithName_size("Helvetica Neue", 11));
    auto edit =
        iconButton(nib, *bottom, {209, 8, 24, 24}, "menubar_edit", owner, &PanelController::editToggled);
    auto settings = iconButton(nib, *bottom, {239, 8, 24, 24}, "menubar_settings_button", owner,
                               &PanelController::settingsButtonToggled);
    for (const auto& control : {sleep, open, edit, settings})
        control->setAutoresizingMask(ui::kViewNotSizable);

    if (!owner) return;
    owner->setWindow(window);
    owner->backgroundView = background;
    owner->backgroundImageView = picture;
    owner->titleLabel = title;
    owner->horizontalLine1 = line1;
    owner->kestruneInfoButton = proximityInfo;
    owner->wifiInfoButton = wifiInfo;
    owner->sleepButton = sleep;
    owner->settingsButton = settings;
    owner->settingsController = MenuBarSettings::load();
    if (owner->settingsController) owner->settingsController->setMenuBarDelegate(owner);
    owner->kestruneSettingsView = proximity;
    owner->mobileDeviceView = device;
    owner->wifiUnlockView = wifi;
    owner->clipboardView = clipboard;
    owner->bootomView = bottom;
    owner->editButton = edit;
    owner->openButton = open;
});

}  // namespace kestrune
