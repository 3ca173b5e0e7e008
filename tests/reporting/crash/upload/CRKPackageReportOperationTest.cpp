#include "reporting/crash/upload/CRKPackageReportOperation.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/storage/Files.h"
#include "reporting/crash/CRKContext.h"
#include "tests/reporting/crash/upload/UploadTestSupport.h"
#include "tests/support/TestEnvironment.h"

namespace {

using namespace reporting;
using uploadtest::readFile;

class CRKPackageReportOperationTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        store = std::make_shared<CRKFileManager>(home() + "/store");
        ASSERT_TRUE(store->prepareForNewLaunch());
    }
    void TearDown() override {
        CRKContextResetForTesting();
        KestruneTest::TearDown();
    }
    std::shared_ptr<CRKInternalReport> seed(const std::map<std::string, std::string>& files,
                                            const std::optional<std::string>& apiKey = std::string("key-1")) {
        return CRKInternalReport::reportWithPath(
            uploadtest::seedReport(store->processingPath(), "report-1", files, apiKey));
    }
    // The kit's diagnostic log of this run, in a folder of its own.
    std::string startDiagnosticLog() {
        const std::string run = home() + "/run";
        mkdir(run.c_str(), 0700);
        CRKContextInitData data;
        data.rootPath = run.c_str();
        data.sessionId = "run";
        data.apiKey = "key";
        EXPECT_TRUE(CRKContextInitialize(&data));
        return run + "/sdk.log";
    }

    std::shared_ptr<CRKFileManager> store;
};

TEST_F(CRKPackageReportOperationTest, APackageUnzipsToTheReportsFilesByteForByte) {
    const std::string log = startDiagnosticLog();
    std::string binary(3000, '\0');
    for (size_t i = 0; i < binary.size(); i++) binary[i] = static_cast<char>((i * 7919) >> 3);
    auto report = seed({{"signal.crkrecord", binary},
                        {"metadata.crkrecord.gz", "an older compressed copy"},
                        {"user.crkrecord", ""},
                        {".hidden", "never sent"}});
    ASSERT_TRUE(report);
    CRKPackageReportOperation operation(report, store);
    operation.start();

    ASSERT_TRUE(operation.finalPath());
    const std::string path = *operation.finalPath();
    EXPECT_EQ(platform::Files::parentPath(path), store->preparedPath());
    std::string boundary = platform::Files::lastPathComponent(path);
    ASSERT_EQ(boundary.size(), 36u + strlen(".multipartmime"));
    boundary.resize(36);
    struct stat info;
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::string body = readFile(path);
    EXPECT_EQ(body.rfind("MIME-Version: 1.0\r\n", 0), 0u);
    const auto parts = uploadtest::parseMultipart(body, boundary);  // the name is the body's boundary
    ASSERT_TRUE(parts);
    std::vector<std::string> fields;
    for (const auto& part : *parts) fields.push_back(part.fieldName);
    EXPECT_EQ(fields,
              (std::vector<std::string>{"api_key", "report_id", "metadata.crkrecord", "signal.crkrecord"}));
    EXPECT_EQ((*parts)[0].content, "key-1");
    EXPECT_EQ((*parts)[1].content, "report-1");
    for (size_t i = 2; i < parts->size(); i++) {
        const auto& part = (*parts)[i];
        EXPECT_EQ(part.fileName, part.fieldName + ".gz");
        EXPECT_EQ(part.contentType, "application/x-gzip");
        EXPECT_EQ(uploadtest::gunzip(part.content), readFile(report->pathForContentFile(part.fieldName)))
            << part.fieldName;
    }
    // The older copy was not sent (the fresh one replaced it beside its file); the empty file is logged.
    EXPECT_EQ(uploadtest::gunzip(readFile(report->pathForContentFile("metadata.crkrecord.gz"))),
              readFile(report->metadataPath()));
    EXPECT_NE(readFile(log).find("Error: unable to read data for compression: user.crkrecord\n"),
              std::string::npos);
    // Nothing but the finished package is left in the prepared folder or hidden in the report.
    EXPECT_EQ(store->preparedPathContents(), std::vector<std::string>{path});
    for (const std::string& name : platform::Files::listDirectory(report->path()))
        EXPECT_EQ(name.find(".partial"), std::string::npos) << name;
}

TEST_F(CRKPackageReportOperationTest, AReportWithoutAnAPIKeyHasNoKeyPart) {
    auto report = seed({{"signal.crkrecord", "x"}}, std::nullopt);
    ASSERT_TRUE(report);
    CRKPackageReportOperation operation(report, store);
    operation.start();
    ASSERT_TRUE(operation.finalPath());
    const auto received =
        uploadtest::receive(readFile(*operation.finalPath()),
                            "multipart/form-data; boundary=" +
                                platform::Files::lastPathComponent(*operation.finalPath()).substr(0, 36));
    ASSERT_TRUE(received.wellFormed);
    EXPECT_EQ(received.fields, (std::map<std::string, std::string>{{"report_id", "report-1"}}));
    EXPECT_EQ(received.files.at("signal.crkrecord"), "x");
}

TEST_F(CRKPackageReportOperationTest, CancelAndAFailedWriteLeaveNoFile) {
    auto report = seed({{"signal.crkrecord", std::string(5000, 's')}});
    ASSERT_TRUE(report);
    const auto leftovers = [&] {
        std::vector<std::string> names = platform::Files::listDirectory(store->preparedPath());
        for (const std::string& name : platform::Files::listDirectory(report->path()))
            if (name.find(".partial") != std::string::npos) names.push_back(name);
        return names;
    };

    CRKPackageReportOperation cancelled(report, store);
    cancelled.cancel();
    cancelled.main();  // cancelled while it runs: the work goes on to its end and is thrown away
    EXPECT_FALSE(cancelled.finalPath());
    EXPECT_TRUE(leftovers().empty());

    CRKPackageReportOperation whole(report, store);
    whole.start();
    ASSERT_TRUE(whole.finalPath());
    const size_t size = platform::Files::fileSize(*whole.finalPath()).value_or(0);
    ASSERT_TRUE(platform::Files::remove(*whole.finalPath()));
    for (const size_t limit : {size_t(0), size / 2, size - 1}) {
        CRKPackageReportOperation::failNextPackageWriteAfter(limit);
        CRKPackageReportOperation full(report, store);
        full.start();
        EXPECT_FALSE(full.finalPath()) << limit;
        EXPECT_TRUE(leftovers().empty()) << limit;
    }
    // The limit lasts for one package only.
    CRKPackageReportOperation next(report, store);
    next.start();
    EXPECT_TRUE(next.finalPath());
}

TEST_F(CRKPackageReportOperationTest, ACompressionFailureSendsTheFileAsText) {
    auto report = seed({{"signal.crkrecord", "plain"}});
    ASSERT_TRUE(report);
    // A folder where the compressed copy would go: it cannot be opened for writing.
    mkdir(report->pathForContentFile("signal.crkrecord.gz").c_str(), 0700);
    CRKPackageReportOperation operation(report, store);
    operation.start();
    ASSERT_TRUE(operation.finalPath());
    const std::string boundary = platform::Files::lastPathComponent(*operation.finalPath()).substr(0, 36);
    const auto parts = uploadtest::parseMultipart(readFile(*operation.finalPath()), boundary);
    ASSERT_TRUE(parts);
    ASSERT_EQ(parts->size(), 4u);
    EXPECT_EQ((*parts)[3].fieldName, "signal.crkrecord");
    EXPECT_EQ((*parts)[3].fileName, "signal.crkrecord.gz");
    EXPECT_EQ((*parts)[3].contentType, "text/plain");
    EXPECT_EQ((*parts)[3].content, "plain");
}

// A record's names may run to a hundred megabytes: a cancellation that lands while a file is packaged
// stops its reading and compression, and the file goes into no body.
TEST_F(CRKPackageReportOperationTest, ACancelledPackagingReadsAndCompressesNoMore) {
    const std::string bytes(3 << 20, 's');
    auto report = seed({{"signal.crkrecord", bytes}});
    ASSERT_TRUE(report);
    const std::string file = report->pathForContentFile("signal.crkrecord");
    // What was read of the file, whether its compressed copy stayed, and what went into the body.
    struct Done {
        off_t read;
        bool compressed;
        uint64_t body;
    };
    const auto package = [&](bool cancelled, bool fromFile) {
        CRKPackageReportOperation operation(report, store);
        if (cancelled) operation.cancel();
        const auto encoder = RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(
            platform::OutputStream::outputStreamToMemory(), std::nullopt);
        const int source = open(file.c_str(), O_RDONLY | O_CLOEXEC);
        uint64_t added = 0;
        encoder->encode([&](RKTMultipartMimeStreamEncoder& body) {
            added = body.length();
            if (fromFile)
                operation.encode_file(body, source, file);
            else
                operation.encode_data_fromPath(body, platform::Data::fromString(bytes), file);
            added = body.length() - added;
        });
        Done done{lseek(source, 0, SEEK_CUR), platform::Files::exists(file + ".gz"), added};
        close(source);
        platform::Files::remove(file + ".gz");
        return done;
    };
    for (const bool fromFile : {true, false}) {
        SCOPED_TRACE(fromFile ? "read from its file" : "in memory");
        const Done whole = package(false, fromFile);
        EXPECT_TRUE(whole.compressed);
        EXPECT_GT(whole.body, 0u);
        const Done cancelled = package(true, fromFile);
        EXPECT_EQ(cancelled.read, 0) << "bytes read after the stop";
        EXPECT_FALSE(cancelled.compressed);
        EXPECT_EQ(cancelled.body, 0u);
        if (fromFile) {
            EXPECT_EQ(whole.read, off_t(bytes.size()));
        }
    }
}

}  // namespace
