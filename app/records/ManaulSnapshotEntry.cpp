#include "app/records/ManaulSnapshotEntry.h"

#include "platform/storage/ClassRegistry.h"

namespace kestrune {

namespace {
const platform::ClassRegistry::Registrar<ManaulSnapshotEntry> registrarOfManaulSnapshotEntry(ManaulSnapshotEntry::kClassName,
                                                                        {BaseEntry::kClassName});
}

void ManaulSnapshotEntry::encodeWithCoder(platform::KeyedArchiver& coder) const {
    encodeBaseFields(coder, "manaulSnapshotDate", "manaulSnapshotImagePath");
}

bool ManaulSnapshotEntry::initWithCoder(platform::KeyedUnarchiver& coder) {
    decodeBaseFields(coder, "manaulSnapshotDate", "manaulSnapshotImagePath");
    return true;
}

}  // namespace kestrune
