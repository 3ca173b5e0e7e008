#pragma once

#include <memory>
#include <string>

#include "app/records/BaseEntry.h"

namespace kestrune {

// A failed login, with the photo of whoever tried when one was taken.
class FailedLoginEntry : public BaseEntry {
public:
    static constexpr const char* kClassName = "FailedLoginEntry";

    static std::shared_ptr<FailedLoginEntry> init() { return std::make_shared<FailedLoginEntry>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;
};

}  // namespace kestrune
