// The program's entry: creates the application delegate (and, once it exists, the coordinator),
// connects them and hands control to the application's main loop, as the main interface file did.

#include "app/AppDelegate.h"
#include "platform/base/Log.h"
#include "platform/system/Application.h"

int main(int argc, char** argv) {
    auto& application = platform::Application::shared();
    kestrune::AppDelegate delegate;
    application.setDelegate(&delegate);
    int status = application.run(argc, argv);
    application.setDelegate(nullptr);
    platform::logf("Kestrune quit");
    return status;
}
