#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/base/Date.h"
#include "platform/base/Object.h"
#include "platform/storage/Coding.h"

namespace platform::ui {
class Image;
}

namespace kestrune {

// Base of the history and photo records: when the event happened and where its photo is, if one was
// taken. Each kind stores these two under keys of its own.
class BaseEntry : public platform::Object, public platform::Coding {
public:
    static constexpr const char* kClassName = "BaseEntry";

    // The full path of the photo file; none when no photo was taken.
    const std::optional<std::string>& imagePath() const { return imagePath_; }
    void setImagePath(std::optional<std::string> value) { imagePath_ = std::move(value); }
    // When the event happened (also the photo's name).
    const std::optional<platform::Date>& date() const { return date_; }
    void setDate(std::optional<platform::Date> value) { date_ = std::move(value); }

    // A photo path is set and a regular file is there: a folder is no photo, nor is a link.
    bool mugShotImageExists() const;
    // The photo read from its file; none when there is none or it cannot be read.
    std::shared_ptr<platform::ui::Image> mugShotImage() const;

protected:
    // The stored forms of the two fields, for the kinds' own coding; a stored value of another kind
    // (a damaged file) reads as none, with a log line.
    void decodeBaseFields(platform::KeyedUnarchiver& coder, const std::string& dateKey,
                          const std::string& pathKey);
    void encodeBaseFields(platform::KeyedArchiver& coder, const std::string& dateKey,
                          const std::string& pathKey) const;

    std::optional<std::string> imagePath_;
    std::optional<platform::Date> date_;
};

}  // namespace kestrune
