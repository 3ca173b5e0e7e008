#pragma once

namespace kestrune {

struct CoordinatorServices;

// The interface folders' classes behind the coordinator's interfaces to them: the tutorial factory,
// which makes and keeps every wizard and tutorial, and the screen factory's information screens.
void installInterface(CoordinatorServices& services);

}  // namespace kestrune
