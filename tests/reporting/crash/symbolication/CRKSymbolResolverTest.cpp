#include "reporting/crash/symbolication/CRKSymbolResolver.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "platform/storage/Files.h"
#include "reporting/crash/CRKUtilities.h"
#include "reporting/crash/image/CRKELFFile.h"
#include "reporting/crash/symbolication/CRKELFSymbolTable.h"
#include "tests/reporting/crash/symbolication/ELFSymbolFixtures.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;

constexpr uint64_t kShift = 0x10000000;  // the crashed run had every image this much higher

std::optional<uint64_t> numberAt(const platform::Value::Dictionary& image, const char* key) {
    const auto found = image.find(key);
    if (found == image.end() || !found->second.number()) return std::nullopt;
    return found->second.number()->unsignedLongLongValue();
}

// The resolver as it was before it kept anything: every frame searches the stored images in turn, asks
// the loader and scans the image file's whole symbol table. (Which loaded image has a build identifier,
// and the files' bytes, are the same for every frame; they are kept only to spare the test's time.)
struct AfreshLookups {
    std::map<std::string, std::optional<CRKBinaryImageDetails>> images;
    std::map<std::string, std::unique_ptr<elffixtures::MappedFile>> files;
};

bool updateFrameAfresh(const platform::Value::Array& images, CRKStackFrame& frame, bool returnAddress,
                       AfreshLookups& kept) {
    if (frame.address == 0) return false;
    const platform::Value::Dictionary* stored = nullptr;
    for (const platform::Value& image : images) {
        const uint64_t base = *numberAt(*image.dictionary(), "base");
        const uint64_t size = *numberAt(*image.dictionary(), "size");
        if (frame.address >= base && frame.address - base < size) {
            stored = image.dictionary();
            break;
        }
    }
    if (!stored) return false;
    const auto uuid = stored->find("uuid");
    if (uuid == stored->end() || !uuid->second.string()) return false;
    auto& loaded = kept.images[*uuid->second.string()];
    if (!loaded) {
        CRKBinaryImageDetails found{};
        if (!CRKSymbolResolver::fillInImageDetails_forUUID(&found, *uuid->second.string())) return false;
        loaded = found;
    }
    const CRKBinaryImageDetails details = *loaded;
    struct Found {
        std::optional<std::string> name;
        uint64_t start = 0;
    };
    const auto lookUp = [&details, &kept](uint64_t local) -> std::optional<Found> {
        Dl_info info{};
        if (dladdr(reinterpret_cast<const void*>(static_cast<uintptr_t>(local)), &info) == 0)
            return std::nullopt;
        if (info.dli_sname && info.dli_saddr)
            return Found{std::string(info.dli_sname), reinterpret_cast<uintptr_t>(info.dli_saddr)};
        if (info.dli_fname && *info.dli_fname) {
            auto& file = kept.files[info.dli_fname];
            if (!file) file = std::make_unique<elffixtures::MappedFile>(info.dli_fname);
            if (auto symbol = CRKELFBufferFindFunctionSymbol(file->data(), file->size(),
                                                             local - uint64_t(details.slide)))
                return Found{symbol->name, symbol->start + uint64_t(details.slide)};
        }
        return Found{};
    };
    uint64_t local = details.loadAddress + (frame.address - *numberAt(*stored, "base"));
    auto found = lookUp(local);
    if (!found) return false;
    if (returnAddress && local > 2) {
        const auto inCall = lookUp(local - 2);
        if (inCall && inCall->name &&
            (!found->name || local == found->start || inCall->start > found->start)) {
            local -= 2;
            found = inCall;
        }
    }
    if (found->name) {
        frame.symbol = found->name;
        frame.rawSymbol = found->name;
        if (local > found->start) frame.offset = local - found->start;
    }
    const auto path = stored->find("path");
    if (path != stored->end() && path->second.string()) {
        frame.library = std::filesystem::path(*path->second.string()).filename().string();
    }
    return true;
}

struct Image {
    std::string path;
    std::string uuid;
    uint64_t base = 0;  // where it lies now
    uint64_t size = 0;
};

std::string hexIdentifier(const CRKELFImageInfo& info) {
    if (!info.hasBuildID) return "";
    char hex[33];
    CRKHexEncodeBytes(info.uuid, 16, hex);
    return hex;
}

// Every image loaded now that has a build identifier, as the image table knows it.
std::vector<Image> loadedImages() {
    std::vector<Image> images;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) -> int {
            auto* images = static_cast<std::vector<Image>*>(data);
            CRKELFImageInfo read{};
            if (!CRKELFImageReadInfo(info->dlpi_addr, info->dlpi_phdr, info->dlpi_phnum, &read)) return 0;
            std::string path = info->dlpi_name ? info->dlpi_name : "";
            if (path.empty() && images->empty())
                path = std::filesystem::read_symlink("/proc/self/exe").string();
            images->push_back({path, hexIdentifier(read), 0, 0});
            return 0;
        },
        &images);
    std::erase_if(images, [](Image& image) {
        CRKBinaryImageDetails details{};
        if (image.uuid.empty() || !CRKBinaryImageFindImageForUUID(image.uuid.c_str(), &details)) return true;
        image.base = details.loadAddress;
        image.size = details.textSize;
        return false;
    });
    return images;
}

std::string loadLine(const Image& image, uint64_t size) {
    return "{\"load\":{\"path\":\"" + image.path + "\",\"uuid\":\"" + image.uuid +
           "\",\"base\":" + std::to_string(image.base + kShift) + ",\"size\":" + std::to_string(size) +
           "}}\n";
}

struct Frame {
    bool resolved;
    std::optional<std::string> symbol, rawSymbol, library;
    uint64_t offset;
    bool operator==(const Frame&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Frame& f) {
    return out << (f.resolved ? "resolved " : "unresolved ") << f.symbol.value_or("(null)") << " / "
               << f.rawSymbol.value_or("(null)") << " +" << f.offset << " in "
               << f.library.value_or("(null)");
}

template <typename Update>
Frame frameOf(uint64_t address, Update update) {
    auto frame = CRKStackFrame::stackFrameWithAddress(address);
    const bool resolved = update(*frame);
    return {resolved, frame->symbol, frame->rawSymbol, frame->library, frame->offset};
}

// The test library's two step functions, as the library hands them out; false when it has no such call.
bool librarySteps(void* handle, const void* (&step)[2]) {
    const auto steps =
        reinterpret_cast<void (*)(const void**)>(dlsym(handle, "kestrune_symbolication_library_steps"));
    if (steps) steps(step);
    return steps != nullptr;
}

class CRKSymbolResolverTest : public testsupport::KestruneTest {
protected:
    std::string writeRecord(const std::string& lines) {
        const std::string path = home() + "/binary_images.crkrecord";
        uploadtest::writeFile(path, lines);
        return path;
    }
};

TEST_F(CRKSymbolResolverTest, FramesAreNamedAsAskingTheLoaderAndTheFileForEachFrameNamesThem) {
    const std::vector<Image> images = loadedImages();
    ASSERT_GE(images.size(), 3u);
    std::mt19937_64 random(3);
    std::string lines;
    std::vector<uint64_t> addresses = {0, 8, kShift - 1};
    for (const Image& image : images) {
        // The program's record runs far past its code, as a damaged record's may: into its data, and
        // beyond into what lies there now.
        const bool program = &image == &images.front();
        const uint64_t size = program ? image.size + 0x4000000 : image.size;
        lines += loadLine(image, size);
        const elffixtures::MappedFile file(image.path);
        auto functions = elffixtures::functionSymbolsOf(file.data(), file.size());
        std::erase_if(functions, [&](const auto& f) { return f.first >= image.size; });
        const int picked = program ? 20 : 5;
        for (int i = 0; i < picked && !functions.empty(); i++) {
            const auto& [start, length] = functions[random() % functions.size()];
            for (const uint64_t at :
                 {start, start + 1, start + 2, start + 3, start + length, start + length + 2})
                addresses.push_back(image.base + kShift + at);
        }
        for (uint64_t at = 0; at < size; at += size / (program ? 25 : 6) + 1)
            addresses.push_back(image.base + kShift + at);
    }
    CRKSymbolResolver resolver;
    ASSERT_TRUE(resolver.loadBinaryImagesFromFile(writeRecord(lines)));
    ASSERT_EQ(resolver.binaryImages().size(), images.size());

    // Each address twice, in no order, as a return address and as the instruction a thread stood on.
    std::vector<std::pair<uint64_t, bool>> frames;
    for (const uint64_t address : addresses) {
        for (const bool returnAddress : {true, false})
            frames.insert(frames.end(), 2, {address, returnAddress});
    }
    std::shuffle(frames.begin(), frames.end(), random);
    std::map<std::pair<uint64_t, bool>, Frame> afresh;
    AfreshLookups lookups;
    size_t named = 0;
    for (const auto& [address, returnAddress] : frames) {
        const Frame kept =
            frameOf(address, [&](CRKStackFrame& f) { return resolver.updateStackFrame(f, returnAddress); });
        auto expected = afresh.find({address, returnAddress});
        if (expected == afresh.end()) {
            expected = afresh
                           .emplace(std::pair{address, returnAddress},
                                    frameOf(address,
                                            [&](CRKStackFrame& f) {
                                                return updateFrameAfresh(resolver.binaryImages(), f,
                                                                         returnAddress, lookups);
                                            }))
                           .first;
        }
        ASSERT_EQ(kept, expected->second)
            << "0x" << std::hex << address << (returnAddress ? " returning" : " stopped");
        named += kept.symbol.has_value();
    }
    EXPECT_GT(named, frames.size() / 2);
}

TEST_F(CRKSymbolResolverTest, AnImageHoldsTheAddressesFromItsBaseToTheByteBeforeItsEnd) {
    // Two images end to end, one a little further, and an empty one; then the same with an image at the
    // top whose size runs past the last address, where the images are searched for one after another.
    const auto line = [](const char* name, uint64_t base, uint64_t size) {
        return "{\"load\":{\"path\":\"/lib/" + std::string(name) + "\",\"base\":" + std::to_string(base) +
               ",\"size\":" + std::to_string(size) + "}}\n";
    };
    const std::string images = line("a", 0x10000, 0x1000) + line("b", 0x11000, 0x800) +
                               line("c", 0x20000, 0x10) + line("empty", 0x30000, 0);
    const std::pair<uint64_t, const char*> expected[] = {
        {0xffff, nullptr},  {0x10000, "a"},     {0x10fff, "a"}, {0x11000, "b"},     {0x117ff, "b"},
        {0x11800, nullptr}, {0x1ffff, nullptr}, {0x2000f, "c"}, {0x20010, nullptr}, {0x30000, nullptr},
    };
    for (const bool wrapping : {false, true}) {
        SCOPED_TRACE(wrapping ? "beside an image running past the top" : "images apart");
        CRKSymbolResolver resolver;
        ASSERT_TRUE(resolver.loadBinaryImagesFromFile(
            writeRecord(images + (wrapping ? line("top", UINT64_MAX - 0xfff, 0x2000) : ""))));
        for (const auto& [address, name] : expected) {
            const auto* image = resolver.loadedBinaryImageForPC(address);
            const auto* path = image ? image->at("path").string() : nullptr;
            EXPECT_EQ(path ? *path : "(none)", name ? std::string("/lib/") + name : "(none)")
                << std::hex << address;
        }
        const auto* top = resolver.loadedBinaryImageForPC(UINT64_MAX);
        EXPECT_EQ(top != nullptr, wrapping);
    }
}

TEST_F(CRKSymbolResolverTest, AnImageFileIsReadOnceAReport) {
    // A copy of the library, loaded, then its file replaced by a damaged one between two frames of one
    // report: the report's resolver read the file at its first frame and names the second from that.
    const std::string folder = home() + "/libraries";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/copy.so";
    std::filesystem::copy_file(SYMBOLICATION_LIBRARY_PATH, path);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(handle) << dlerror();
    const void* step[2] = {nullptr, nullptr};
    ASSERT_TRUE(librarySteps(handle, step));
    Image library = {path, "", 0, 0};
    for (const Image& image : loadedImages()) {
        if (image.path == path) library = image;
    }
    ASSERT_EQ(library.uuid.size(), 32u);
    const std::string record = writeRecord(loadLine(library, library.size));
    const auto crashed = [&](const void* address, uint64_t plus) {
        return reinterpret_cast<uintptr_t>(address) + plus + kShift;
    };

    CRKSymbolResolver resolver;
    ASSERT_TRUE(resolver.loadBinaryImagesFromFile(record));
    const auto first = resolver.frameForAddress(crashed(step[0], 1), false);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->symbol, "symbolication_first_step");
    EXPECT_EQ(first->offset, 1u);

    // Renamed over with the first half of itself: the symbol tables at its end are gone.
    const std::string whole = uploadtest::readFile(path);
    uploadtest::writeFile(folder + "/half.so", whole.substr(0, whole.size() / 2));
    std::filesystem::rename(folder + "/half.so", path);

    const auto second = resolver.frameForAddress(crashed(step[1], 2), false);
    ASSERT_TRUE(second);
    EXPECT_EQ(second->symbol, "symbolication_second_step");
    EXPECT_EQ(second->offset, 2u);
    EXPECT_EQ(second->library, "copy.so");

    // The next report reads the damaged file: the frame keeps its image and gets no name, and the log
    // says why.
    testsupport::LogCapture log;
    CRKSymbolResolver next;
    ASSERT_TRUE(next.loadBinaryImagesFromFile(record));
    const auto unnamed = next.frameForAddress(crashed(step[1], 2), false);
    ASSERT_TRUE(unnamed);
    EXPECT_EQ(unnamed->symbol, std::nullopt);
    EXPECT_EQ(unnamed->library, "copy.so");
    EXPECT_TRUE(log.contains("copy.so not all read")) << ::testing::PrintToString(log.lines());
    dlclose(handle);
}

TEST_F(CRKSymbolResolverTest, ATableWhoseReadingWasStoppedIsNotKept) {
    // A library whose functions only its file's own table names: a quit while that table is read for a
    // frame leaves the frame without a name from it, and the next naming reads the table whole.
    void* handle = dlopen(SYMBOLICATION_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_TRUE(handle) << dlerror();
    const void* step[2] = {nullptr, nullptr};
    ASSERT_TRUE(librarySteps(handle, step));
    Image library;
    for (const Image& image : loadedImages()) {
        if (image.path == SYMBOLICATION_LIBRARY_PATH) library = image;
    }
    ASSERT_EQ(library.uuid.size(), 32u);
    CRKSymbolResolver resolver;
    ASSERT_TRUE(resolver.loadBinaryImagesFromFile(writeRecord(loadLine(library, library.size))));
    const auto crashed = [](const void* address, uint64_t plus) {
        return reinterpret_cast<uintptr_t>(address) + plus + kShift;
    };

    size_t asked = 0;
    resolver.setStopCheck([&] { return ++asked >= 1; });
    const auto stopped = resolver.frameForAddress(crashed(step[0], 1), false);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->symbol, std::nullopt);
    EXPECT_EQ(stopped->library, std::filesystem::path(SYMBOLICATION_LIBRARY_PATH).filename());
    EXPECT_EQ(asked, 1u);

    resolver.setStopCheck(nullptr);
    const auto named = resolver.frameForAddress(crashed(step[1], 2), false);
    ASSERT_TRUE(named);
    EXPECT_EQ(named->symbol, "symbolication_second_step");
    EXPECT_EQ(named->offset, 2u);
    dlclose(handle);
}

TEST_F(CRKSymbolResolverTest, ThreadsSharingAResolverGetTheFramesOneThreadGets) {
    // A few libraries: the threads race to read each one's tables first.
    std::vector<Image> images = loadedImages();
    ASSERT_GE(images.size(), 5u);
    images = std::vector<Image>(images.begin() + 1, images.begin() + 5);
    std::string lines;
    std::vector<uint64_t> addresses;
    for (const Image& image : images) {
        lines += loadLine(image, image.size);
        for (uint64_t at = 0; at < image.size; at += image.size / 64 + 1)
            addresses.push_back(image.base + kShift + at);
    }
    const std::string record = writeRecord(lines);
    CRKSymbolResolver alone;
    ASSERT_TRUE(alone.loadBinaryImagesFromFile(record));
    std::vector<Frame> expected;
    for (const uint64_t address : addresses)
        expected.push_back(frameOf(address, [&](CRKStackFrame& f) { return alone.updateStackFrame(f); }));

    CRKSymbolResolver shared;
    ASSERT_TRUE(shared.loadBinaryImagesFromFile(record));
    std::vector<std::vector<Frame>> got(4);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < got.size(); t++) {
        threads.emplace_back([&, t] {
            for (size_t i = 0; i < addresses.size(); i++) {
                // Each thread in its own order, so that they meet images and addresses first in turn.
                const uint64_t address = addresses[(i * (2 * t + 1)) % addresses.size()];
                got[t].push_back(
                    frameOf(address, [&](CRKStackFrame& f) { return shared.updateStackFrame(f); }));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (size_t t = 0; t < got.size(); t++) {
        for (size_t i = 0; i < addresses.size(); i++)
            ASSERT_EQ(got[t][i], expected[(i * (2 * t + 1)) % addresses.size()]) << t << " " << i;
    }
}

}  // namespace
