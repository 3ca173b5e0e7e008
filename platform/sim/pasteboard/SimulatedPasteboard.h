#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/system/Pasteboard.h"

namespace platform {

// The simulated Mac's clipboard, in memory: what the user copied (text, or a picture only), and what the
// application wrote there. It can be told to refuse writes, as a pasteboard whose owner went away does.
class SimulatedPasteboard : public PasteboardBackend,
                            public std::enable_shared_from_this<SimulatedPasteboard> {
public:
    static constexpr const char* kPNGType = "public.png";

    static std::shared_ptr<SimulatedPasteboard> create();
    // Installs it as the pasteboard of this process.
    void install();

    // The user copies: the bytes become the pasteboard's only contents.
    void copyText(const std::string& bytes);
    void copyImage(const std::vector<uint8_t>& png);
    void clear();
    void setRefusesWrites(bool refuses);
    // What lies there under each type.
    std::map<std::string, std::string> contents();

    // PasteboardBackend
    std::optional<std::string> dataForType(const std::string& type) override;
    int64_t declareTypes(const std::vector<std::string>& types) override;
    bool setData_forType(const std::string& bytes, const std::string& type) override;
    int64_t changeCount() override;

private:
    SimulatedPasteboard() = default;
    void replaceLocked(const std::string& type, const std::string& bytes);

    std::mutex mutex_;
    std::set<std::string> declared_;            // guarded by mutex_
    std::map<std::string, std::string> items_;  // guarded by mutex_
    int64_t changeCount_ = 0;                   // guarded by mutex_
    bool refusesWrites_ = false;                // guarded by mutex_
};

}  // namespace platform
