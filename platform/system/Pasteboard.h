#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// The type under which plain text lies on a pasteboard.
inline constexpr const char* kPasteboardTypeString = "public.utf8-plain-text";

// Where the general pasteboard's contents live: the simulated Mac here, a desktop clipboard later. Any
// thread may ask; a backend guards its own state.
class PasteboardBackend {
public:
    virtual ~PasteboardBackend() = default;

    // The bytes stored under the type; none when the pasteboard holds nothing of that type.
    virtual std::optional<std::string> dataForType(const std::string& type) = 0;
    // Empties the pasteboard and names the types about to be written; answers the new change count.
    virtual int64_t declareTypes(const std::vector<std::string>& types) = 0;
    // Stores the bytes under a declared type; false when the type was not declared or the pasteboard
    // refused them.
    virtual bool setData_forType(const std::string& bytes, const std::string& type) = 0;
    virtual int64_t changeCount() = 0;

    // The installed backend, else one that holds nothing and takes nothing.
    static std::shared_ptr<PasteboardBackend> current();
    // Installs the backend (null: none).
    static void install(std::shared_ptr<PasteboardBackend> backend);
};

// The general pasteboard as the application uses it: plain text read, cleared and written. Each call goes
// to the backend installed at that moment.
class Pasteboard {
public:
    static Pasteboard& generalPasteboard();

    // Clears the pasteboard for the types that follow (there is no owner to be asked for them later).
    int64_t declareTypes_owner(const std::vector<std::string>& types);
    bool setString_forType(const std::string& text, const std::string& type);
    // The stored bytes as they are: another application may have put text there that is not UTF-8.
    std::optional<std::string> stringForType(const std::string& type);
    int64_t changeCount();

private:
    Pasteboard() = default;
};

}  // namespace platform
