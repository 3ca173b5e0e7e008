#include "platform/mach/ImageLoader.h"

#include <dlfcn.h>
#include <elf.h>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/stat.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/storage/Files.h"

using platform::mach::ImageLoader;
using platform::mach::LoadedImage;

namespace {

struct Event {
    bool added;
    uintptr_t header;
    intptr_t slide;
    std::string path;
    bool headerReadable;  // an ELF header was at the address while the callback ran
    uint64_t fileDevice;
    uint64_t fileInode;
};

// The callbacks are plain functions, as the loader's are; what they hear is kept here.
std::vector<Event> gEvents;

bool elfHeaderAt(uintptr_t address) {
    return memcmp(reinterpret_cast<const void*>(address), ELFMAG, SELFMAG) == 0;
}

void onAdded(const LoadedImage& image) {
    gEvents.push_back({true, image.header, image.slide, image.path, elfHeaderAt(image.header),
                       image.fileDevice, image.fileInode});
}
void onRemoved(const LoadedImage& image) {
    gEvents.push_back(
        {false, image.header, image.slide, image.path, false, image.fileDevice, image.fileInode});
}
std::vector<Event> eventsFor(const std::vector<Event>& events, const std::string& path) {
    std::vector<Event> found;
    for (const Event& event : events) {
        if (event.path == path) found.push_back(event);
    }
    return found;
}

class ImageLoaderTest : public ::testing::Test {
protected:
    void SetUp() override { gEvents.clear(); }
    void TearDown() override { ImageLoader::unregisterCallbacks(onAdded, onRemoved); }
};

TEST_F(ImageLoaderTest, RegisteringTellsEveryImageAlreadyLoadedOnceAndNothingMoreUntilSomethingMoves) {
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAdded, onRemoved));
    const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto programEvents = eventsFor(gEvents, program);
    ASSERT_EQ(programEvents.size(), 1u);
    EXPECT_TRUE(programEvents[0].headerReadable);
    size_t counted = 0;
    dl_iterate_phdr([](dl_phdr_info*, size_t, void* data) { return ++*static_cast<size_t*>(data), 0; },
                    &counted);
    EXPECT_EQ(gEvents.size(), counted);
    for (const Event& event : gEvents) EXPECT_TRUE(event.added && event.headerReadable) << event.path;

    const size_t told = gEvents.size();
    ImageLoader::noticeChanges();
    // Already loaded: no new image, no event.
    void* again = dlopen(nullptr, RTLD_NOW);
    ASSERT_NE(again, nullptr);
    dlclose(again);
    EXPECT_EQ(gEvents.size(), told);

    // The same pair twice is refused, and tells nothing again.
    EXPECT_FALSE(ImageLoader::registerCallbacks(onAdded, onRemoved));
    EXPECT_EQ(gEvents.size(), told);
}

// The program's own load is told before it returns. The outer library then loads the inner one with its
// own dlopen, which nothing stands in front of: the loader hears of it at the next reading of the list,
// and of its removal at the reading after the last handle closed.
TEST_F(ImageLoaderTest, ALibraryLoadedByAnotherLibraryIsToldAtTheNextReadingAndAFailedLoadNothing) {
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAdded, onRemoved));
    gEvents.clear();
    // A failed load tells nothing, and its error stays for the caller to read.
    EXPECT_EQ(ImageLoader::load("/nonexistent/libnothing.so", RTLD_NOW), nullptr);
    const char* error = dlerror();
    EXPECT_NE(std::string(error ? error : "").find("libnothing"), std::string::npos);
    EXPECT_TRUE(gEvents.empty());

    void* outer = ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    auto load = reinterpret_cast<void* (*)(const char*)>(dlsym(outer, "kestrune_loader_outer_load"));
    auto unload = reinterpret_cast<int (*)(void*)>(dlsym(outer, "kestrune_loader_outer_unload"));
    ASSERT_TRUE(load && unload);
    ASSERT_EQ(eventsFor(gEvents, KESTRUNE_LOADER_OUTER).size(), 1u);

    void* inner = load(KESTRUNE_LOADER_INNER);
    ASSERT_NE(inner, nullptr) << dlerror();
    EXPECT_TRUE(eventsFor(gEvents, KESTRUNE_LOADER_INNER).empty());
    ImageLoader::noticeChanges();
    const auto added = eventsFor(gEvents, KESTRUNE_LOADER_INNER);
    ASSERT_EQ(added.size(), 1u);
    EXPECT_TRUE(added[0].added);
    EXPECT_TRUE(added[0].headerReadable);
    Dl_info info;
    ASSERT_TRUE(dladdr(dlsym(inner, "kestrune_loader_inner_value"), &info));
    EXPECT_EQ(added[0].header, reinterpret_cast<uintptr_t>(info.dli_fbase));

    EXPECT_EQ(unload(inner), 0);
    ImageLoader::noticeChanges();
    auto events = eventsFor(gEvents, KESTRUNE_LOADER_INNER);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_FALSE(events[1].added);
    EXPECT_EQ(events[1].header, added[0].header);
    EXPECT_EQ(events[1].slide, added[0].slide);

    // An observer that left hears nothing of what follows.
    ImageLoader::unregisterCallbacks(onAdded, onRemoved);
    EXPECT_EQ(dlclose(outer), 0);
    ImageLoader::noticeChanges();
    EXPECT_EQ(eventsFor(gEvents, KESTRUNE_LOADER_OUTER).size(), 1u);
}

// Writes another build over a plugin's path as a build or an update does: a new file renamed over it.
bool replaceWith(const std::string& build, const std::string& path) {
    const auto bytes = platform::Files::read(build);
    return bytes && platform::Files::writeAtomically(path, *bytes);
}

struct stat fileOf(const std::string& path) {
    struct stat file {};
    EXPECT_EQ(stat(path.c_str(), &file), 0) << path;
    return file;
}

// A plugin closed, another build of it written over its file and the file opened again where the old
// build lay: the same header and path, another image, told as the old one's removal and the new one's
// addition, each addition with the file the loader mapped. The same build closed and opened again
// between two readings is the image that was there.
TEST_F(ImageLoaderTest, AnotherBuildOpenedWhereTheOldOneLayIsToldAsARemovalAndAnAddition) {
    char folder[] = "/tmp/kestrune-image-loader-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/libplugin.so";
    ASSERT_TRUE(replaceWith(SAME_LAYOUT_PLUGIN_A, path));
    const struct stat firstFile = fileOf(path);
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAdded, onRemoved));
    void* first = ImageLoader::load(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(first, nullptr) << dlerror();
    void* write = dlsym(first, "kestrune_same_layout_write");
    ASSERT_EQ(eventsFor(gEvents, path).size(), 1u);
    ASSERT_TRUE(replaceWith(SAME_LAYOUT_PLUGIN_B, path + ".b"));
    ASSERT_EQ(dlclose(first), 0);
    std::filesystem::rename(path + ".b", path);
    const struct stat secondFile = fileOf(path);
    ASSERT_NE(secondFile.st_ino, firstFile.st_ino);

    void* second = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(second, nullptr) << dlerror();
    ASSERT_EQ(dlsym(second, "kestrune_same_layout_write"), write) << "not opened where the first build lay";
    ImageLoader::noticeChanges();
    auto events = eventsFor(gEvents, path);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_FALSE(events[1].added);
    EXPECT_TRUE(events[2].added);
    EXPECT_TRUE(events[2].headerReadable);
    EXPECT_EQ(events[1].header, events[0].header);
    EXPECT_EQ(events[2].header, events[0].header);
    EXPECT_EQ(events[0].fileDevice, uint64_t(firstFile.st_dev));
    EXPECT_EQ(events[0].fileInode, uint64_t(firstFile.st_ino));
    EXPECT_EQ(events[2].fileDevice, uint64_t(secondFile.st_dev));
    EXPECT_EQ(events[2].fileInode, uint64_t(secondFile.st_ino));

    ASSERT_EQ(dlclose(second), 0);
    void* again = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(again, nullptr) << dlerror();
    ASSERT_EQ(dlsym(again, "kestrune_same_layout_write"), write) << "not opened where it lay";
    ImageLoader::noticeChanges();
    EXPECT_EQ(eventsFor(gEvents, path).size(), 3u);
    ASSERT_EQ(dlclose(again), 0);
    ImageLoader::noticeChanges();
    events = eventsFor(gEvents, path);
    ASSERT_FALSE(events.empty());
    EXPECT_FALSE(events.back().added);
    std::filesystem::remove_all(folder);
}

// Loads and unloads on two threads at once, each followed by a reading: each image's events alternate,
// one add for each load and one removal for each unload, and none is lost or told twice, whichever
// thread's reading finds it.
TEST_F(ImageLoaderTest, LoadsOnSeveralThreadsAreEachToldOnceInOrder) {
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAdded, onRemoved));
    gEvents.clear();
#if defined(__SANITIZE_THREAD__)
    // Each load costs the thread sanitizer a reading of the library: twenty rounds took it 50 s of
    // processor time alone. Six still interleave the two threads' loads and readings many times over.
    constexpr int kRounds = 6;
#else
    constexpr int kRounds = 20;
#endif
    const auto cycle = [](const char* path) {
        for (int i = 0; i < kRounds; i++) {
            void* handle = ImageLoader::load(path, RTLD_NOW | RTLD_LOCAL);
            if (handle) dlclose(handle);
            ImageLoader::noticeChanges();
        }
    };
    std::thread inner(cycle, KESTRUNE_LOADER_INNER);
    std::thread outer(cycle, KESTRUNE_LOADER_OUTER);
    inner.join();
    outer.join();
    for (const char* path : {KESTRUNE_LOADER_INNER, KESTRUNE_LOADER_OUTER}) {
        const auto events = eventsFor(gEvents, path);
        ASSERT_EQ(events.size(), size_t(2 * kRounds)) << path;
        for (size_t i = 0; i < events.size(); i++) {
            EXPECT_EQ(events[i].added, i % 2 == 0) << path << " event " << i;
            EXPECT_EQ(events[i].header, events[i - i % 2].header) << path << " event " << i;
        }
    }
}

// An observer's work may wait for a load made on another thread: the crash kit hands its work to a
// queue, which may start a thread, and a new thread waits for the loader's locks as a load does. The
// observers are told after the loader's walk of its list, during which such a load cannot finish.
bool gLoadFinished = false;
std::thread gLoading;

void onAddedWaitingForALoadElsewhere(const LoadedImage& image) {
    if (std::string(image.path) != KESTRUNE_LOADER_OUTER || gLoading.joinable()) return;
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    gLoading = std::thread([done] {
        void* handle = dlopen(KESTRUNE_LOADER_INNER, RTLD_NOW | RTLD_LOCAL);
        if (handle) dlclose(handle);
        done->set_value();
    });
    // Bounded only so that the fault fails the test rather than hanging it: told inside the walk, the
    // load would wait for this callback to return.
    gLoadFinished = finished.wait_for(std::chrono::seconds(120)) == std::future_status::ready;
}
void onRemovedNothing(const LoadedImage&) {}

// While an observer is told of an image, the image stays loaded: the last handle of the program's closed
// meanwhile does not unmap it under the observer, which reads its headers. Once told, it goes.
void* gHandleToClose = nullptr;
bool gLoadedAfterTheClose = false;

bool stillLoaded(const char* path) {
    void* handle = dlopen(path, RTLD_LAZY | RTLD_NOLOAD);
    if (handle) dlclose(handle);
    return handle != nullptr;
}

void onAddedClosingTheHandle(const LoadedImage& image) {
    if (std::string(image.path) != KESTRUNE_LOADER_INNER || !gHandleToClose) return;
    dlclose(gHandleToClose);
    gHandleToClose = nullptr;
    gLoadedAfterTheClose = stillLoaded(KESTRUNE_LOADER_INNER);
}

TEST_F(ImageLoaderTest, AnImageStaysLoadedWhileItsObserversAreTold) {
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAddedClosingTheHandle, onRemovedNothing));
    gHandleToClose = dlopen(KESTRUNE_LOADER_INNER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(gHandleToClose, nullptr) << dlerror();
    ImageLoader::noticeChanges();
    ImageLoader::unregisterCallbacks(onAddedClosingTheHandle, onRemovedNothing);
    EXPECT_EQ(gHandleToClose, nullptr);
    EXPECT_TRUE(gLoadedAfterTheClose);
    EXPECT_FALSE(stillLoaded(KESTRUNE_LOADER_INNER));
}

TEST_F(ImageLoaderTest, AnObserverMayWaitForALoadOnAnotherThread) {
    ASSERT_TRUE(ImageLoader::registerCallbacks(onAddedWaitingForALoadElsewhere, onRemovedNothing));
    void* outer = ImageLoader::load(KESTRUNE_LOADER_OUTER, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(outer, nullptr) << dlerror();
    ASSERT_TRUE(gLoading.joinable());
    gLoading.join();
    ImageLoader::unregisterCallbacks(onAddedWaitingForALoadElsewhere, onRemovedNothing);
    EXPECT_EQ(dlclose(outer), 0);
    EXPECT_TRUE(gLoadFinished);
}

}  // namespace
