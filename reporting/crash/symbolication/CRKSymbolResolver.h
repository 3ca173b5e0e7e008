#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Value.h"
#include "reporting/crash/image/CRKBinaryImage.h"
#include "reporting/crash/symbolication/CRKStackFrame.h"

namespace reporting {

// Maps the return addresses of an earlier run to names: the image that held an address then is found
// in this process by its build identifier, the address is moved to where that image lies now, and the
// loader (or, for functions it does not export, the image file's own symbol table) names it.
//
// One resolver serves one report, whose record may hold hundreds of thousands of frames, most of them
// a few addresses repeated (a deep recursion). So it learns each image once per report: which image
// of this process has the build identifier, the loader's exported names of that image and the file's
// own symbol table, each read once and sorted; and it keeps what each frame address came to, so an
// address met again costs a hash lookup. A frame costs the same however large the image's tables are.
// The names are the same as asking the loader and the file afresh for every frame. Its methods may be
// called from several threads.
class CRKSymbolResolver {
public:
    CRKSymbolResolver();
    ~CRKSymbolResolver();
    CRKSymbolResolver(const CRKSymbolResolver&) = delete;
    CRKSymbolResolver& operator=(const CRKSymbolResolver&) = delete;

    // Keeps the "load" lines of a binary-image record that have a base and a size, sorted by base.
    // True when the file had at least one line.
    bool loadBinaryImagesFromFile(const std::string& path);
    // The stored image holding the address, or null.
    const platform::Value::Dictionary* loadedBinaryImageForPC(uint64_t address) const;
    // The image of this process with that build identifier; an empty identifier never matches.
    static bool fillInImageDetails_forUUID(CRKBinaryImageDetails* details,
                                           const std::optional<std::string>& uuid);
    // A return address is named after the function that holds its call, even when that call ended the
    // function and the address lies on the next one's first byte or in the padding between them. Any
    // other address (the instruction a thread was stopped at) is named after the function holding it.
    bool updateStackFrame(CRKStackFrame& frame, bool returnAddress = true) const;
    std::shared_ptr<CRKStackFrame> frameForAddress(uint64_t address, bool returnAddress = true) const;

    const platform::Value::Array& binaryImages() const { return binaryImages_; }

    // Asked while an image file's own symbols are read for a frame (a program's take a tenth of a second):
    // once it answers true the reading ends, the frames being named get no name from that file, and the
    // file is read whole again by a later naming. None by default.
    void setStopCheck(std::function<bool()> stop);

private:
    struct Cache;

    platform::Value::Array binaryImages_;
    std::unique_ptr<Cache> cache_;
};

}  // namespace reporting
