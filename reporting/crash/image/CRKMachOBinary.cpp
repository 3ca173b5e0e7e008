#include "reporting/crash/image/CRKMachOBinary.h"

#include <algorithm>
#include <cstring>

#include "platform/base/Strings.h"
#include "reporting/crash/CRKUtilities.h"

namespace reporting {

namespace {

constexpr const char* kFileScheme = "file://";

std::string pathOfURL(const std::string& url) {
    return platform::hasPrefix(url, kFileScheme) ? url.substr(strlen(kFileScheme)) : url;
}

}  // namespace

std::shared_ptr<CRKMachOBinary> CRKMachOBinary::MachOBinaryWithPath(const std::string& path) {
    return initWithURL(kFileScheme + path);
}

std::shared_ptr<CRKMachOBinary> CRKMachOBinary::initWithURL(const std::string& url) {
    std::shared_ptr<CRKMachOBinary> binary(new CRKMachOBinary(url));
    if (!CRKMachOFileInitWithPath(&binary->file_, binary->path().c_str())) return nullptr;
    CRKMachOFileEnumerateSlices(&binary->file_, [&](CRKMachOSliceRecord slice) {
        binary->slices_.push_back(std::make_shared<CRKMachOSlice>(slice));
    });
    return binary;
}

CRKMachOBinary::~CRKMachOBinary() {
    CRKMachOFileDestroy(&file_);
}

std::string CRKMachOBinary::path() const {
    return pathOfURL(url_);
}

void CRKMachOBinary::enumerateUUIDs(
    const std::function<void(const std::string&, const std::string&)>& block) const {
    if (!block) return;
    for (const auto& slice : slices_) block(slice->uuid().value_or(""), slice->architectureName());
}

std::shared_ptr<CRKMachOSlice> CRKMachOBinary::sliceForArchitecture(const std::string& name) const {
    for (const auto& slice : slices_) {
        if (slice->architectureName() == name) return slice;
    }
    return nullptr;
}

const std::string& CRKMachOBinary::instanceIdentifier() const {
    if (instanceIdentifier_.empty()) {
        std::vector<std::shared_ptr<CRKMachOSlice>> sorted = slices_;
        std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
            return a->architectureName() < b->architectureName();
        });
        std::string uuids;
        for (const auto& slice : sorted) uuids += slice->uuid().value_or("");
        instanceIdentifier_ = hashNSString(uuids);
    }
    return instanceIdentifier_;
}

std::string CRKMachOBinary::hashNSString(const std::string& text) {
    return CRKHashBytes(text.data(), text.size());
}

}  // namespace reporting
