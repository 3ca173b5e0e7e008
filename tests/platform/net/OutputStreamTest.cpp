// A stream to a file writes a private file, appends when asked, and never writes through a link put where
// its file belongs.

#include "platform/net/OutputStream.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

namespace {

class OutputStreamTest : public testsupport::KestruneTest {
protected:
    static bool write(const std::string& path, bool append, const std::string& text) {
        auto stream = platform::OutputStream::outputStreamToFileAtPath_append(path, append);
        stream->open();
        const bool written = stream->write_maxLength(reinterpret_cast<const uint8_t*>(text.data()),
                                                     text.size()) == static_cast<ssize_t>(text.size());
        stream->close();
        return written && stream->streamStatus() != platform::OutputStream::Status::Error;
    }
};

TEST_F(OutputStreamTest, AFileIsPrivateAppendedWhenAskedAndNeverWrittenThroughALink) {
    const std::string path = home() + "/body";
    ASSERT_TRUE(write(path, false, "one"));
    ASSERT_TRUE(write(path, true, " two"));
    EXPECT_EQ(platform::Files::read(path)->toString(), "one two");
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string target = home() + "/elsewhere";
    ASSERT_TRUE(platform::Files::writeAtomically(target, platform::Data::fromString("kept")));
    const std::string link = home() + "/linked";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    EXPECT_FALSE(write(link, false, "lost"));
    EXPECT_FALSE(write(link, true, "lost"));
    EXPECT_EQ(platform::Files::read(target)->toString(), "kept");
}

}  // namespace
