#pragma once

#include "engine/coordinator/ActivityControllerFactory.h"

namespace kestrune {

// Makes a new activity chart for each request of the coordinator.
class ActivityChartFactory : public ActivityControllerFactory {
public:
    std::shared_ptr<platform::ui::WindowController> newActivityVizualizationController() override;
};

}  // namespace kestrune
