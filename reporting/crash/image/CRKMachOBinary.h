#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "reporting/crash/image/CRKMachOFile.h"
#include "reporting/crash/image/CRKMachOSlice.h"

namespace reporting {

// A Mach-O file on disk, mapped for the object's life, with one slice object per slice in file order.
class CRKMachOBinary {
public:
    static std::shared_ptr<CRKMachOBinary> MachOBinaryWithPath(const std::string& path);
    // A "file://" URL or a plain path; none when the file cannot be mapped.
    static std::shared_ptr<CRKMachOBinary> initWithURL(const std::string& url);
    ~CRKMachOBinary();
    CRKMachOBinary(const CRKMachOBinary&) = delete;
    CRKMachOBinary& operator=(const CRKMachOBinary&) = delete;

    const std::string& URL() const { return url_; }
    std::string path() const;
    const std::vector<std::shared_ptr<CRKMachOSlice>>& slices() const { return slices_; }
    // block(uuid, architecture name) for each slice in file order.
    void enumerateUUIDs(const std::function<void(const std::string&, const std::string&)>& block) const;
    std::shared_ptr<CRKMachOSlice> sliceForArchitecture(const std::string& name) const;
    // SHA-1 of the slices' UUIDs concatenated in architecture-name order: the same for the same slices
    // whatever their order in the file.
    const std::string& instanceIdentifier() const;
    static std::string hashNSString(const std::string& text);

private:
    explicit CRKMachOBinary(std::string url) : url_(std::move(url)) {}

    std::string url_;
    CRKMachOFile file_;
    std::vector<std::shared_ptr<CRKMachOSlice>> slices_;
    mutable std::string instanceIdentifier_;
};

}  // namespace reporting
