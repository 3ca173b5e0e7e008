#include "reporting/core/RKTMultipartMimeStreamEncoder.h"

#include <regex>

#include "platform/storage/Files.h"
#include "tests/support/TestEnvironment.h"

using platform::Data;
using platform::OutputStream;
using platform::Value;
using reporting::RKTMultipartMimeStreamEncoder;

namespace {

// A stream that takes at most `capacity` bytes in all, then writes short, as a full disk would.
class ShortStream : public OutputStream {
public:
    explicit ShortStream(size_t capacity) : OutputStream(true, {}, false), capacity_(capacity) {}
    ssize_t write_maxLength(const uint8_t* bytes, size_t length) override {
        const size_t taken = std::min(length, capacity_ - used_);
        used_ += taken;
        return OutputStream::write_maxLength(bytes, taken);
    }

private:
    size_t capacity_;
    size_t used_ = 0;
};

std::string bodyOf(const std::shared_ptr<OutputStream>& stream) {
    return stream->dataWrittenToMemory().value_or(Data()).toString();
}

}  // namespace

class RKTMultipartMimeStreamEncoderTest : public testsupport::KestruneTest {};

TEST_F(RKTMultipartMimeStreamEncoderTest, AValuePartIsWrittenByteForByteAndCounted) {
    auto stream = OutputStream::outputStreamToMemory();
    auto encoder = RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(stream, "B");
    encoder->encode([](RKTMultipartMimeStreamEncoder& e) { e.addValue_fieldName("b", "a"); });
    const std::string expected =
        "MIME-Version: 1.0\r\n--B\r\nContent-Disposition: form-data; name=\"a\"\r\nContent-Type: "
        "text/plain\r\n\r\nb\r\n--B--\r\n";
    EXPECT_EQ(bodyOf(stream), expected);
    EXPECT_EQ(encoder->length(), expected.size());
    EXPECT_EQ(encoder->contentLengthHTTPHeaderValue(), std::to_string(expected.size()));
    EXPECT_EQ(encoder->contentTypeHTTPHeaderValue(), "multipart/form-data; boundary=B");
    EXPECT_EQ(stream->streamStatus(), OutputStream::Status::Closed);
}

TEST_F(RKTMultipartMimeStreamEncoderTest, FilePartsCarryTheirTypeOrFallBackToOctetStream) {
    auto stream = OutputStream::outputStreamToMemory();
    RKTMultipartMimeStreamEncoder encoder(stream, std::string("XY"));
    const Data png(std::vector<uint8_t>{0x89, 'P', 0x00, 0x0D, 0x0A, 0xFF});
    encoder.encode([&](RKTMultipartMimeStreamEncoder& e) {
        e.addFileData_fileName_mimeType_fieldName(png, "icon.png", "image/png", "app[icon][data]");
        e.addFileData_fileName_mimeType_fieldName(Data::fromString("raw"), "r.bin", std::nullopt, "f");
        e.addValue_fieldName(42, "n");
    });
    const std::string expected =
        "MIME-Version: 1.0\r\n"
        "--XY\r\nContent-Disposition: form-data; name=\"app[icon][data]\"; filename=\"icon.png\"\r\n"
        "Content-Type: image/png\r\nContent-Transfer-Encoding: binary\r\n\r\n" +
        png.toString() +
        "\r\n"
        "--XY\r\nContent-Disposition: form-data; name=\"f\"; filename=\"r.bin\"\r\n"
        "Content-Type: application/octet-stream\r\n\r\nraw\r\n"
        "--XY\r\nContent-Disposition: form-data; name=\"n\"\r\nContent-Type: text/plain\r\n\r\n42\r\n"
        "--XY--\r\n";
    EXPECT_EQ(bodyOf(stream), expected);
    EXPECT_EQ(encoder.length(), expected.size());
}

TEST_F(RKTMultipartMimeStreamEncoderTest, InvalidPartsLeaveTheBodyUnchangedAndAreLogged) {
    testsupport::LogCapture log;
    auto stream = OutputStream::outputStreamToMemory();
    RKTMultipartMimeStreamEncoder encoder(stream, std::string("B"));
    encoder.encode([&](RKTMultipartMimeStreamEncoder& e) {
        e.addValue_fieldName(Value(), "a");
        e.addValue_fieldName("b", "");
        // A quote or a line break would end the header parameter early and smuggle in header lines.
        e.addValue_fieldName("b", "x\"\r\nContent-Type: text/html");
        e.addFileData_fileName_mimeType_fieldName(Data(), "f.bin", std::nullopt, "empty");
        e.addFileData_fileName_mimeType_fieldName(Data::fromString("x"), "", std::nullopt, "nameless");
        e.addFile_fileName_mimeType_fieldName(home() + "/missing", "m.bin", std::nullopt, "missing");
    });
    EXPECT_EQ(bodyOf(stream), "MIME-Version: 1.0\r\n--B--\r\n");
    EXPECT_EQ(encoder.length(), bodyOf(stream).size());
    EXPECT_TRUE(log.contains("[ReportKit] name (a) or value ((null)) is invalid"));
    EXPECT_TRUE(log.contains("[ReportKit] name () or value (b) is invalid"));
    EXPECT_TRUE(log.contains("[ReportKit] Unable to MIME encode data with zero length (empty)"));
    EXPECT_TRUE(log.contains("[ReportKit] name (nameless) or fieldname () is invalid"));
    EXPECT_TRUE(log.contains("[ReportKit] Unable to MIME encode data with zero length (missing)"));
}

TEST_F(RKTMultipartMimeStreamEncoderTest, AShortWriteIsLoggedAndNotCounted) {
    testsupport::LogCapture log;
    auto stream = std::make_shared<ShortStream>(25);
    RKTMultipartMimeStreamEncoder encoder(stream, std::string("B"));
    encoder.encode([](RKTMultipartMimeStreamEncoder& e) { e.addValue_fieldName("b", "a"); });
    EXPECT_EQ(encoder.length(), 19u);  // the header only; the part and the footer were cut short
    EXPECT_TRUE(log.contains("[ReportKit] Failed to write data to stream"));
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_FALSE(encoder.writeBytes_ofLength(bytes, sizeof(bytes)));
    EXPECT_TRUE(log.contains("[ReportKit] Failed to write bytes to stream"));
    EXPECT_EQ(encoder.length(), 19u);
}

TEST_F(RKTMultipartMimeStreamEncoderTest, PopulatingARequestGivesItTheBodyAndItsHeaders) {
    platform::URLRequest request("http://127.0.0.1/upload");
    RKTMultipartMimeStreamEncoder::populateRequest_withDataFromEncoder(
        request, [](RKTMultipartMimeStreamEncoder& e) { e.addValue_fieldName("v", "k"); });
    const auto contentType = request.valueForHTTPHeaderField("Content-Type");
    ASSERT_TRUE(contentType);
    std::smatch match;
    ASSERT_TRUE(
        std::regex_match(*contentType, match,
                         std::regex("multipart/form-data; boundary=([0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-"
                                    "[0-9A-F]{4}-[0-9A-F]{12})")));
    const std::string boundary = match[1];
    ASSERT_TRUE(request.HTTPBody());
    const std::string body = request.HTTPBody()->toString();
    EXPECT_EQ(
        body,
        "MIME-Version: 1.0\r\n--" + boundary +
            "\r\nContent-Disposition: form-data; name=\"k\"\r\nContent-Type: text/plain\r\n\r\nv\r\n--" +
            boundary + "--\r\n");
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Length"), std::to_string(body.size()));
    EXPECT_NE(RKTMultipartMimeStreamEncoder::generateBoundary(), boundary);
}

TEST_F(RKTMultipartMimeStreamEncoderTest, AFileStreamHoldsTheWholeBodyOnDisk) {
    const std::string path = home() + "/B.multipartmime";
    auto stream = OutputStream::outputStreamToFileAtPath_append(path, false);
    RKTMultipartMimeStreamEncoder encoder(stream, std::string("B"));
    const std::string file = home() + "/log.bin";
    ASSERT_TRUE(platform::Files::writeAtomically(file, Data::fromString("events")));
    encoder.encode([&](RKTMultipartMimeStreamEncoder& e) {
        e.addFile_fileName_mimeType_fieldName(file, "log.bin", "application/octet-stream", "file");
    });
    auto written = platform::Files::read(path);
    ASSERT_TRUE(written);
    EXPECT_EQ(written->size(), encoder.length());
    EXPECT_NE(written->toString().find("filename=\"log.bin\"\r\nContent-Type: application/octet-stream\r\n"
                                       "Content-Transfer-Encoding: binary\r\n\r\nevents\r\n--B--\r\n"),
              std::string::npos);
}
