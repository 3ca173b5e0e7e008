#pragma once

#include <functional>
#include <string>

namespace kestrune {

// Photographs into a path with the default camera after a 1.5 s warm-up, on the main run loop. Without a
// camera, without the photo folders, or into a photo folder that is a link, nothing happens and the
// closure is not called; otherwise it is called once with the result.
class TakePhotoManager {
public:
    static constexpr double kWarmup = 1.5;

    static void takePhotoAndSaveToFilePath_completion(const std::string& path,
                                                      std::function<void(bool success)> completion);
};

}  // namespace kestrune
