#include "reporting/core/RKTMultipartMimeStreamEncoder.h"

#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "reporting/core/RKTByteUtility.h"

namespace reporting {

namespace {

std::string textOf(const platform::Value& value) {
    if (const auto* text = value.string()) return *text;
    if (const auto* number = value.number()) return number->stringValue();
    return value.description();
}

// A name stands inside a quoted header parameter: a quote or a line break in it would end the
// parameter or the header early and let the rest of the name be read as further headers.
bool isUsableName(const std::string& name) {
    return !name.empty() && name.find_first_of("\"\r\n") == std::string::npos;
}

}  // namespace

std::string RKTMultipartMimeStreamEncoder::generateBoundary() {
    return RKTGenerateUUID();
}

std::shared_ptr<RKTMultipartMimeStreamEncoder> RKTMultipartMimeStreamEncoder::encoderWithStream_andBoundary(
    std::shared_ptr<platform::OutputStream> stream, std::optional<std::string> boundary) {
    return std::make_shared<RKTMultipartMimeStreamEncoder>(std::move(stream), std::move(boundary));
}

std::string RKTMultipartMimeStreamEncoder::contentTypeHTTPHeaderValueWithBoundary(
    const std::string& boundary) {
    return "multipart/form-data; boundary=" + boundary;
}

void RKTMultipartMimeStreamEncoder::populateRequest_withDataFromEncoder(platform::URLRequest& request,
                                                                        const EncodeBlock& block) {
    auto stream = platform::OutputStream::outputStreamToMemory();
    RKTMultipartMimeStreamEncoder encoder(stream, generateBoundary());
    encoder.encode(block);
    request.setValue_forHTTPHeaderField(encoder.contentTypeHTTPHeaderValue(), "Content-Type");
    request.setValue_forHTTPHeaderField(encoder.contentLengthHTTPHeaderValue(), "Content-Length");
    request.setHTTPBody(stream->dataWrittenToMemory());
}

RKTMultipartMimeStreamEncoder::RKTMultipartMimeStreamEncoder(std::shared_ptr<platform::OutputStream> stream,
                                                             std::optional<std::string> boundary)
    : boundary_(boundary ? std::move(*boundary) : generateBoundary()), outputStream_(std::move(stream)) {}

void RKTMultipartMimeStreamEncoder::encode(const EncodeBlock& block) {
    beginEncoding();
    if (block) block(*this);
    endEncoding();
}

void RKTMultipartMimeStreamEncoder::beginEncoding() {
    length_ = 0;
    if (outputStream_) outputStream_->open();
    writeData(headerData());
}

void RKTMultipartMimeStreamEncoder::endEncoding() {
    writeData(footerData());
    if (outputStream_) outputStream_->close();
}

void RKTMultipartMimeStreamEncoder::addValue_fieldName(const platform::Value& value,
                                                       const std::string& fieldName) {
    if (!isUsableName(fieldName) || value.isNull()) {
        platform::logf("[ReportKit] name (%s) or value (%s) is invalid", fieldName.c_str(),
                       textOf(value).c_str());
        return;
    }
    std::string part = platform::format("--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n",
                                        boundary_.c_str(), fieldName.c_str());
    part += "Content-Type: text/plain\r\n\r\n";
    part += textOf(value);
    part += "\r\n";
    writeData(platform::Data::fromString(part));
}

void RKTMultipartMimeStreamEncoder::addFileData_fileName_mimeType_fieldName(
    const platform::Data& data, const std::string& fileName, const std::optional<std::string>& mimeType,
    const std::string& fieldName) {
    if (data.empty()) {
        platform::logf("[ReportKit] Unable to MIME encode data with zero length (%s)", fieldName.c_str());
        return;
    }
    if (!isUsableName(fieldName) || !isUsableName(fileName)) {
        platform::logf("[ReportKit] name (%s) or fieldname (%s) is invalid", fieldName.c_str(),
                       fileName.c_str());
        return;
    }
    std::string header =
        platform::format("--%s\r\nContent-Disposition: form-data; name=\"%s\"; filename=\"%s\"\r\n",
                         boundary_.c_str(), fieldName.c_str(), fileName.c_str());
    if (mimeType && !mimeType->empty() && mimeType->find_first_of("\r\n") == std::string::npos) {
        header += "Content-Type: " + *mimeType + "\r\n";
        header += "Content-Transfer-Encoding: binary\r\n\r\n";
    } else {
        header += "Content-Type: application/octet-stream\r\n\r\n";
    }
    writeData(platform::Data::fromString(header));
    writeData(data);
    writeData(platform::Data::fromString("\r\n"));
}

void RKTMultipartMimeStreamEncoder::addFile_fileName_mimeType_fieldName(
    const std::string& filePath, const std::string& fileName, const std::optional<std::string>& mimeType,
    const std::string& fieldName) {
    const platform::Data data = platform::Files::read(filePath).value_or(platform::Data());
    addFileData_fileName_mimeType_fieldName(data, fileName, mimeType, fieldName);
}

std::string RKTMultipartMimeStreamEncoder::contentTypeHTTPHeaderValue() const {
    return contentTypeHTTPHeaderValueWithBoundary(boundary_);
}

std::string RKTMultipartMimeStreamEncoder::contentLengthHTTPHeaderValue() const {
    return std::to_string(length_);
}

platform::Data RKTMultipartMimeStreamEncoder::headerData() const {
    return platform::Data::fromString("MIME-Version: 1.0\r\n");
}

platform::Data RKTMultipartMimeStreamEncoder::footerData() const {
    return platform::Data::fromString("--" + boundary_ + "--\r\n");
}

void RKTMultipartMimeStreamEncoder::writeData(const platform::Data& data) {
    RKTEnumerateByteRangesOfData(data, [this](const uint8_t* bytes, size_t, size_t length, bool& stop) {
        const ssize_t written = outputStream_ ? outputStream_->write_maxLength(bytes, length) : -1;
        if (written < 0 || static_cast<size_t>(written) != length) {
            platform::logf("[ReportKit] Failed to write data to stream");
            stop = true;
            return;
        }
        length_ += length;
    });
}

bool RKTMultipartMimeStreamEncoder::writeBytes_ofLength(const uint8_t* bytes, size_t length) {
    const ssize_t written = outputStream_ ? outputStream_->write_maxLength(bytes, length) : -1;
    if (written < 0 || static_cast<size_t>(written) != length) {
        platform::logf("[ReportKit] Failed to write bytes to stream");
        return false;
    }
    length_ += length;
    return true;
}

}  // namespace reporting
