// Feeds arbitrary bytes to the crash kit's record file reader (a file left by a crashed run is outside
// input) and to its hex decoder.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "reporting/crash/CRKFile.h"
#include "reporting/crash/store/CRKFileReader.h"

namespace {

const std::string& recordPath() {
    static const std::string path = [] {
        char folder[] = "/tmp/fuzz_crash_record.XXXXXX";
        const char* made = mkdtemp(folder);
        return std::string(made ? made : "/tmp") + "/record.crkrecord";
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = recordPath();
    FILE* file = fopen(path.c_str(), "wb");
    if (!file) return 0;
    fwrite(data, 1, size, file);
    fclose(file);
    auto sections = reporting::CRKFileReadSections(path.c_str(), false,
                                                   [](const platform::Value& section) { return section; });
    if (sections) {
        for (const auto& section : *sections) (void)section.description();
    }
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)reporting::CRKFileHexDecodeString(text.c_str());
    return 0;
}
