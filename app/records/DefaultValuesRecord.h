#pragma once

namespace kestrune {

// A stored record that knows its own defaults. The application data makes records of higher folders
// through the class registry by name and fills them through this, without knowing their type.
class DefaultValuesRecord {
public:
    virtual ~DefaultValuesRecord() = default;
    virtual void setDefaultValues() = 0;
};

}  // namespace kestrune
