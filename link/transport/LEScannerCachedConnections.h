#pragma once

#include <memory>
#include <string>

namespace kestrune {

class LeScannerConnection;

// The one "main" connection: the tracked phone's, once the connection controller has accepted it. No
// lock of its own: the scanner keeps it under its table lock.
class LEScannerCachedConnections {
public:
    const std::shared_ptr<LeScannerConnection>& mainConnection() const { return mainConnection_; }
    void setMainConnection(std::shared_ptr<LeScannerConnection> connection) {
        mainConnection_ = std::move(connection);
    }
    void removeAllCachedConnections() { mainConnection_.reset(); }
    // Exact comparison with the main connection's peripheral identifier.
    void removeCachedConnectionWithUUID(const std::string& uuid);
    bool hasCachedConnectionWithUUID(const std::string& uuid) const;

private:
    std::shared_ptr<LeScannerConnection> mainConnection_;
};

}  // namespace kestrune
