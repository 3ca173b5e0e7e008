#include "platform/ui/UIObject.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace platform::ui {

std::string UIObject::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    // The bare class name, without namespaces.
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace platform::ui
