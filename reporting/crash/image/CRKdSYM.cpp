#include "reporting/crash/image/CRKdSYM.h"

#include <filesystem>

#include "platform/base/Strings.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"

namespace fs = std::filesystem;

namespace reporting {

namespace {

std::string pathOfFileURL(const std::string& url) {
    return platform::hasPrefix(url, "file://") ? url.substr(7) : url;
}

}  // namespace

std::shared_ptr<CRKdSYM> CRKdSYM::dSYMWithURL(const std::string& url) {
    return initWithURL(url);
}

std::shared_ptr<CRKdSYM> CRKdSYM::initWithURL(const std::string& url) {
    const std::string path = pathOfFileURL(url);
    std::error_code error;
    if (path.empty() || !fs::is_directory(path, error)) return nullptr;
    const std::string dwarf = path + "/Contents/Resources/DWARF";
    if (!fs::is_directory(dwarf, error)) return nullptr;
    const auto entries = platform::Files::listDirectory(dwarf);
    if (entries.empty()) return nullptr;
    auto dsym = std::make_shared<CRKdSYM>();
    dsym->bundlePath_ = path;
    dsym->binary_ = CRKMachOBinary::MachOBinaryWithPath(dwarf + "/" + entries.front());
    return dsym;
}

std::optional<std::string> CRKdSYM::infoString(const std::string& key) const {
    auto data = platform::Files::read(bundlePath_ + "/Contents/Info.plist");
    if (!data) return std::nullopt;
    auto info = platform::PropertyList::valueFromData(*data);
    if (!info) return std::nullopt;
    if (const std::string* text = (*info)[key].string()) return *text;
    return std::nullopt;
}

std::optional<std::string> CRKdSYM::bundleIdentifier() const {
    auto identifier = infoString("CFBundleIdentifier");
    const std::string prefix = "com.apple.xcode.dsym.";
    if (identifier && platform::hasPrefix(*identifier, prefix)) return identifier->substr(prefix.size());
    return identifier;
}

std::optional<std::string> CRKdSYM::bundleVersion() const {
    return infoString("CFBundleVersion");
}

std::optional<std::string> CRKdSYM::shortBundleVersion() const {
    return infoString("CFBundleShortVersionString");
}

std::optional<std::string> CRKdSYM::executableURL() const {
    if (!binary_) return std::nullopt;
    return binary_->URL();
}

std::optional<std::string> CRKdSYM::executablePath() const {
    if (!binary_) return std::nullopt;
    return binary_->path();
}

void CRKdSYM::enumerateUUIDs(const std::function<void(const std::string&, const std::string&)>& block) const {
    if (binary_) binary_->enumerateUUIDs(block);
}

}  // namespace reporting
