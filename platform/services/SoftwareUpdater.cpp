#include "platform/services/SoftwareUpdater.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/Strings.h"
#include "platform/net/URLConnection.h"
#include "platform/storage/Files.h"
#include "platform/storage/PropertyList.h"
#include "platform/storage/StandardFolders.h"
#include "platform/storage/UserDefaults.h"
#include "platform/system/Application.h"
#include "platform/system/Bundle.h"
#include "platform/system/Shell.h"

namespace platform {

namespace {
std::mutex gSharedMutex;
std::shared_ptr<SoftwareUpdater> gShared;  // guarded by gSharedMutex
}  // namespace

std::shared_ptr<SoftwareUpdater> SoftwareUpdater::sharedUpdater() {
    std::lock_guard lock(gSharedMutex);
    if (!gShared) gShared = create(defaultEngineBundlePath());
    return gShared;
}

std::shared_ptr<SoftwareUpdater> SoftwareUpdater::create(std::string engineBundlePath) {
    return std::shared_ptr<SoftwareUpdater>(new SoftwareUpdater(std::move(engineBundlePath)));
}

std::string SoftwareUpdater::defaultEngineBundlePath() {
    return Bundle::main().resourcePath() + "/UpdateEngine";
}

SoftwareUpdater::~SoftwareUpdater() {
    if (scheduledCheck_) scheduledCheck_->invalidate();
}

std::optional<std::string> SoftwareUpdater::feedURL() const {
    if (feedURL_) return feedURL_;
    auto stored = UserDefaults::standard()->stringForKey(kFeedURLKey);
    if (stored && !stored->empty()) return stored;
    return std::nullopt;
}

void SoftwareUpdater::setFeedURL(const std::string& url) {
    feedURL_ = url;
}

void SoftwareUpdater::setAutomaticallyChecksForUpdates(bool automatically) {
    if (automaticallyChecks_ == automatically) return;
    automaticallyChecks_ = automatically;
    if (scheduledCheck_) scheduledCheck_->invalidate();
    scheduledCheck_.reset();
    if (automatically) scheduleCheck(0);
}

void SoftwareUpdater::scheduleCheck(double delay) {
    std::weak_ptr<SoftwareUpdater> weak = weak_from_this();
    scheduledCheck_ = RunLoop::main().performAfterDelay(delay, [weak] {
        auto self = weak.lock();
        if (!self || !self->automaticallyChecks_) return;
        self->checkForUpdatesInBackground();
        self->scheduleCheck(kScheduledCheckInterval);
    });
}

void SoftwareUpdater::checkForUpdates(const void*) {
    check(true);
}

void SoftwareUpdater::checkForUpdatesInBackground() {
    check(false);
}

void SoftwareUpdater::check(bool userInitiated) {
    if (inProgress_) {
        logf("SoftwareUpdater: a check or an update is already under way");
        return;
    }
    if (auto host = delegate(); host && !host->updaterMayCheckForUpdates(*this)) return;
    inProgress_ = true;
    const auto url = feedURL();
    if (!url) {
        abort(Error{kErrorDomain, kNoFeedURL, "no update feed is configured"});
        return;
    }
    URLRequest request(*url, kFeedTimeoutInterval);
    if (!userAgent_.empty()) request.setValue_forHTTPHeaderField(userAgent_, "User-Agent");
    std::weak_ptr<SoftwareUpdater> weak = weak_from_this();
    DispatchQueue::global().async([weak, request, userInitiated] {
        auto answer = URLConnection::sendSynchronousRequest(request);
        const int status = answer.response ? answer.response->statusCode() : 0;
        RunLoop::main().post([weak, userInitiated, answer = std::move(answer), status]() mutable {
            if (auto self = weak.lock())
                self->didReadFeed(userInitiated, std::move(answer.data), std::move(answer.error), status);
        });
    });
}

void SoftwareUpdater::didReadFeed(bool userInitiated, std::optional<Data> body, std::optional<Error> error,
                                  int status) {
    if (error) {
        abort(*error);
        return;
    }
    if (status < 200 || status > 299) {
        abort(Error{kErrorDomain, kFeedUnreadable, format("the update feed answered %d", status)});
        return;
    }
    auto item = parseFeed(body.value_or(Data()));
    if (!item) {
        abort(Error{kErrorDomain, kFeedRefused, "the update feed holds no update description"});
        return;
    }
    const std::string installed = Bundle::main().shortVersionString();
    if (compareVersions(item->version, installed) <= 0) {
        inProgress_ = false;
        logf("SoftwareUpdater: %s is the newest version", installed.c_str());
        if (auto host = delegate()) host->updaterDidNotFindUpdate(*this);
        return;
    }
    logf("SoftwareUpdater: version %s is available (this is %s)", item->version.c_str(), installed.c_str());
    if (auto host = delegate()) host->updater_didFindValidUpdate(*this, *item);
    if (userInitiated || automaticallyDownloads_) {
        download(*item);
    } else {
        // Without automatic downloads the user decides; nothing waits meanwhile.
        inProgress_ = false;
    }
}

void SoftwareUpdater::abort(const Error& error) {
    inProgress_ = false;
    logf("SoftwareUpdater: the check stopped: %s", error.description.c_str());
    if (auto host = delegate()) host->updater_didAbortWithError(*this, error);
}

void SoftwareUpdater::download(const UpdateItem& item) {
    logf("SoftwareUpdater: downloading %s (simulated)", item.downloadURL.c_str());
    std::weak_ptr<SoftwareUpdater> weak = weak_from_this();
    RunLoop::main().post([weak, item] {
        if (auto self = weak.lock()) self->downloaded(item);
    });
}

void SoftwareUpdater::downloaded(const UpdateItem& item) {
    waitingForQuit_ = item;
    std::weak_ptr<SoftwareUpdater> weak = weak_from_this();
    auto host = delegate();
    if (!host) return;
    host->updater_willInstallUpdateOnQuit_immediateInstallationInvocation(*this, item, [weak, item] {
        if (auto self = weak.lock()) self->installAndRelaunch(item);
    });
}

void SoftwareUpdater::installAndRelaunch(const UpdateItem& item) {
    if (!waitingForQuit_ || waitingForQuit_->version != item.version) return;
    auto host = delegate();
    if (host) host->updater_willInstallUpdate(*this, item);
    logf("SoftwareUpdater: installing version %s (simulated)", item.version.c_str());
    waitingForQuit_.reset();
    inProgress_ = false;
    if (host && !host->updaterShouldRelaunchApplication(*this)) return;
    std::weak_ptr<SoftwareUpdater> weak = weak_from_this();
    if (host && host->updater_shouldPostponeRelaunchForUpdate_untilInvoking(*this, item, [weak] {
            if (auto self = weak.lock()) self->relaunchApplication();
        }))
        return;
    relaunchApplication();
}

void SoftwareUpdater::relaunchApplication() {
    if (auto host = delegate()) host->updaterWillRelaunchApplication(*this);
    auto tool = pathForHelper("relaunch");
    if (!tool) {
        logf("SoftwareUpdater: the relaunch tool is missing from %s; the application keeps running",
             engineBundlePath_.c_str());
        return;
    }
    if (launchRelaunchTool(*tool, Bundle::main().executablePath())) Application::shared().terminate();
}

std::optional<std::string> SoftwareUpdater::pathForHelper(const std::string& name) const {
    const std::string path = engineBundlePath_ + "/" + name;
    if (!Files::exists(path) || Files::isDirectory(path)) return std::nullopt;
    return path;
}

bool SoftwareUpdater::launchRelaunchTool(const std::string& toolPath, const std::string& applicationPath) {
    auto tool = Files::read(toolPath);
    if (!tool) {
        logf("SoftwareUpdater: the relaunch tool %s cannot be read", toolPath.c_str());
        return false;
    }
    const std::string copy = StandardFolders::temporary() + "/" + Files::lastPathComponent(toolPath);
    Files::remove(copy);
    if (!Files::writeAtomically(copy, *tool, 0700)) {
        logf("SoftwareUpdater: the relaunch tool cannot be copied to %s", copy.c_str());
        return false;
    }
    if (!Shell::launchDetached(copy, {applicationPath, format("%d", static_cast<int>(getpid()))})) {
        logf("SoftwareUpdater: the relaunch tool %s could not be started", copy.c_str());
        return false;
    }
    return true;
}

std::optional<UpdateItem> SoftwareUpdater::parseFeed(const Data& feed) {
    auto root = PropertyList::valueFromData(feed);
    if (!root || !root->dictionary()) return std::nullopt;
    const Value& version = (*root)["version"];
    if (!version.string() || version.string()->empty()) return std::nullopt;
    // Only dotted numbers compare as meant: "latest" or "1.2.3-beta" would pass for another version.
    if (!isDottedVersion(*version.string())) {
        logf("SoftwareUpdater: the update feed's version \"%s\" is not dotted numbers; it counts as missing",
             printableForLog(*version.string()).c_str());
        return std::nullopt;
    }
    UpdateItem item;
    item.version = *version.string();
    if (const Value& url = (*root)["url"]; url.string()) item.downloadURL = *url.string();
    return item;
}

bool SoftwareUpdater::isDottedVersion(const std::string& version) {
    bool digitBefore = false;
    for (char c : version) {
        if (c >= '0' && c <= '9') {
            digitBefore = true;
        } else if (c == '.' && digitBefore) {
            digitBefore = false;
        } else {
            return false;
        }
    }
    return digitBefore;
}

int SoftwareUpdater::compareVersions(const std::string& version, const std::string& other) {
    // Each part is read as its leading digits; runs too long for a number compare by length, then text.
    auto parts = [](const std::string& text) {
        std::vector<std::string> out;
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('.', start);
            if (end == std::string::npos) end = text.size();
            std::string digits;
            for (size_t i = start; i < end && isdigit(static_cast<unsigned char>(text[i])); ++i)
                digits += text[i];
            const size_t nonZero = digits.find_first_not_of('0');
            out.push_back(nonZero == std::string::npos ? std::string() : digits.substr(nonZero));
            start = end + 1;
        }
        return out;
    };
    auto a = parts(version);
    auto b = parts(other);
    const size_t count = std::max(a.size(), b.size());
    a.resize(count);
    b.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (a[i].size() != b[i].size()) return a[i].size() < b[i].size() ? -1 : 1;
        if (int c = a[i].compare(b[i])) return c < 0 ? -1 : 1;
    }
    return 0;
}

}  // namespace platform
