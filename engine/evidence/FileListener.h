#pragma once

#include <functional>
#include <string>

namespace kestrune {

// Watches one file for every kind of change. The watch re-arms itself after each event on the file now
// at the path, so that a log that is rotated or replaced is followed; it ends when the path holds no
// file at that moment. There is no other way to stop it.
class FileListener {
public:
    // The completion runs on the global background queue for every change.
    static void monitorFile_withCompletion(const std::string& path, std::function<void()> completion);
};

}  // namespace kestrune
