#include "app/records/BaseEntry.h"

#include "platform/base/Log.h"
#include "platform/storage/Files.h"
#include "platform/storage/KeyedArchiver.h"
#include "platform/storage/KeyedUnarchiver.h"
#include "platform/ui/Image.h"

namespace kestrune {

bool BaseEntry::mugShotImageExists() const {
    return imagePath_ && platform::Files::isRegularFile(*imagePath_);
}

std::shared_ptr<platform::ui::Image> BaseEntry::mugShotImage() const {
    if (!mugShotImageExists()) return nullptr;
    return platform::ui::Image::initWithContentsOfFile(*imagePath_);
}

void BaseEntry::decodeBaseFields(platform::KeyedUnarchiver& coder, const std::string& dateKey,
                                 const std::string& pathKey) {
    platform::Value date = coder.decodeObjectForKey(dateKey);
    date_.reset();
    if (auto stored = date.date()) {
        date_ = *stored;
    } else if (!date.isNull()) {
        platform::logf("%s: the stored \"%s\" is %s, not a date; it is left empty", className().c_str(),
                       dateKey.c_str(), date.description().c_str());
    }
    platform::Value path = coder.decodeObjectForKey(pathKey);
    imagePath_.reset();
    if (auto stored = path.string()) {
        imagePath_ = *stored;
    } else if (!path.isNull()) {
        platform::logf("%s: the stored \"%s\" is %s, not a path; it is left empty", className().c_str(),
                       pathKey.c_str(), path.description().c_str());
    }
}

void BaseEntry::encodeBaseFields(platform::KeyedArchiver& coder, const std::string& dateKey,
                                 const std::string& pathKey) const {
    coder.encodeObject_forKey(date_ ? platform::Value(*date_) : platform::Value(), dateKey);
    coder.encodeObject_forKey(imagePath_ ? platform::Value(*imagePath_) : platform::Value(), pathKey);
}

}  // namespace kestrune
