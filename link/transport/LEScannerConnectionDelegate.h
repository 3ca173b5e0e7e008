#pragma once

#include <memory>
#include <string>

#include "platform/base/Number.h"

namespace kestrune {

class LeScannerConnection;

// What a phone connection tells the connection controller, always on the main thread and waited for.
// Every call may be left unimplemented.
class LEScannerConnectionDelegate {
public:
    virtual ~LEScannerConnectionDelegate() = default;

    // One application message text arrived.
    virtual void connection_didReceiveString(const std::shared_ptr<LeScannerConnection>& connection,
                                             const std::string& text) {
        (void)connection, (void)text;
    }
    virtual void connection_didUpdateRSSI(const std::shared_ptr<LeScannerConnection>& connection,
                                          const platform::Number& rssi) {
        (void)connection, (void)rssi;
    }
    virtual void connectionDidConnect(const std::shared_ptr<LeScannerConnection>& connection) {
        (void)connection;
    }
    virtual void connectionDidDisconnect(const std::shared_ptr<LeScannerConnection>& connection) {
        (void)connection;
    }
};

}  // namespace kestrune
