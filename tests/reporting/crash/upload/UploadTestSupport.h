#pragma once

// What the upload tests and the kill-suite helper share: seeding report folders and reading a package
// body back the way the reports server does (the "MIME-Version" line is preamble, file parts are
// gunzipped, the report is known by its "report_id").

#include <sys/stat.h>
#include <zlib.h>

#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace uploadtest {

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string metadataRecord(const std::string& sessionId, const std::optional<std::string>& apiKey) {
    std::string identity = "{\"identity\":{\"generator\":\"CrashKit Mac SDK/3.12.0\",";
    if (apiKey) identity += "\"api_key\":\"" + *apiKey + "\",";
    identity += "\"started_at\":1700000000,\"session_id\":\"" + sessionId + "\"}}\n";
    return identity + "{\"host\":{\"os_display_version\":\"10.14.6\"}}\n" +
           "{\"application\":{\"build_version\":\"42\"}}\n{\"executable\":{\"architecture\":\"x86_64\"}}\n";
}

// A report folder with its metadata and the given further files; answers the folder.
inline std::string seedReport(const std::string& parent, const std::string& sessionId,
                              const std::map<std::string, std::string>& files,
                              const std::optional<std::string>& apiKey = std::string("key-1")) {
    const std::string folder = parent + "/" + sessionId;
    mkdir(parent.c_str(), 0700);
    mkdir(folder.c_str(), 0700);
    writeFile(folder + "/metadata.crkrecord", metadataRecord(sessionId, apiKey));
    for (const auto& [name, bytes] : files) writeFile(folder + "/" + name, bytes);
    return folder;
}

inline std::optional<std::string> gunzip(const std::string& bytes) {
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::string out;
    char buffer[4096];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        status = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - stream.avail_out);
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return out;
}

struct Part {
    std::string fieldName;
    std::optional<std::string> fileName;
    std::string contentType;
    std::string content;  // as sent
};

// The parts of a multipart body with the given boundary; none when the body is not well formed (no
// closing delimiter, a part without its blank line).
inline std::optional<std::vector<Part>> parseMultipart(const std::string& body, const std::string& boundary) {
    const std::string delimiter = "--" + boundary;
    size_t at = body.find(delimiter);
    if (at == std::string::npos) return std::nullopt;
    std::vector<Part> parts;
    while (true) {
        at += delimiter.size();
        if (body.compare(at, 4, "--\r\n") == 0) return parts;
        if (body.compare(at, 2, "\r\n") != 0) return std::nullopt;
        at += 2;
        const size_t headersEnd = body.find("\r\n\r\n", at);
        if (headersEnd == std::string::npos) return std::nullopt;
        Part part;
        std::istringstream headers(body.substr(at, headersEnd - at));
        for (std::string line; std::getline(headers, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const auto quoted = [&](const std::string& key) -> std::optional<std::string> {
                const auto start = line.find(key + "=\"");
                if (start == std::string::npos) return std::nullopt;
                const auto end = line.find('"', start + key.size() + 2);
                return line.substr(start + key.size() + 2, end - start - key.size() - 2);
            };
            if (line.rfind("Content-Disposition:", 0) == 0) {
                part.fieldName = quoted("name").value_or("");
                part.fileName = quoted("filename");
            } else if (line.rfind("Content-Type: ", 0) == 0) {
                part.contentType = line.substr(14);
            }
        }
        const size_t contentStart = headersEnd + 4;
        const size_t next = body.find("\r\n" + delimiter, contentStart);
        if (next == std::string::npos) return std::nullopt;
        part.content = body.substr(contentStart, next - contentStart);
        parts.push_back(std::move(part));
        at = next + 2;
    }
}

// A report as the server keeps it: its text fields and its files, gunzipped.
struct ReceivedReport {
    std::map<std::string, std::string> fields;
    std::map<std::string, std::string> files;
    bool wellFormed = false;
};

inline ReceivedReport receive(const std::string& body, const std::string& contentType) {
    ReceivedReport report;
    const auto marker = contentType.find("boundary=");
    if (marker == std::string::npos) return report;
    const auto parts = parseMultipart(body, contentType.substr(marker + 9));
    if (!parts) return report;
    report.wellFormed = true;
    for (const Part& part : *parts) {
        if (!part.fileName) {
            report.fields[part.fieldName] = part.content;
            continue;
        }
        if (part.contentType == "application/x-gzip") {
            auto plain = gunzip(part.content);
            if (!plain) {
                report.wellFormed = false;
                continue;
            }
            report.files[part.fieldName] = *plain;
        } else {
            report.files[part.fieldName] = part.content;
        }
    }
    return report;
}

}  // namespace uploadtest
