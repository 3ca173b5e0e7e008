#include "link/transport/LEScannerCachedConnections.h"

#include "link/transport/LeScannerConnection.h"

namespace kestrune {

void LEScannerCachedConnections::removeCachedConnectionWithUUID(const std::string& uuid) {
    if (hasCachedConnectionWithUUID(uuid)) mainConnection_.reset();
}

bool LEScannerCachedConnections::hasCachedConnectionWithUUID(const std::string& uuid) const {
    return mainConnection_ && mainConnection_->peripheralIdentifier() == uuid;
}

}  // namespace kestrune
