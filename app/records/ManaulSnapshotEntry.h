#pragma once

#include <memory>
#include <string>

#include "app/records/BaseEntry.h"

namespace kestrune {

// A photo taken on request from the phone.
class ManaulSnapshotEntry : public BaseEntry {
public:
    static constexpr const char* kClassName = "ManaulSnapshotEntry";

    static std::shared_ptr<ManaulSnapshotEntry> init() { return std::make_shared<ManaulSnapshotEntry>(); }

    std::string className() const override { return kClassName; }
    void encodeWithCoder(platform::KeyedArchiver& coder) const override;
    bool initWithCoder(platform::KeyedUnarchiver& coder) override;
};

}  // namespace kestrune
