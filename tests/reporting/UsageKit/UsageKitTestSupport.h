#pragma once

// Shared pieces of the analytics kit's tests: a fixture that starts each test as a new process would
// (fresh core, no activities, no stand-ins), and readers of the kit's files and upload bodies as the
// service would read them.

#include <zlib.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/FileDates.h"
#include "platform/base/ProcessActivities.h"
#include "platform/base/RunLoop.h"
#include "platform/base/ThermalState.h"
#include "platform/base/Value.h"
#include "platform/storage/Files.h"
#include "reporting/UsageKit/USKLogger.h"
#include "reporting/UsageKit/USKUsageKitController.h"
#include "reporting/UsageKit/UsageKit.h"
#include "reporting/UsageKit/events/USKNimbusAnalyticsBridge.h"
#include "reporting/core/OperationQueue.h"
#include "reporting/core/RKTSettings.h"
#include "reporting/core/ReportKit.h"
#include "tests/support/TestEnvironment.h"

namespace usktest {

// One line of an event log: "<ms>\t<type>\t<length>\t<json>".
struct LogLine {
    unsigned long long milliseconds = 0;
    std::string type;
    size_t length = 0;
    std::string json;
    platform::Value::Dictionary object;
};

// Reads lines by their length field. A last line cut short (a torn write) is reported, not parsed.
struct ParsedLog {
    std::vector<LogLine> lines;
    bool tornLastLine = false;
    bool malformed = false;  // anything else that does not parse
};

inline ParsedLog parseLog(const std::string& text) {
    ParsedLog out;
    size_t i = 0;
    while (i < text.size()) {
        LogLine line;
        size_t tabs[3];
        size_t from = i;
        bool ok = true;
        for (auto& tab : tabs) {
            tab = text.find('\t', from);
            if (tab == std::string::npos || text.find('\n', from) < tab) {
                ok = false;
                break;
            }
            from = tab + 1;
        }
        if (!ok) {
            (text.find('\n', i) == std::string::npos ? out.tornLastLine : out.malformed) = true;
            return out;
        }
        const std::string digits = text.substr(i, tabs[0] - i);
        const std::string lengthDigits = text.substr(tabs[1] + 1, tabs[2] - tabs[1] - 1);
        if (digits.empty() || lengthDigits.empty() ||
            (digits + lengthDigits).find_first_not_of("0123456789") != std::string::npos) {
            out.malformed = true;
            return out;
        }
        line.milliseconds = std::stoull(digits);
        line.type = text.substr(tabs[0] + 1, tabs[1] - tabs[0] - 1);
        line.length = std::stoul(lengthDigits);
        const size_t start = tabs[2] + 1;
        if (start + line.length + 1 > text.size()) {
            out.tornLastLine = true;
            return out;
        }
        line.json = text.substr(start, line.length);
        if (text[start + line.length] != '\n') {
            out.malformed = true;
            return out;
        }
        auto object = reporting::RKTSettings::dictionaryFromJSONData(platform::Data::fromString(line.json));
        if (!object) {
            out.malformed = true;
            return out;
        }
        line.object = *object;
        i = start + line.length + 1;
        out.lines.push_back(std::move(line));
    }
    return out;
}

inline std::optional<std::string> gunzip(const std::string& compressed) {
    z_stream z{};
    if (inflateInit2(&z, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    std::string out;
    char buffer[16384];
    int status;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END) {
            inflateEnd(&z);
            return std::nullopt;
        }
        out.append(buffer, sizeof buffer - z.avail_out);
    } while (status != Z_STREAM_END);
    inflateEnd(&z);
    return out;
}

// A multipart body as the service reads it: the "MIME-Version" line as preamble, then exactly one
// part; answers the part's file name and bytes.
struct Part {
    std::string fileName;
    std::string contentType;
    std::string bytes;
};

inline std::optional<Part> parseMultipart(const std::string& body, const std::string& boundary) {
    const std::string preamble = "MIME-Version: 1.0\r\n";
    if (body.compare(0, preamble.size(), preamble) != 0) return std::nullopt;
    const std::string open = "--" + boundary + "\r\n";
    const std::string close = "\r\n--" + boundary + "--\r\n";
    if (body.compare(preamble.size(), open.size(), open) != 0) return std::nullopt;
    if (body.size() < preamble.size() + open.size() + close.size() ||
        body.compare(body.size() - close.size(), close.size(), close) != 0)
        return std::nullopt;
    const size_t headersStart = preamble.size() + open.size();
    const size_t headersEnd = body.find("\r\n\r\n", headersStart);
    if (headersEnd == std::string::npos) return std::nullopt;
    const std::string headers = body.substr(headersStart, headersEnd - headersStart);
    Part part;
    const size_t name = headers.find("filename=\"");
    if (name != std::string::npos)
        part.fileName = headers.substr(name + 10, headers.find('"', name + 10) - name - 10);
    const size_t type = headers.find("Content-Type: ");
    if (type != std::string::npos)
        part.contentType = headers.substr(type + 14, headers.find("\r\n", type) - type - 14);
    part.bytes = body.substr(headersEnd + 4, body.size() - close.size() - headersEnd - 4);
    if (part.bytes.find("\r\n--" + boundary) != std::string::npos) return std::nullopt;  // a second part
    return part;
}

// The event log a package carries (a multipart body), read as the service reads it: the one part,
// gunzipped and read line by line. None when a step fails.
struct PackagedLog {
    std::string fileName;
    ParsedLog log;
};
inline std::optional<PackagedLog> readPackage(const std::string& body, const std::string& boundary) {
    auto part = parseMultipart(body, boundary);
    if (!part) return std::nullopt;
    auto text = gunzip(part->bytes);
    if (!text) return std::nullopt;
    return PackagedLog{part->fileName, parseLog(*text)};
}

inline std::string boundaryOf(const std::string& contentType) {
    const std::string key = "boundary=";
    const size_t at = contentType.find(key);
    return at == std::string::npos ? "" : contentType.substr(at + key.size());
}

inline std::string readText(const std::string& path) {
    auto data = platform::Files::read(path);
    return data ? data->toString() : "";
}

// Names in a folder with the given extension.
inline std::vector<std::string> filesWithExtension(const std::string& folder, const std::string& extension) {
    std::vector<std::string> out;
    for (const auto& name : platform::Files::listDirectory(folder))
        if (name.size() > extension.size() + 1 &&
            name.compare(name.size() - extension.size() - 1, std::string::npos, "." + extension) == 0)
            out.push_back(folder + "/" + name);
    return out;
}

class UsageKitTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        reporting::ReportKit::resetSharedForTesting();
        reporting::UsageKit::resetForTesting();
        reporting::USKRegisterNimbusAnalyticsClass(nullptr);
        reporting::USKLogger::sharedLogger().setDebugMode(true);
        platform::ProcessActivities::shared().reset();
        platform::FileDates::setCreationDateSourceForTesting(nullptr);
        platform::ThermalState::setCurrent(platform::ThermalState::Nominal);
    }
    void TearDown() override {
        reporting::UsageKit::resetForTesting();
        platform::FileDates::setCreationDateSourceForTesting(nullptr);
        reporting::USKLogger::sharedLogger().setDebugMode(false);
        reporting::USKUsageKitController::setEventsSaidInLog(false);
        KestruneTest::TearDown();
    }
    // The core of a later launch: the installation is known, so no install event (which flushes).
    void notFirstLaunch() {
        reporting::ReportKit::sharedSDK();
        reporting::ReportKit::resetSharedForTesting();
        ASSERT_FALSE(reporting::ReportKit::sharedSDK().isFirstInstall());
    }
    // Runs the queue and the main loop until neither has anything left (work on one may add to the other).
    void drain(const std::shared_ptr<reporting::OperationQueue>& queue) {
        for (int i = 0; i < 100; ++i) {
            queue->waitUntilAllOperationsAreFinished();
            runUntilIdle();
            if (queue->operationCount() == 0 && platform::DispatchQueue::workInFlight() == 0) return;
        }
    }
};

}  // namespace usktest
