// The module of module_constructor_race: its constructor calls back into the program that loads it.
extern "C" void kestruneRaceCountModuleLoad();

namespace {
__attribute__((constructor)) void countThisModule() {
    kestruneRaceCountModuleLoad();
}
}  // namespace
