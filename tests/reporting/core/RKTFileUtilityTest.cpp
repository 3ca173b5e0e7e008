#include "reporting/core/RKTFileUtility.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

namespace {

using platform::Files;
using reporting::RKTOpenRegularFileForWriting;

class RKTFileUtilityTest : public testsupport::KestruneTest {
protected:
    std::string text(const std::string& path) const {
        auto bytes = Files::read(path);
        return bytes ? bytes->toString() : std::string("<none>");
    }
    bool writeThrough(const std::string& path, int flags, const std::string& bytes) const {
        const int fd = RKTOpenRegularFileForWriting(path, flags);
        if (fd < 0) return false;
        const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        ::close(fd);
        return ok;
    }
};

TEST_F(RKTFileUtilityTest, NothingButARegularFileIsWrittenAndNothingElseIsTouched) {
    const std::string victim = home() + "/victim";
    ASSERT_TRUE(Files::writeAtomically(victim, platform::Data::fromString("precious"), 0600));

    // A link at the path, to a file or to a name that does not exist yet: neither is followed.
    const std::string link = home() + "/log";
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    const std::string dangling = home() + "/dangling";
    ASSERT_EQ(::symlink((home() + "/made-through-the-link").c_str(), dangling.c_str()), 0);
    for (const int flags : {O_WRONLY | O_TRUNC, O_WRONLY | O_APPEND, O_WRONLY}) {
        errno = 0;
        EXPECT_FALSE(writeThrough(link, flags, "x")) << flags;
        EXPECT_EQ(errno, ELOOP) << flags;
        EXPECT_FALSE(writeThrough(dangling, flags, "x")) << flags;
    }
    EXPECT_EQ(text(victim), "precious");
    EXPECT_FALSE(Files::exists(home() + "/made-through-the-link"));

    // A pipe nobody reads and a folder are refused at once, without waiting.
    const std::string pipe = home() + "/pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(writeThrough(pipe, O_WRONLY | O_APPEND, "x"));
    ASSERT_TRUE(Files::createDirectories(home() + "/folder"));
    EXPECT_FALSE(writeThrough(home() + "/folder", O_WRONLY, "x"));
    // A pipe that has a reader opens, and is refused for what it is.
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    errno = 0;
    EXPECT_EQ(RKTOpenRegularFileForWriting(pipe, O_WRONLY), -1);
    EXPECT_EQ(errno, EINVAL);
    ::close(reader);
}

TEST_F(RKTFileUtilityTest, ARegularFileIsCreatedPrivateTruncatedOrAppendedTo) {
    const std::string path = home() + "/file";
    ASSERT_TRUE(writeThrough(path, O_WRONLY | O_APPEND, "one"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_TRUE(writeThrough(path, O_WRONLY | O_APPEND, "two"));
    EXPECT_EQ(text(path), "onetwo");
    ASSERT_TRUE(writeThrough(path, O_WRONLY | O_TRUNC, "3"));
    EXPECT_EQ(text(path), "3");
    // A fresh name only: an existing file is not taken over.
    EXPECT_FALSE(writeThrough(path, O_WRONLY | O_EXCL, "4"));
    EXPECT_EQ(text(path), "3");
    // The descriptor blocks again once open: a full write goes through whole.
    const int fd = RKTOpenRegularFileForWriting(path, O_WRONLY);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
}

}  // namespace
