#pragma once

#include <memory>
#include <string>

#include "platform/base/Object.h"

namespace platform::ui {

struct NibArgs;

// Base of every interface object: shared ownership, a class name for logs and for loading interface
// layouts, and the wake-up call after a layout has been loaded.
class UIObject : public platform::Object {
public:
    std::string className() const override;
    // The second phase of creation for an object of an interface layout (views take their frame).
    virtual void initFromNib(NibArgs&) {}
    // Called on every object of a loaded layout, in creation order, after all outlets are connected.
    virtual void awakeFromNib() {}

    template <typename T>
    std::shared_ptr<T> sharedAs() {
        return std::dynamic_pointer_cast<T>(shared_from_this());
    }
    template <typename T>
    std::weak_ptr<T> weakAs() {
        return sharedAs<T>();
    }
};

}  // namespace platform::ui
