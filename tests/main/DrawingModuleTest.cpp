#include "main/DrawingModule.h"

#include <elf.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/storage/Files.h"
#include "platform/ui/AttributedString.h"
#include "platform/ui/Image.h"
#include "platform/ui/Renderer.h"
#include "platform/ui/TextField.h"
#include "platform/ui/TextLanguage.h"
#include "platform/ui/TextMeasurer.h"
#include "platform/ui/cairo/CairoRenderer.h"
#include "tests/support/TestEnvironment.h"

extern char** environ;

namespace {

// The libraries an ELF file names as needed (its DT_NEEDED entries), read from its dynamic section.
std::vector<std::string> neededLibraries(const std::string& path) {
    std::vector<std::string> needed;
    const int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0) return needed;
    struct stat status {};
    fstat(descriptor, &status);
    const size_t size = static_cast<size_t>(status.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
    close(descriptor);
    if (mapped == MAP_FAILED) return needed;
    const auto* bytes = static_cast<const uint8_t*>(mapped);
    const auto* header = reinterpret_cast<const Elf64_Ehdr*>(bytes);
    if (size >= sizeof *header && header->e_ident[EI_CLASS] == ELFCLASS64 &&
        header->e_shoff + size_t(header->e_shnum) * sizeof(Elf64_Shdr) <= size) {
        const auto* sections = reinterpret_cast<const Elf64_Shdr*>(bytes + header->e_shoff);
        for (int i = 0; i < header->e_shnum; ++i) {
            if (sections[i].sh_type != SHT_DYNAMIC || sections[i].sh_link >= header->e_shnum) continue;
            const char* strings =
                reinterpret_cast<const char*>(bytes + sections[sections[i].sh_link].sh_offset);
            const auto* entries = reinterpret_cast<const Elf64_Dyn*>(bytes + sections[i].sh_offset);
            for (size_t e = 0; e < sections[i].sh_size / sizeof(Elf64_Dyn) && entries[e].d_tag != DT_NULL;
                 ++e) {
                if (entries[e].d_tag == DT_NEEDED) needed.emplace_back(strings + entries[e].d_un.d_val);
            }
        }
    }
    munmap(mapped, size);
    return needed;
}

bool namesAny(const std::vector<std::string>& libraries, const std::vector<std::string>& prefixes) {
    for (const auto& library : libraries) {
        for (const auto& prefix : prefixes) {
            if (library.rfind(prefix, 0) == 0) return true;
        }
    }
    return false;
}

// Runs the program with the arguments and answers its exit status (-1 when it did not exit).
int runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class DrawingModuleTest : public testsupport::KestruneTest {
protected:
    void TearDown() override {
        platform::ui::observeDrawnText(nullptr);
        platform::ui::TextLanguage::set("");
        platform::ui::Renderer::install(nullptr);
        platform::ui::TextMeasurer::install(nullptr);
        KestruneTest::TearDown();
    }
};

}  // namespace

// A run that draws nothing loads neither the drawing libraries nor libcurl: the executable does not
// name them; the module beside it does, and `--snapshot` draws through it.
TEST_F(DrawingModuleTest, TheApplicationLoadsTheDrawingLibrariesOnlyToDraw) {
    const std::string executable = KESTRUNE_PROGRAM_PATH;
    const auto needed = neededLibraries(executable);
    ASSERT_FALSE(needed.empty());
    EXPECT_TRUE(namesAny(needed, {"libc.so"}));
    EXPECT_FALSE(namesAny(needed, {"libcairo", "libpango", "libcurl"})) << ::testing::PrintToString(needed);

    const std::string module =
        executable.substr(0, executable.rfind('/') + 1) + kestrune::DrawingModule::kFileName;
    EXPECT_TRUE(namesAny(neededLibraries(module), {"libcairo", "libpango"}));

    const std::string pictures = home() + "/pictures";
    EXPECT_EQ(runProgram({executable, "--snapshot", pictures, "gallery-buttons"}), 0);
    auto png = platform::Files::read(pictures + "/gallery-buttons.png");
    ASSERT_TRUE(png);
    EXPECT_EQ(png->toString().substr(1, 3), "PNG");
}

// Without the module the on-demand backend behaves as no backend: images have no pixels, text takes the
// fixed metrics, and the log says so once.
TEST_F(DrawingModuleTest, WithoutTheModuleImagesHaveNoPixelsAndTextTakesFixedMetrics) {
    testsupport::LogCapture log;
    kestrune::DrawingModule::installOnDemand(home() + "/missing/" + kestrune::DrawingModule::kFileName);
    const platform::ui::AttributedString text("Kestrune locks the Mac");
    const platform::ui::Size expected = platform::ui::FixedTextMeasurer().measure(text, 0);
    const platform::ui::Size measured = platform::ui::TextMeasurer::current().measure(text, 0);
    EXPECT_EQ(measured.width, expected.width);
    EXPECT_EQ(measured.height, expected.height);
    EXPECT_FALSE(platform::ui::Image::initWithData({0x89, 'P', 'N', 'G'}));
    platform::ui::TextMeasurer::current().measure(text, 0);
    int lines = 0;
    for (const auto& line : log.lines()) lines += line.find("could not be loaded") != std::string::npos;
    EXPECT_EQ(lines, 1);
    EXPECT_FALSE(kestrune::DrawingModule::install(home() + "/missing/" + kestrune::DrawingModule::kFileName));
}

// Once the module answers, the measurer in front of it answers as the module's own does: where a text's
// glyphs ink, and whether it reads from the right, as well as how large it is. Through it, a bold Arabic
// heading over its paragraph ends at the column's right edge, its last letter there, not its line.
TEST_F(DrawingModuleTest, TheMeasurerOnDemandAnswersAsTheModulesOwn) {
    namespace ui = platform::ui;
    ui::TextLanguage::set("ar");
    const ui::PangoTextMeasurer module;
    ui::TextMeasurer::install(kestrune::DrawingModule::measurerOnDemand([&module] { return &module; }));
    const ui::TextMeasurer& onDemand = ui::TextMeasurer::current();
    const ui::Font boldFont = ui::Font::boldSystemFontOfSize(15);
    ui::TextAttributes bold;
    bold.font = boldFont;
    const ui::AttributedString title("تأكيد فتح القفل", bold);
    // The bold letters stand back from their line's end: the ink is not the lines' box.
    ASSERT_NE(module.inkRect(title, 0).maxX(), module.measure(title, 0).width);
    EXPECT_EQ(onDemand.inkRect(title, 0), module.inkRect(title, 0));
    EXPECT_EQ(onDemand.measure(title, 100), module.measure(title, 100));
    EXPECT_TRUE(onDemand.readsFromTheRight(title));

    auto root = ui::View::create({0, 0, 320, 140});
    auto add = [&](const std::string& text, ui::Rect frame, const ui::Font& font) {
        auto field = ui::TextField::labelWithString(text);
        field->setFrame(frame);
        field->setFont(font);
        field->setLineBreakMode(ui::LineBreakMode::WordWrapping);
        root->addSubview(field);
    };
    add(title.string(), {60, 100, 240, 22}, boldFont);
    add("عندما تعود، يطلب منك iPhone التأكيد قبل أن يُفتح قفل Mac، حتى وهو مقفل في جيبك.", {60, 20, 240, 72},
        ui::Font::systemFontOfSize(13));
    std::vector<ui::DrawnText> drawn;
    ui::observeDrawnText([&drawn](const ui::DrawnText& text) { drawn.push_back(text); });
    ui::CairoRenderer().renderView(*root, root->bounds(), 2);
    ASSERT_EQ(drawn.size(), 2u);
    ASSERT_GE(drawn[1].lines.size(), 2u);
    // Two pixels a point; the labels' text stands two points in from their frames.
    EXPECT_NEAR(drawn[0].ink.maxX(), (300 - 2) * 2, 1);
}
