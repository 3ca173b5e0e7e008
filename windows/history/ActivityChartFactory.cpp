#include "windows/history/ActivityChartFactory.h"

#include "windows/history/ActivityVizualizationController.h"

namespace kestrune {

std::shared_ptr<platform::ui::WindowController> ActivityChartFactory::newActivityVizualizationController() {
    return KSWindowController::create<ActivityVizualizationController>();
}

}  // namespace kestrune
