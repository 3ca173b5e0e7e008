#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/Geometry.h"
#include "platform/ui/UIObject.h"

namespace platform::ui {

// What an object made from an interface layout is initialised with.
struct NibArgs {
    Rect frame;
    std::string nibName;
    unsigned windowStyle = 1;  // windows: titled unless the layout says otherwise
};

// Builds the objects of one layout: made through initFromNib, in creation order; the builder sets
// properties and frames and connects outlets on the owner and between objects.
class NibLoader {
public:
    NibLoader(std::string name, std::shared_ptr<UIObject> owner)
        : name_(std::move(name)), owner_(std::move(owner)) {}

    template <typename T>
    std::shared_ptr<T> make(Rect frame = {}, unsigned windowStyle = 1) {
        auto object = std::make_shared<T>();
        NibArgs args{frame, name_, windowStyle};
        object->initFromNib(args);
        objects_.push_back(object);
        return object;
    }
    // The owner as the class the layout expects; none when it is another class.
    template <typename T>
    std::shared_ptr<T> owner() const {
        return std::dynamic_pointer_cast<T>(owner_);
    }
    // Top-level objects are answered by Nib::load, in the order added.
    void addTopLevel(const std::shared_ptr<UIObject>& object) { topLevel_.push_back(object); }

    const std::string& name() const { return name_; }
    const std::vector<std::shared_ptr<UIObject>>& objects() const { return objects_; }
    const std::vector<std::shared_ptr<UIObject>>& topLevelObjects() const { return topLevel_; }

private:
    std::string name_;
    std::shared_ptr<UIObject> owner_;
    std::vector<std::shared_ptr<UIObject>> objects_;
    std::vector<std::shared_ptr<UIObject>> topLevel_;
};

using NibBuilder = std::function<void(NibLoader&)>;

// Interface layouts written in code, by name (a `Name.nib.cpp` beside its class registers one).
class NibRegistry {
public:
    static void add(const std::string& name, NibBuilder builder);
    static bool has(const std::string& name);
    static std::vector<std::string> names();
    // Back to the layouts registered when the program started (tests add their own).
    static void reset();

    // Registers a layout from a static object of a `.nib.cpp` file. A class that reads the name from
    // its layout's registration keeps that file in every program that links the class.
    struct Registration {
        Registration(const std::string& layoutName, NibBuilder builder) : name(layoutName) {
            add(layoutName, std::move(builder));
        }
        const std::string name;
    };
};

class Nib {
public:
    // Runs the layout's builder, then awakeFromNib on every object in creation order; answers the
    // top-level objects (empty, with a log line, when no layout has the name).
    static std::vector<std::shared_ptr<UIObject>> load(const std::string& name,
                                                       const std::shared_ptr<UIObject>& owner);
    // The first top-level object of the class (a cell loaded by class).
    template <typename T>
    static std::shared_ptr<T> loadFirst(const std::string& name, const std::shared_ptr<UIObject>& owner) {
        for (const auto& object : load(name, owner))
            if (auto typed = std::dynamic_pointer_cast<T>(object)) return typed;
        return nullptr;
    }
};

}  // namespace platform::ui
