#pragma once

namespace kestrune {

// Whether to photograph: the coordinator asks before each photo.
class PhotoManager {
public:
    bool shouldTakeManualSnapshot() const { return true; }
    bool shouldTakePhotoOnFailedLogin() const;
    bool shouldTakePhotoAfterLoginLogin() const;
};

}  // namespace kestrune
