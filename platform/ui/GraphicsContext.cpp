#include "platform/ui/GraphicsContext.h"

namespace platform::ui {

namespace {
thread_local GraphicsContext* currentContext = nullptr;
}

GraphicsContext* GraphicsContext::current() {
    return currentContext;
}

GraphicsContext::Scope::Scope(GraphicsContext* context) : previous_(currentContext) {
    currentContext = context;
}

GraphicsContext::Scope::~Scope() {
    currentContext = previous_;
}

}  // namespace platform::ui
