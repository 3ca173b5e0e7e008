// Pictures of the lists and the share cards for kestrune --snapshot: every settings cell in a list, the
// master list with a selected row, a list window, and both share cards. Rows come from view models,
// through the list binding, as on the settings pages.

#include "windows/ListsGallery.h"

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "app/records/FailedLoginEntry.h"
#include "app/records/LoginLogoutEntry.h"
#include "menubar/cells/CollapseCell.h"
#include "menubar/cells/ConnectedDevicesCell.h"
#include "menubar/cells/CustomCheckBoxCell.h"
#include "menubar/cells/DescriptionCellCentered.h"
#include "menubar/cells/DoubleButtonCell.h"
#include "menubar/cells/EmptyCell.h"
#include "menubar/cells/GifImageCell.h"
#include "menubar/cells/IconTitleDescriptionCell.h"
#include "menubar/cells/IconTitleDescriptionCell2.h"
#include "menubar/cells/LoadingCell.h"
#include "menubar/cells/ReadMoreButtonCell.h"
#include "menubar/cells/SeparatorCell.h"
#include "menubar/cells/SimpleButtonCell.h"
#include "menubar/cells/SimpleButtonCell2.h"
#include "menubar/cells/SimpleButtonCell3.h"
#include "menubar/cells/SimpleCheckBoxCell.h"
#include "menubar/cells/SimpleImageCell.h"
#include "menubar/cells/SimpleListCell.h"
#include "menubar/cells/SliderCell.h"
#include "menubar/cells/TItleCellRoundedValue.h"
#include "menubar/cells/TitleCell.h"
#include "menubar/cells/TitleCellCentered.h"
#include "menubar/cells/TitleDescriptionCell.h"
#include "menubar/cells/TitleDescriptionCellCentered.h"
#include "menubar/lists/CollapseCellVM.h"
#include "menubar/lists/ConnectedDevicesVM.h"
#include "menubar/lists/ListViewModelMapper.h"
#include "menubar/lists/SliderCellVM.h"
#include "platform/base/Date.h"
#include "platform/storage/Files.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/ThrowawayHome.h"
#include "platform/ui/GraphicsContext.h"
#include "platform/ui/SceneRegistry.h"
#include "platform/ui/Window.h"
#include "uikit/bases/KestruneListViewWindow.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"
#include "uikit/views/CustomColor.h"
#include "windows/sharing/MugShotGenerator.h"

namespace kestrune {

namespace {

using VM = std::shared_ptr<ListCellViewModel>;
constexpr double kListWidth = 400;
constexpr double kDate = 1772600760;  // 4 March 2026

VM row(const KestruneListViewCellProtocol& cellClass, const std::string& title,
       const std::string& description = "") {
    auto vm = ListCellViewModel::init();
    vm->setViewClass(&cellClass);
    vm->setTitle(title);
    if (!description.empty()) vm->setDescriptionText(description);
    return vm;
}

double heightOf(const std::vector<VM>& rows) {
    double height = 0;
    for (const auto& vm : rows) {
        const auto& cellClass = ListViewModelMapper::classForCellViewModel(*vm);
        height +=
            cellClass.cellHeightForViewModel ? cellClass.cellHeightForViewModel(*vm) : cellClass.cellHeight;
    }
    return height;
}

// Things the binding and the cells would finish a moment after the first passes: buttons fitted to
// their titles, rows placed for the list's width.
void settleCells(KestruneListView& list) {
    for (const auto& cell : list.visibleCells()) {
        auto settings = std::dynamic_pointer_cast<KestruneListViewCell>(cell);
        if (settings && settings->viewModel()) settings->updateCellForCellViewModel(settings->viewModel());
        if (auto button = std::dynamic_pointer_cast<SimpleButtonCell>(cell))
            button->customButton->executeSizeUpdate();
    }
}

struct BoundList {
    std::shared_ptr<ui::Window> window;
    std::shared_ptr<KestruneListView> list;
    std::shared_ptr<ListViewModelMapper> mapper;
};

// A window holding one list of the rows, tall enough for all of them, on the given ground.
BoundList listWindow(const std::string& title, const std::vector<VM>& rows, const ui::Color& ground) {
    const double height = heightOf(rows) + 2;
    auto window =
        ui::Window::create({120, 80, kListWidth, height}, ui::kWindowStyleTitled | ui::kWindowStyleClosable);
    window->setTitle(title);
    setBackgouroundColor(*window->contentView(), ground);
    auto list = KestruneListView::create({0, 0, kListWidth, height});
    list->awakeFromNib();
    window->contentView()->addSubview(list);
    auto mapper = ListViewModelMapper::initWithListView(list);
    mapper->setListViewModel(rows);
    list->reloadData();
    window->orderFront(nullptr);
    settleCells(*list);
    return {window, list, mapper};
}

// The scenes keep their list's binding alive as long as the window.
std::vector<std::shared_ptr<ListViewModelMapper>>& keptMappers() {
    static std::vector<std::shared_ptr<ListViewModelMapper>> mappers;
    return mappers;
}

ui::Scene pageCells(const std::vector<VM>& rows, const std::string& title) {
    auto bound = listWindow(title, rows, ui::Color::whiteColor());
    keptMappers().push_back(bound.mapper);
    return {bound.window, nullptr};
}

ui::Scene textCells() {
    auto headed = row(SeparatorCell::cellClass(), "Photos");
    auto readMore = row(TitleCell::cellClass(), "Lock when the lid closes");
    readMore->setAdditionalText("Read more");
    readMore->setSecondaryActionHandler([] {});
    auto value = row(TItleCellRoundedValue::cellClass(), "Lock distance");
    value->setValueText("2.5 m");
    auto described = row(TitleDescriptionCell::cellClass(), "Unlock confirmation",
                         "Your iPhone asks before the Mac unlocks, so nobody unlocks it in passing.");
    described->setAdditionalText("How it works");
    described->setSecondaryActionHandler([] {});
    return pageCells(
        {row(SeparatorCell::cellClass(), ""), readMore, value, headed, described,
         row(TitleCellCentered::cellClass(), "All set", "Kestrune is watching your Mac"),
         row(TitleDescriptionCellCentered::cellClass(), "No history yet",
             "Locks and unlocks show here once Kestrune has locked your Mac for the first time."),
         row(DescriptionCellCentered::cellClass(),
             "Photos are taken only on this Mac and never leave it unless you share them."),
         row(EmptyCell::cellClass(), "Empty row", "with the base fill only")},
        "Text cells");
}

ui::Scene controlCells() {
    auto icon =
        row(IconTitleDescriptionCell::cellClass(), "Failed logins", "A photo of whoever tries your password");
    icon->setIconName("kestrune_logo");
    icon->setAdditionalText("SHOW");
    auto large =
        row(IconTitleDescriptionCell2::cellClass(), "Trusted Wi-Fi", "Unlock without the phone at home");
    large->setIconName("unlocked_with_wifi_icon");
    auto coloured = row(SimpleButtonCell::cellClass(), "Pair a phone");
    coloured->setCustomColor(kestruneGreen());
    auto plain = row(SimpleButtonCell2::cellClass(), "Later");
    auto three = row(SimpleButtonCell3::cellClass(), "");
    three->setPrimaryActionText("Troubleshoot");
    auto right = row(DoubleButtonCell::cellClass(), "Cancel", "Continue");
    auto centred = row(DoubleButtonCell::cellClass(), "Back", "Next");
    centred->setIsOn(true);
    auto slider = SliderCellVM::init();
    slider->setViewClass(&SliderCell::cellClass());
    slider->setMinValue(40);
    slider->setMaxValue(90);
    slider->setCurrentValue(62);
    slider->setAdditionalText("Lock when the phone is this far away");
    slider->setTextValueFunc(
        [](int32_t v) { return std::to_string(v / 20) + "." + std::to_string(v % 20 / 2) + " m"; });
    auto custom =
        row(CustomCheckBoxCell::cellClass(), "Take a photo", "of whoever fails to log in to this Mac");
    custom->setIconName("unlocked_with_password_icon");
    custom->setIsOn(true);
    custom->setAdditionalText("Read more");
    auto simple = row(SimpleCheckBoxCell::cellClass(), "Also after each unlock");
    simple->setLeftMargin(40);
    return pageCells({icon, large, coloured, plain, three, right, centred,
                      row(ReadMoreButtonCell::cellClass(), "Read more about proximity"), slider, custom,
                      simple, row(LoadingCell::cellClass(), "Looking for your iPhone")},
                     "Buttons, sliders and check boxes");
}

ui::Scene noticeCells() {
    auto expanded = CollapseCellVM::init();
    expanded->setViewClass(&CollapseCell::cellClass());
    expanded->setTitle("Connected to Ann's iPhone");
    expanded->setDescriptionText("Your Mac locks when you walk away.");
    expanded->setAdditionalText("OPEN SETTINGS");
    auto warning = CollapseCellVM::init();
    warning->setViewClass(&CollapseCell::cellClass());
    warning->setCollapseCell(1);
    warning->setIsCollapsed(true);
    warning->setTitle("Bluetooth is off");
    auto error = CollapseCellVM::init();
    error->setViewClass(&CollapseCell::cellClass());
    error->setCollapseCell(2);
    error->setTitle("The phone did not answer");
    error->setDescriptionText("Open Kestrune on your iPhone and try again.");
    error->setAdditionalText("TRY AGAIN");
    error->setTertiaryActionHandler([] {});
    auto devices = ConnectedDevicesVM::init();
    devices->setViewClass(&ConnectedDevicesCell::cellClass());
    devices->setTitle("Connected");
    devices->setMacName("Studio");
    devices->setIPhoneName("Ann's iPhone");
    devices->setIsOn(true);
    auto image = row(SimpleImageCell::cellClass(), "");
    image->setIconName("kestrune_logo");
    auto gif = row(GifImageCell::cellClass(), "");
    gif->setIconName("mugshot_lineup");
    auto bound = listWindow("Notices, devices and pictures", {expanded, warning, error, devices, image, gif},
                            colorWithHexColorString("3A3F45"));
    keptMappers().push_back(bound.mapper);
    return {bound.window, nullptr};
}

// Line pictures for the master list's rows, drawn by code on a 22-point square: the cells paint them
// white or grey. Shapes are given from the square's top left.
std::shared_ptr<ui::Image> glyph(const std::string& name,
                                 std::function<void(ui::GraphicsContext&, ui::Rect)> draw) {
    auto image =
        ui::Image::imageWithSize_flipped_drawingHandler({22, 22}, false, [draw](ui::Rect destination) {
            auto* context = ui::GraphicsContext::current();
            if (!context) return false;
            context->setStrokeColor(ui::Color::whiteColor());
            context->setFillColor(ui::Color::whiteColor());
            draw(*context, destination);
            return true;
        });
    image->setName(name);
    ui::ImageRegistry::add(name, image);
    return image;
}

ui::Point at(ui::Rect d, double x, double y) {
    return {d.minX() + x, d.maxY() - y};
}

ui::Rect box(ui::Rect d, double x, double y, double w, double h) {
    return {d.minX() + x, d.maxY() - y - h, w, h};
}

ui::BezierPath stroked(ui::BezierPath path, double width = 1.6) {
    path.setLineWidth(width);
    return path;
}

ui::BezierPath line(ui::Rect d, double x0, double y0, double x1, double y1, double width = 1.6) {
    ui::BezierPath path;
    path.moveToPoint(at(d, x0, y0));
    path.lineToPoint(at(d, x1, y1));
    return stroked(path, width);
}

// An arc about a centre given from the top left, angles counter-clockwise from the right.
ui::BezierPath arc(ui::Rect d, double cx, double cy, double radius, double from, double to) {
    ui::BezierPath path;
    for (int i = 0; i <= 16; ++i) {
        const double a = (from + (to - from) * i / 16) * M_PI / 180;
        const ui::Point p = at(d, cx + radius * std::cos(a), cy - radius * std::sin(a));
        if (i == 0)
            path.moveToPoint(p);
        else
            path.lineToPoint(p);
    }
    return stroked(path, 1.8);
}

void registerGlyphs() {
    using ui::BezierPath;
    glyph("gallery-glyph-phone", [](ui::GraphicsContext& c, ui::Rect d) {
        c.strokePath(
            stroked(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(d, 6, 2, 10, 18), 2.5, 2.5)));
        c.fillPath(BezierPath::bezierPathWithOvalInRect(box(d, 10, 16, 2, 2)));
    });
    glyph("gallery-glyph-setup", [](ui::GraphicsContext& c, ui::Rect d) {
        for (double y : {6.0, 11.0, 16.0}) c.strokePath(line(d, 3, y, 19, y));
        for (auto [x, y] : {std::pair{7.0, 6.0}, {14.0, 11.0}, {9.0, 16.0}})
            c.fillPath(BezierPath::bezierPathWithOvalInRect(box(d, x - 2.5, y - 2.5, 5, 5)));
    });
    glyph("gallery-glyph-wifi", [](ui::GraphicsContext& c, ui::Rect d) {
        c.strokePath(arc(d, 11, 17, 12, 50, 130));
        c.strokePath(arc(d, 11, 17, 7.5, 50, 130));
        c.fillPath(BezierPath::bezierPathWithOvalInRect(box(d, 9.2, 15.2, 3.6, 3.6)));
    });
    glyph("gallery-glyph-camera", [](ui::GraphicsContext& c, ui::Rect d) {
        c.strokePath(
            stroked(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(d, 2, 6, 18, 13), 2.5, 2.5)));
        c.strokePath(stroked(BezierPath::bezierPathWithOvalInRect(box(d, 7, 8.5, 8, 8))));
        c.fillPath(BezierPath::bezierPathWithRect(box(d, 7, 3.5, 6, 2.5)));
    });
    glyph("gallery-glyph-clipboard", [](ui::GraphicsContext& c, ui::Rect d) {
        c.strokePath(
            stroked(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(d, 4, 4, 14, 16), 2, 2)));
        c.fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(d, 8, 2, 6, 4), 1, 1));
        for (double y : {10.0, 14.0}) c.strokePath(line(d, 7.5, y, 14.5, y, 1.4));
    });
    glyph("gallery-glyph-help", [](ui::GraphicsContext& c, ui::Rect d) {
        c.strokePath(stroked(BezierPath::bezierPathWithOvalInRect(d.insetBy(2, 2))));
        c.fillPath(BezierPath::bezierPathWithOvalInRect(box(d, 9.7, 5.5, 2.6, 2.6)));
        c.fillPath(BezierPath::bezierPathWithRoundedRect_xRadius_yRadius(box(d, 10, 9.5, 2, 7), 1, 1));
    });
}

std::vector<VM> masterRows() {
    registerGlyphs();
    const std::pair<const char*, const char*> items[] = {
        {"My devices", "gallery-glyph-phone"},    {"Set-up", "gallery-glyph-setup"},
        {"Wi-Fi unlock", "gallery-glyph-wifi"},   {"Photos and history", "gallery-glyph-camera"},
        {"Clipboard", "gallery-glyph-clipboard"}, {"Help", "gallery-glyph-help"}};
    std::vector<VM> rows;
    for (const auto& [title, icon] : items) {
        auto vm = ListCellViewModel::init();
        vm->setTitle(std::string(title));
        vm->setIconName(std::string(icon));
        rows.push_back(vm);
    }
    return rows;
}

ui::Scene masterList() {
    auto bound = listWindow("Master list, a row selected", masterRows(), colorWithHexColorString("2A2D31"));
    bound.list->setSelectedRow(2);
    keptMappers().push_back(bound.mapper);
    return {bound.window, nullptr};
}

ui::Scene listWindowScene() {
    auto controller = KSWindowController::create<KestruneListViewWindow>();
    auto window = controller->window();
    controller->title->setStringValue("Lock and unlock history");
    controller->bottomInfoTextField->setStringValue("12 locks and 11 unlocks this week");
    controller->setBottomCenterButtonTitle("Export");
    controller->setBottomRightButtonTitle("Delete all");
    controller->showInfoButton(true);
    auto mapper = ListViewModelMapper::initWithListView(controller->listView);
    mapper->setListViewModel(masterRows());
    controller->listView->reloadData();
    controller->listView->setSelectedRow(1);
    controller->createCloseButton();
    window->orderFront(nullptr);
    settleCells(*controller->listView);
    keptMappers().push_back(mapper);
    // The controller lives as long as the scene's window.
    static std::vector<std::shared_ptr<KestruneListViewWindow>> controllers;
    controllers.push_back(controller);
    return {window, nullptr};
}

// A stand-in photo, a face-like disc on a soft background, in a file of its own for the record to point
// at; the caller removes it once the card has read it.
std::string samplePhoto() {
    ui::Bitmap b;
    b.width = 320;
    b.height = 320;
    b.pixels.resize(320 * 320);
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 320; ++x) {
            const double head = std::hypot(x - 160.0, y - 140.0),
                         body = std::hypot((x - 160.0) / 1.6, y - 330.0);
            uint32_t r = 70 + y / 6, g = 90 + y / 8, blue = 120 + y / 5;
            if (head < 70 || body < 110) r = 232, g = 190, blue = 160;
            if (body < 110 && y > 240) r = 40, g = 60, blue = 110;
            if ((std::hypot(x - 135.0, y - 130.0) < 7 || std::hypot(x - 185.0, y - 130.0) < 7))
                r = g = blue = 40;
            b.pixels[size_t(y) * 320 + x] = 0xff000000u | (r << 16) | (g << 8) | blue;
        }
    }
    const auto folder = platform::ThrowawayHome::makeFolder(platform::StandardFolders::temporary(),
                                                            "kestrune-snapshot-photo");
    if (!folder) return "";
    const std::string path = *folder + "/photo.png";
    ui::Image::createWithBitmap(std::move(b), {320, 320})->writePNGToFile(path);
    return path;
}

void removeSamplePhoto(const std::string& path) {
    if (path.empty()) return;
    platform::Files::remove(path);
    platform::Files::remove(path.substr(0, path.rfind('/')));
}

ui::Scene failedLoginCard() {
    auto entry = FailedLoginEntry::init();
    entry->setDate(platform::Date::dateWithTimeIntervalSince1970(kDate));
    const std::string photo = samplePhoto();
    entry->setImagePath(photo);
    auto card = MugShotGenerator::failedLoginCardForEntry(*entry);
    removeSamplePhoto(photo);
    return {nullptr, card ? card->view : nullptr};
}

ui::Scene loginCard() {
    auto entry = LoginLogoutEntry::initWithEvent_date_reason(
        LoginLogoutEntry::kEventUnlocked, platform::Date::dateWithTimeIntervalSince1970(kDate), 0);
    const std::string photo = samplePhoto();
    entry->setImagePath(photo);
    auto card = MugShotGenerator::loginCardForEntry(*entry);
    removeSamplePhoto(photo);
    return {nullptr, card ? card->view : nullptr};
}

}  // namespace

void registerListsAndSharingGallery() {
    ui::SceneRegistry::add("lists-text-cells", textCells);
    ui::SceneRegistry::add("lists-control-cells", controlCells);
    ui::SceneRegistry::add("lists-notice-cells", noticeCells);
    ui::SceneRegistry::add("lists-master-selected", masterList);
    ui::SceneRegistry::add("lists-list-window", listWindowScene);
    ui::SceneRegistry::add("sharing-failed-login-card", failedLoginCard);
    ui::SceneRegistry::add("sharing-login-card", loginCard);
}

}  // namespace kestrune
