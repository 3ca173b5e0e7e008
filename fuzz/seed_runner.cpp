// Runs fuzz targets outside the fuzzer: each target's seeds once, in the build's own sanitizers. The
// fuzz build runs only on demand, so this is what keeps every target's source compiling and its seeds
// passing between fuzzing runs.
//
//     fuzz_seeds <target> <seed file or folder>...
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Each target's entry points, renamed at compile time so that all targets live in one program.
#define KESTRUNE_FUZZ_TARGET(name)                                        \
    extern "C" int name##_TestOneInput(const uint8_t* data, size_t size); \
    extern "C" __attribute__((weak)) int name##_Initialize(int* argc, char*** argv);
#include "FuzzTargets.inc"
#undef KESTRUNE_FUZZ_TARGET

namespace {

struct Target {
    const char* name;
    int (*testOneInput)(const uint8_t*, size_t);
    int (*initialize)(int*, char***);  // null when the target has none
};

const Target kTargets[] = {
#define KESTRUNE_FUZZ_TARGET(name) {#name, &name##_TestOneInput, &name##_Initialize},
#include "FuzzTargets.inc"
#undef KESTRUNE_FUZZ_TARGET
};

std::vector<std::filesystem::path> seedFiles(const char* argument) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    if (std::filesystem::is_directory(argument, error)) {
        for (const auto& entry : std::filesystem::directory_iterator(argument, error))
            if (entry.is_regular_file()) files.push_back(entry.path());
    } else if (std::filesystem::is_regular_file(argument, error)) {
        files.emplace_back(argument);
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <target> <seed file or folder>...\n", argv[0]);
        return 2;
    }
    const Target* target = nullptr;
    for (const auto& candidate : kTargets)
        if (std::strcmp(candidate.name, argv[1]) == 0) target = &candidate;
    if (!target) {
        std::fprintf(stderr, "no fuzz target named %s\n", argv[1]);
        return 2;
    }
    if (target->initialize) target->initialize(&argc, &argv);
    size_t count = 0;
    for (int i = 2; i < argc; ++i) {
        for (const auto& file : seedFiles(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            target->testOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ++count;
        }
    }
    std::printf("%s: %zu seeds run\n", target->name, count);
    return count > 0 ? 0 : 1;  // a target without seeds tests nothing
}
