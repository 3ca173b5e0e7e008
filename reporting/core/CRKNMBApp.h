#pragma once

namespace reporting {

// The outside core ("NMBApp"), as far as data collection goes.
class CRKNMBApp {
public:
    // True without the outside core or its default app; else the app's answer when it gives one.
    static bool isDataCollectionDefaultEnabled();
};

}  // namespace reporting
