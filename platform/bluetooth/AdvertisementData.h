#pragma once

namespace platform {

// The keys of the advertisement dictionary a central manager hands over with each discovered
// peripheral (a Value::Dictionary). Service identifiers travel as their bytes (Data), numbers as Number.
struct AdvertisementData {
    // Text: the name the peripheral advertises.
    static constexpr const char* kLocalName = "kCBAdvDataLocalName";
    // Array of Data: the service identifiers the peripheral advertises.
    static constexpr const char* kServiceUUIDs = "kCBAdvDataServiceUUIDs";
    // Array of Data: the service identifiers the peripheral solicits.
    static constexpr const char* kSolicitedServiceUUIDs = "kCBAdvDataSolicitedServiceUUIDs";
    // Number: 1 when the peripheral accepts connections.
    static constexpr const char* kIsConnectable = "kCBAdvDataIsConnectable";
    // Data: the maker's own bytes.
    static constexpr const char* kManufacturerData = "kCBAdvDataManufacturerData";
    // Dictionary: the maker's bytes as the system reads them for its own devices.
    static constexpr const char* kAppleMfgData = "kCBAdvDataAppleMfgData";
    // Number inside kAppleMfgData: the kind of the maker's device.
    static constexpr const char* kAppleFilterPuckType = "kCBScanOptionAppleFilterPuckType";
};

}  // namespace platform
