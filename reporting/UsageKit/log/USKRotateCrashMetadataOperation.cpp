#include "reporting/UsageKit/log/USKRotateCrashMetadataOperation.h"

#include "platform/base/Clock.h"
#include "platform/storage/Files.h"

namespace reporting {

USKRotateCrashMetadataOperation::USKRotateCrashMetadataOperation(std::string crashMetadataURL,
                                                                 std::shared_ptr<USKMetadata> currentMetadata)
    : crashMetadataURL_(std::move(crashMetadataURL)), currentMetadata_(std::move(currentMetadata)) {
    const double now = platform::Clock::now();
    currentMetadataDictionary_ =
        currentMetadata_->dictionaryRepresentationWithStartTime(now > 0 ? static_cast<uint64_t>(now) : 0)
            .value_or(platform::Value::Dictionary{});
}

void USKRotateCrashMetadataOperation::main() {
    // Runs once per launch, at the kit's set-up, before this launch writes the file: the copies that
    // writes cut short by a kill left beside it are removed here, as the application's stores do.
    platform::Files::removeLeftoverTemporaryFiles(crashMetadataURL_);
    if (platform::Files::isRegularFile(crashMetadataURL_)) {
        // Removed once read: should this launch's write fail, the next launch must find no metadata
        // rather than take the one read here for its own predecessor's.
        crashMetadata_ = std::make_shared<USKCrashMetadata>(
            USKCrashMetadata::readSerializedDictionaryFromURL(crashMetadataURL_));
        platform::Files::removeRegularFile(crashMetadataURL_);
    } else {
        // A folder or a link in the file's place holds nothing of ours to read: set aside, not deleted.
        if (platform::Files::exists(crashMetadataURL_)) platform::Files::moveAside(crashMetadataURL_);
        crashMetadata_ = std::make_shared<USKCrashMetadata>(platform::Value::Dictionary{});
    }
    USKCrashMetadata::writeSerializedDictionary_toURL(currentMetadataDictionary_, crashMetadataURL_);
}

}  // namespace reporting
