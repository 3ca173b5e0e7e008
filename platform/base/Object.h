#pragma once

#include <memory>
#include <string>

namespace platform {

// Base of every object with identity that can travel inside a Value (records, payloads). The class
// name is part of the stored and transmitted formats, so it is the name the object is known by there.
class Object : public std::enable_shared_from_this<Object> {
public:
    virtual ~Object() = default;
    virtual std::string className() const = 0;
};

}  // namespace platform
