#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/Data.h"
#include "platform/base/Value.h"
#include "platform/net/OutputStream.h"
#include "platform/net/URLRequest.h"

namespace reporting {

// Writes one multipart/form-data body to an output stream: the form in which onboarding data, crash
// reports and analytics logs travel. One encoder per body, used by one owner at a time.
//
// The body is "MIME-Version: 1.0\r\n", then each part opened by "--<boundary>\r\n" with its
// Content-Disposition and Content-Type lines, a blank line, its bytes and "\r\n", then
// "--<boundary>--\r\n".
class RKTMultipartMimeStreamEncoder {
public:
    using EncodeBlock = std::function<void(RKTMultipartMimeStreamEncoder& encoder)>;

    // A new UUID text: 36 characters, upper-case hex with hyphens.
    static std::string generateBoundary();
    static std::shared_ptr<RKTMultipartMimeStreamEncoder> encoderWithStream_andBoundary(
        std::shared_ptr<platform::OutputStream> stream, std::optional<std::string> boundary);
    static std::string contentTypeHTTPHeaderValueWithBoundary(const std::string& boundary);
    // Encodes the parts the block adds into memory under a new boundary, and gives the request the
    // body with its "Content-Type" and "Content-Length".
    static void populateRequest_withDataFromEncoder(platform::URLRequest& request, const EncodeBlock& block);

    // initWithStream:andBoundary: (no boundary: a new one).
    RKTMultipartMimeStreamEncoder(std::shared_ptr<platform::OutputStream> stream,
                                  std::optional<std::string> boundary);

    // beginEncoding, the block, endEncoding.
    void encode(const EncodeBlock& block);
    void beginEncoding();
    void endEncoding();

    // A text part. Refused (nothing written, logged) for an empty field name or a null value.
    void addValue_fieldName(const platform::Value& value, const std::string& fieldName);
    // A file part; without a MIME type the part is application/octet-stream. Refused for empty data, an
    // empty field name or an empty file name.
    void addFileData_fileName_mimeType_fieldName(const platform::Data& data, const std::string& fileName,
                                                 const std::optional<std::string>& mimeType,
                                                 const std::string& fieldName);
    // The whole file read into memory, then as addFileData (a file that cannot be read counts as empty).
    void addFile_fileName_mimeType_fieldName(const std::string& filePath, const std::string& fileName,
                                             const std::optional<std::string>& mimeType,
                                             const std::string& fieldName);

    std::string contentTypeHTTPHeaderValue() const;
    std::string contentLengthHTTPHeaderValue() const;
    platform::Data headerData() const;
    platform::Data footerData() const;
    // Writes every byte range of the data; a range the stream does not take whole stops the walk.
    void writeData(const platform::Data& data);
    bool writeBytes_ofLength(const uint8_t* bytes, size_t length);

    uint64_t length() const { return length_; }
    const std::string& boundary() const { return boundary_; }
    const std::shared_ptr<platform::OutputStream>& outputStream() const { return outputStream_; }

private:
    uint64_t length_ = 0;
    std::string boundary_;
    std::shared_ptr<platform::OutputStream> outputStream_;
};

}  // namespace reporting
