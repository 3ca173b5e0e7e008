// A dark rounded window with the hours of the day down the left and the days' columns in a
// horizontally scrolling strip beside them.

#include "windows/history/ActivityVizualizationController.h"
#include "menubar/cells/CellLayout.h"
#include "platform/ui/Window.h"
#include "uikit/views/BackgroundColor.h"
#include "uikit/views/ColorAdditions.h"

namespace kestrune {

extern const ui::NibRegistry::Registration kActivityVizualizationControllerLayout;
const ui::NibRegistry::Registration kActivityVizualizationControllerLayout(
    "ActivityVizualizationController", [](ui::NibLoader& nib) {
        auto window =
            nib.make<ui::Window>({0, 0, 560, 500}, ui::kWindowStyleTitled | ui::kWindowStyleClosable |
                                                       ui::kWindowStyleFullSizeContentView);
        window->setTitleVisibility(ui::Window::TitleVisibility::Hidden);
        window->setTitlebarAppearsTransparent(true);
        window->setMovableByWindowBackground(true);
        window->setOpaque(false);
        nib.addTopLevel(window);
        auto content = window->contentView();
        setBackgouroundColor(*content, colorWithHexColorString("2A2D31"));
        content->layer()->setCornerRadius(12);

        // The strip: 416-point columns, midnight at the top; the hours beside it line up with them.
        const ui::Rect strip{60, 30, 480, ActivityVizualizationController::kItemHeight};
        const auto hourColour = ui::Color::whiteColor().colorWithAlphaComponent(0.6);
        for (int hour = 0; hour <= 24; hour += 6) {
            const double inner = ActivityVizualizationController::kItemHeight - 6;
            const double y = strip.maxY() - 3 - inner * hour / 24.0;
            auto label = cells::label(nib, *content, {14, y - 8, 40, 16}, "Helvetica Neue", 11, hourColour,
                                      ui::kViewNotSizable);
            label->setStringValue((hour < 10 ? "0" : "") + std::to_string(hour) + ":00");
        }
        auto scroll = nib.make<ui::ScrollView>(strip);
        scroll->setAutoresizingMask(ui::kViewWidthSizable | ui::kViewHeightSizable);
        auto grid = nib.make<CNGridView>({0, 0, strip.width(), strip.height()});
        scroll->setDocumentView(grid);
        content->addSubview(scroll);

        auto owner = nib.owner<ActivityVizualizationController>();
        if (!owner) return;
        owner->setWindow(window);
        window->setDelegate(owner);
        owner->gridView = grid;
        owner->gridScrollView = scroll;
    });

}  // namespace kestrune
