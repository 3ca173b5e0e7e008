#include "features/updates/RemoteConfigFetch.h"

#include <exception>

#include "app/shell/ThreadHelpers.h"
#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/RunLoop.h"
#include "platform/base/Strings.h"
#include "platform/net/URLConnection.h"
#include "platform/storage/PropertyList.h"

namespace kestrune {

std::shared_ptr<RemoteConfigFetch> RemoteConfigFetch::create() {
    return std::shared_ptr<RemoteConfigFetch>(new RemoteConfigFetch());
}

platform::URLRequest RemoteConfigFetch::requestWithURLString(const std::string& address,
                                                             double timeoutInterval) {
    platform::URLRequest request(address, timeoutInterval);
    request.setCachePolicy(kReloadIgnoringLocalCacheData);
    return request;
}

RemoteConfigFetch::ParseResult RemoteConfigFetch::parseConfigData(const platform::Data& body) {
    ParseResult result;
    result.root = platform::PropertyList::valueFromData(body);
    if (!result.root)
        result.error = platform::format("the configuration (%zu bytes) is not a property list", body.size());
    return result;
}

void RemoteConfigFetch::fetchConfigFileWithURLString_withDelegate(
    const std::string& address, std::weak_ptr<RemoteConfigFetchDelegate> newDelegate) {
    delegate = std::move(newDelegate);
    fetchConfigFileWithURLString(address);
}

void RemoteConfigFetch::fetchConfigFileWithURLString(const std::string& address) {
    auto self = shared_from_this();
    platform::DispatchQueue::global().async([self, address] { self->run(address); });
}

void RemoteConfigFetch::run(const std::string& address) {
    try {
        auto answer =
            platform::URLConnection::sendSynchronousRequest(requestWithURLString(address, timeoutInterval_));
        if (answer.error) {
            didFailWithError(answer.error->description);
            return;
        }
        // An error page is not the document, whatever it holds.
        if (answer.response && (answer.response->statusCode() < 200 || answer.response->statusCode() > 299)) {
            didFailWithError(platform::format("the server answered %d", answer.response->statusCode()));
            return;
        }
        auto parsed = parseConfigData(answer.data.value_or(platform::Data()));
        if (!parsed.root) {
            didFailWithError(parsed.error);
            return;
        }
        didFetchDictionary(std::move(*parsed.root));
    } catch (const std::exception& exception) {
        didFailWithError(exception.what());
    }
}

void RemoteConfigFetch::didFetchDictionary(platform::Value root) {
    auto self = shared_from_this();
    runOnMainQueueAsync([self, root = std::move(root)] {
        if (auto listener = self->delegate.lock()) listener->remoteConfigFetch_didFetchDict(*self, root);
    });
}

void RemoteConfigFetch::didFailWithError(const std::string& error) {
    if (!platform::isMainThread()) {
        auto self = shared_from_this();
        runOnMainThreadSync([self, error] { self->didFailWithError(error); });
        return;
    }
    platform::logf("RemoteConfigFetch: the configuration could not be fetched: %s", error.c_str());
    if (auto listener = delegate.lock())
        listener->remoteConfigFetch_didFaileToFetchConfigWithError(*this, error);
}

}  // namespace kestrune
