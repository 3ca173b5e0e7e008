#include "main/InterfaceWiring.h"

#include "engine/coordinator/CoordinatorServices.h"
#include "windows/screens/InformationScreenFactory.h"
#include "windows/screens/TutorialFactory.h"

namespace kestrune {

void installInterface(CoordinatorServices& services) {
    services.tutorials = std::make_shared<TutorialFactory>();
    services.screens = std::make_shared<InformationScreenFactory>();
}

}  // namespace kestrune
