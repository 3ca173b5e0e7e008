#pragma once

namespace platform {

class KeyedArchiver;
class KeyedUnarchiver;

// Keyed coding: a record that can be stored in a keyed archive writes its fields under string keys and
// reads them back. Records implement it beside Object (whose className() is the stored class name) and
// register a factory with the ClassRegistry so that an archive can name them.
class Coding {
public:
    virtual ~Coding() = default;
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;
    // Fills a freshly made record from the archive; false refuses the contents (the whole archive then
    // fails to decode).
    virtual bool initWithCoder(KeyedUnarchiver& coder) = 0;
};

}  // namespace platform
