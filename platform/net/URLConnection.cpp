#include "platform/net/URLConnection.h"

#include <curl/curl.h>
#include <openssl/crypto.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_set>

#include "platform/base/DispatchQueue.h"
#include "platform/base/Log.h"
#include "platform/base/Number.h"
#include "platform/base/Quit.h"
#include "platform/base/Strings.h"
#include "platform/net/SystemRoots.h"
#include "platform/net/URLError.h"

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string hostOfURL(const std::string& url) {
    std::string host;
    CURLU* handle = curl_url();
    if (!handle) return host;
    char* part = nullptr;
    if (curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_HOST, &part, 0) == CURLUE_OK && part) {
        host = part;
        if (host.size() > 2 && host.front() == '[' && host.back() == ']')
            host = host.substr(1, host.size() - 2);
    }
    curl_free(part);
    curl_url_cleanup(handle);
    return host;
}

// The host of an address in the reserved "invalid" domain, read without the transfer library (so that a
// request that cannot go anywhere does not load it). Only a plain authority (letters, digits, dots,
// hyphens, an optional port) is read; anything else answers none and is left to the library.
std::optional<std::string> reservedInvalidHostOf(const std::string& url) {
    const auto separator = url.find("://");
    if (separator == std::string::npos) return std::nullopt;
    const std::string scheme = toLowerASCII(url.substr(0, separator));
    if (scheme != "http" && scheme != "https") return std::nullopt;
    const auto start = separator + 3;
    auto end = url.find_first_of("/?#", start);
    if (end == std::string::npos) end = url.size();
    std::string authority = url.substr(start, end - start);
    if (const auto colon = authority.find(':'); colon != std::string::npos) {
        const std::string port = authority.substr(colon + 1);
        if (port.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
        authority.resize(colon);
    }
    if (authority.empty()) return std::nullopt;
    for (char c : authority) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '.' || c == '-';
        if (!plain) return std::nullopt;
    }
    const std::string host = toLowerASCII(authority);
    if (host == "invalid" || hasSuffix(host, ".invalid") || hasSuffix(host, ".invalid.")) return host;
    return std::nullopt;
}

// The address a redirect's Location names, resolved against the address that answered with it.
std::optional<std::string> resolveURL(const std::string& base, const std::string& reference) {
    std::optional<std::string> resolved;
    CURLU* handle = curl_url();
    if (!handle) return resolved;
    char* url = nullptr;
    if (curl_url_set(handle, CURLUPART_URL, base.c_str(), 0) == CURLUE_OK &&
        curl_url_set(handle, CURLUPART_URL, reference.c_str(), 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_URL, &url, 0) == CURLUE_OK && url) {
        resolved = url;
    }
    curl_free(url);
    curl_url_cleanup(handle);
    return resolved;
}

// Scheme, host and port (the scheme's own when none is written): who a request is handed to.
std::optional<std::string> originOf(const std::string& url) {
    std::optional<std::string> origin;
    CURLU* handle = curl_url();
    if (!handle) return origin;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_set(handle, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(handle, CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        origin = toLowerASCII(scheme) + "://" + toLowerASCII(host) + ":" + port;
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(handle);
    return origin;
}

bool isRedirectStatus(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

Data derOf(X509* cert) {
    unsigned char* bytes = nullptr;
    int length = i2d_X509(cert, &bytes);
    if (length <= 0 || !bytes) return Data();
    Data der(bytes, static_cast<size_t>(length));
    OPENSSL_free(bytes);
    return der;
}

// The system's trusted roots, shared by every transfer of the process: named once, when a server's chain
// is first left to the system to judge, by the bundle and folder libcurl was built to use. libcurl would
// otherwise read and parse the whole bundle (some 140 certificates) into the TLS context of each transfer,
// whether or not anything asks the system: nine tenths of the processor time of an upload went to that.
// (libcurl's own cache of the store lives in a multi handle, one per transfer here, and is not kept when
// a certificate folder is configured, as it is on Debian.)
// SSL_CERT_FILE and SSL_CERT_DIR name another bundle or folder in place of libcurl's, as they do for
// ServerTrust's evaluation by the system: the two agree on what the system trusts, and a test can give the
// process roots of its own. The bundle is read by the first chain left to it, once a process; each check
// reads from the folder only the roots its building of the chain asks for (SystemRoots), so a root added
// to the folder later is trusted from then on, and a folder of thousands of roots costs a chain no more
// than one of a hundred. Never freed, as workers may still be checking a chain while the process ends.
const SystemRoots& systemRoots(CURL* handle) {
    static const SystemRoots* const roots = [handle] {
        char* builtInBundle = nullptr;
        char* builtInFolder = nullptr;
        curl_easy_getinfo(handle, CURLINFO_CAINFO, &builtInBundle);
        curl_easy_getinfo(handle, CURLINFO_CAPATH, &builtInFolder);
        return new SystemRoots(builtInBundle, builtInFolder);
    }();
    return *roots;
}

// Checks against the system's roots run one at a time. Each check has a store of its own, which reads
// the folder's entries as the check asks for their names; but the bundle's roots are shared by the checks
// that need them (decoded once, their extensions with them), and the thread checker sees OpenSSL's own
// accesses only through the C library calls it intercepts (comparing and copying key identifiers, say),
// not those of OpenSSL's own code. Waiting costs a check the signature checks of those before it and
// their reading of the folder: a few entries of a few kilobytes each, within the bounds SystemRoots keeps
// (a FIFO or a device in the folder is never opened, and a file larger than any bundle is not read), and,
// for the first check of a process, the reading of the bundle.
std::mutex systemRootsLock;

// Verifies the chain a handshake is checking against the system's roots, with the handshake's own
// parameters (purpose, security level, the flags libcurl set), and leaves the outcome in the handshake's
// context as its own verification would.
bool verifyWithSystemRoots(X509_STORE_CTX* handshake, CURL* handle) {
    const SystemRoots& roots = systemRoots(handle);
    // Held until the check's own context and store, and their hold on the roots, have gone.
    std::lock_guard checkingAlone(systemRootsLock);
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> own(X509_STORE_CTX_new(),
                                                                        X509_STORE_CTX_free);
    const X509_VERIFY_PARAM* parameters = X509_STORE_CTX_get0_param(handshake);
    if (!store || !own || !roots.addLookupTo(store.get()) ||
        X509_STORE_CTX_init(own.get(), store.get(), X509_STORE_CTX_get0_cert(handshake),
                            X509_STORE_CTX_get0_untrusted(handshake)) != 1 ||
        X509_VERIFY_PARAM_set1(X509_STORE_CTX_get0_param(own.get()), parameters) != 1) {
        X509_STORE_CTX_set_error(handshake, X509_V_ERR_UNSPECIFIED);
        return false;
    }
    const bool trusted = X509_verify_cert(own.get()) == 1;
    X509_STORE_CTX_set_error(handshake, X509_STORE_CTX_get_error(own.get()));
    X509_STORE_CTX_set_error_depth(handshake, X509_STORE_CTX_get_error_depth(own.get()));
    X509_STORE_CTX_set_current_cert(handshake, X509_STORE_CTX_get_current_cert(own.get()));
    if (trusted) X509_STORE_CTX_set0_verified_chain(handshake, X509_STORE_CTX_get1_chain(own.get()));
    return trusted;
}

// Each resource of a transfer goes with its owner, on every path out.
struct EasyCleanup {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
struct MultiCleanup {
    void operator()(CURLM* multi) const { curl_multi_cleanup(multi); }
};
struct HeaderListCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
struct FileClose {
    void operator()(FILE* file) const { fclose(file); }
};

// A delegate that gathers everything, for synchronous sends.
class Collector : public URLConnectionDelegate {
public:
    explicit Collector(std::shared_ptr<URLConnectionDelegate> trust) : trust_(std::move(trust)) {}
    AuthChallengeDisposition connection_didReceiveServerTrust(URLConnection& c,
                                                              const ServerTrust& t) override {
        return trust_ ? trust_->connection_didReceiveServerTrust(c, t)
                      : AuthChallengeDisposition::PerformDefaultHandling;
    }
    void connection_didReceiveResponse(URLConnection&, const HTTPURLResponse& r) override {
        result.response = r;
    }
    void connection_didReceiveData(URLConnection&, const Data& d) override {
        if (!result.data) result.data = Data();
        result.data->append(d);
    }
    void connection_didFailWithError(URLConnection&, const Error& e) override { result.error = e; }

    URLConnection::SynchronousResult result;

private:
    std::shared_ptr<URLConnectionDelegate> trust_;
};

// The transfers running now, so that a quit can end them all; once the quit has come, none runs.
struct RunningTransfers {
    std::mutex mutex;
    bool quitting = false;                       // guarded by mutex
    std::unordered_set<URLConnection*> running;  // guarded by mutex
};

// Never destroyed: a worker may still end a transfer while the process tears its statics down.
RunningTransfers& runningTransfers() {
    static auto* transfers = new RunningTransfers;
    return *transfers;
}

struct AfterSetUp {
    std::mutex mutex;
    std::function<void()> hook;  // guarded by mutex
};

AfterSetUp& afterSetUp() {
    static auto* state = new AfterSetUp;
    return *state;
}

void runAfterSetUp() {
    std::function<void()> hook;
    {
        std::lock_guard lock(afterSetUp().mutex);
        hook = afterSetUp().hook;
    }
    if (hook) hook();
}

}  // namespace

// The state of one running transfer; lives on the stack of run().
struct URLConnection::Transfer {
    enum class TrustFailure { None, Cancelled, Untrusted };

    static constexpr int kMaximumRedirects = 16;

    explicit Transfer(URLConnection& connection) : owner(connection), currentURL(connection.request_.URL()) {}

    URLConnection& owner;
    std::string currentURL;  // the request's address, or where a followed redirect led
    SteadyClock::time_point started = SteadyClock::now();
    SteadyClock::time_point lastActivity = started;
    bool timedOut = false;
    bool outlasted = false;  // the whole transfer took longer than the request allows
    bool bodyShort = false;
    bool tooLong = false;  // the answer is longer than the request allows
    std::string redirectRefusal;
    int redirects = 0;
    TrustFailure trustFailure = TrustFailure::None;
    std::string trustRefusal;  // why the system's roots refused the chain, as OpenSSL words it
    char transferError[CURL_ERROR_SIZE] = {};  // libcurl's own account of a failure (a host name unmatched)

    // Response being received; a redirect or an interim (1xx) answer starts a new one.
    int status = 0;
    HTTPURLResponse::HeaderFields headers;
    bool responseDelivered = false;
    uint64_t bodyReceived = 0;
    std::optional<std::string> redirectTarget;  // the current response is a redirect being followed

    // Body being sent.
    const Data* memoryBody = nullptr;
    uint64_t bodyLength = 0;
    uint64_t bodySent = 0;

    // Released in the reverse order: the easy handle (which leaves the multi handle), the multi handle,
    // then the header list and the body file the easy handle used.
    std::unique_ptr<FILE, FileClose> file;
    std::unique_ptr<curl_slist, HeaderListCleanup> headerList;
    std::unique_ptr<CURLM, MultiCleanup> multi;
    std::unique_ptr<CURL, EasyCleanup> easy;

    void touch() { lastActivity = SteadyClock::now(); }

    void deliverResponseIfNeeded() {
        if (responseDelivered || status == 0) return;
        responseDelivered = true;
        char* effective = nullptr;
        curl_easy_getinfo(easy.get(), CURLINFO_EFFECTIVE_URL, &effective);
        HTTPURLResponse response(effective ? effective : currentURL, status, headers);
        if (owner.delegate_) owner.delegate_->connection_didReceiveResponse(owner, response);
    }

    static size_t onHeader(char* buffer, size_t size, size_t count, void* userdata) {
        auto* self = static_cast<Transfer*>(userdata);
        const size_t length = size * count;
        self->touch();
        std::string line(buffer, length);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (hasPrefix(line, "HTTP/")) {
            self->headers.clear();
            self->bodyReceived = 0;
            self->redirectTarget.reset();
            auto parts = split(line, " ");
            self->status = parts.size() >= 2 ? Number::parse(parts[1]).value_or(Number(0)).intValue() : 0;
        } else if (line.empty()) {
            // The response's header block is complete: a redirect is judged before anything follows it.
            if (!self->acceptRedirect()) return 0;  // aborts the transfer
        } else {
            auto colon = line.find(':');
            if (colon != std::string::npos) {
                self->headers.emplace_back(trimWhitespace(line.substr(0, colon)),
                                           trimWhitespace(line.substr(colon + 1)));
            }
        }
        return length;
    }

    // A redirect is followed only to the origin the request was meant for, and only when the request
    // keeps its method: a server must not be able to hand the request's credentials and body to another
    // host, nor turn a POST into a GET whose answer would pass for the POST's. Anything else ends the
    // transfer with an error.
    bool acceptRedirect() {
        if (!isRedirectStatus(status)) return true;
        const auto location = std::find_if(headers.begin(), headers.end(), [](const auto& field) {
            return caseInsensitiveCompare(field.first, "Location") == 0;
        });
        if (location == headers.end()) return true;  // nowhere to go: an answer like any other
        const auto target = resolveURL(currentURL, location->second);
        const auto from = originOf(currentURL);
        const auto to = target ? originOf(*target) : std::nullopt;
        const std::string& method = owner.request_.HTTPMethod();
        if (!to || !from) {
            redirectRefusal = "the server redirected to an address that cannot be used";
        } else if (*to != *from) {
            redirectRefusal = "the server redirected to another origin (" + *to + "); not followed";
        } else if (status == 303 && method != "GET" && method != "HEAD") {
            redirectRefusal = "the server redirected the " + method + " to a GET; not followed";
        } else {
            redirectTarget = *target;
            return true;
        }
        logf("URLConnection: %s", redirectRefusal.c_str());
        return false;
    }

    static size_t onWrite(char* buffer, size_t size, size_t count, void* userdata) {
        auto* self = static_cast<Transfer*>(userdata);
        const size_t length = size * count;
        self->touch();
        if (self->owner.cancelled_.load()) return 0;  // aborts the transfer
        // Counted before anything is handed on, so no more than the limit is ever held for the answer.
        const uint64_t limit = self->owner.request_.maximumResponseLength();
        if (length > limit - self->bodyReceived) {  // bodyReceived never passes the limit
            self->tooLong = true;
            return 0;
        }
        self->bodyReceived += length;
        if (self->redirectTarget) return length;  // a followed redirect's own text is not the answer
        self->deliverResponseIfNeeded();
        if (length > 0 && self->owner.delegate_) {
            self->owner.delegate_->connection_didReceiveData(self->owner, Data(buffer, length));
        }
        return length;
    }

    static size_t onRead(char* buffer, size_t size, size_t count, void* userdata) {
        auto* self = static_cast<Transfer*>(userdata);
        self->touch();
        if (self->owner.cancelled_.load()) return CURL_READFUNC_ABORT;
        const uint64_t wanted = std::min<uint64_t>(size * count, self->bodyLength - self->bodySent);
        if (wanted == 0) return 0;
        size_t got = 0;
        if (self->memoryBody) {
            std::copy_n(self->memoryBody->bytes() + self->bodySent, wanted, buffer);
            got = static_cast<size_t>(wanted);
        } else if (self->file) {
            got = fread(buffer, 1, static_cast<size_t>(wanted), self->file.get());
            if (got == 0) {
                // The file holds fewer bytes than the request promised: sending less would leave the
                // server waiting or accepting a truncated body, so the transfer fails instead.
                self->bodyShort = true;
                return CURL_READFUNC_ABORT;
            }
        }
        self->bodySent += got;
        return got;
    }

    // The transfer library asks for this when it must send the body again (a redirect, a connection
    // that closed before the answer).
    static int onSeek(void* userdata, curl_off_t offset, int origin) {
        auto* self = static_cast<Transfer*>(userdata);
        if (origin != SEEK_SET || offset < 0 || static_cast<uint64_t>(offset) > self->bodyLength)
            return CURL_SEEKFUNC_CANTSEEK;
        return self->rewindBodyTo(static_cast<uint64_t>(offset)) ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
    }

    bool rewindBodyTo(uint64_t offset) {
        if (file && fseeko(file.get(), static_cast<off_t>(offset), SEEK_SET) != 0) return false;
        bodySent = offset;
        return true;
    }

    static int onVerify(X509_STORE_CTX* ctx, void* arg) {
        auto* self = static_cast<Transfer*>(arg);
        self->touch();
        std::vector<Data> chain;
        X509* leaf = X509_STORE_CTX_get0_cert(ctx);
        if (leaf) chain.push_back(derOf(leaf));
        if (STACK_OF(X509)* sent = X509_STORE_CTX_get0_untrusted(ctx)) {
            for (int i = 0; i < sk_X509_num(sent); ++i) {
                X509* cert = sk_X509_value(sent, i);
                if (leaf && X509_cmp(cert, leaf) == 0) continue;
                chain.push_back(derOf(cert));
            }
        }
        ServerTrust trust(hostOfURL(self->currentURL), std::move(chain));
        AuthChallengeDisposition disposition = AuthChallengeDisposition::PerformDefaultHandling;
        if (self->owner.delegate_)
            disposition = self->owner.delegate_->connection_didReceiveServerTrust(self->owner, trust);
        switch (disposition) {
            case AuthChallengeDisposition::UseCredential:
                X509_STORE_CTX_set_error(ctx, X509_V_OK);
                return 1;
            case AuthChallengeDisposition::PerformDefaultHandling:
                // Only here do the system's roots take part: a delegate that decides for itself (the
                // kits' pinning) has the chain judged by its own anchors alone.
                if (verifyWithSystemRoots(ctx, self->easy.get())) return 1;
                self->trustFailure = TrustFailure::Untrusted;
                self->trustRefusal = X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx));
                return 0;
            case AuthChallengeDisposition::CancelChallenge:
                self->trustFailure = TrustFailure::Cancelled;
                return 0;
            case AuthChallengeDisposition::RejectProtectionSpace:
                break;
        }
        self->trustFailure = TrustFailure::Untrusted;
        return 0;
    }

    static CURLcode onSSLContext(CURL*, void* sslContext, void* userdata) {
        SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslContext), &Transfer::onVerify, userdata);
        return CURLE_OK;
    }

    // Runs the whole transfer; answers its failure, or none once the response has been delivered.
    std::optional<Error> execute() {
        if (owner.cancelled_.load()) return URLError::make(URLError::Cancelled, "cancelled");
        // Names in the reserved "invalid" domain never exist; they are answered at once, without asking a
        // name server (placeholder addresses use them, so that nothing is sent for them) and without
        // loading the transfer library.
        if (const auto host = reservedInvalidHostOf(owner.request_.URL())) {
            return URLError::make(URLError::CannotFindHost, "no such host: " + *host);
        }
        initialiseCurlOnce();
        if (const std::string host = toLowerASCII(hostOfURL(owner.request_.URL()));
            host == "invalid" || hasSuffix(host, ".invalid") || hasSuffix(host, ".invalid.")) {
            return URLError::make(URLError::CannotFindHost, "no such host: " + host);
        }
        if (auto refused = openBody()) return refused;
        easy.reset(curl_easy_init());
        multi.reset(curl_multi_init());
        if (!easy || !multi) return URLError::make(URLError::Unknown, "cannot create a transfer");
        configure();
        setHeaders();
        setMethodAndBody();
        // The request's time limits count from here: loading the transfer library and its one-time
        // set-up, which the first request of a process waits for (over a second on a busy machine), are
        // no part of the transfer, and a short limit would otherwise end it before anything was sent.
        started = SteadyClock::now();
        lastActivity = started;
        runAfterSetUp();
        return perform();
    }

    std::optional<Error> openBody() {
        const URLRequest& request = owner.request_;
        if (request.HTTPBody()) {
            memoryBody = &*request.HTTPBody();
            bodyLength = request.HTTPBody()->size();
        } else if (request.HTTPBodyFile()) {
            file.reset(fopen(request.HTTPBodyFile()->c_str(), "rb"));
            if (!file) {
                logf("URLConnection: cannot open the body file %s", request.HTTPBodyFile()->c_str());
                return URLError::make(URLError::FileDoesNotExist, "the body file cannot be opened");
            }
            bodyLength = request.HTTPBodyFileLength();
        }
        return std::nullopt;
    }

    double timeoutSeconds() const {
        const double timeout = owner.request_.timeoutInterval();
        return timeout > 0 ? timeout : URLRequest::kDefaultTimeoutInterval;
    }

    void configure() {
        CURL* handle = easy.get();
        curl_easy_setopt(handle, CURLOPT_URL, owner.request_.URL().c_str());
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        // Redirects are judged and followed here (acceptRedirect), not by the transfer library.
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        // An announced length over the limit fails before a byte of the body is read.
        curl_easy_setopt(
            handle, CURLOPT_MAXFILESIZE_LARGE,
            static_cast<curl_off_t>(std::min<uint64_t>(owner.request_.maximumResponseLength(), INT64_MAX)));
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::ceil(timeoutSeconds() * 1000)));
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &Transfer::onHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Transfer::onWrite);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, transferError);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
        // No certificate file or folder for libcurl to read into each transfer's TLS context: the chain
        // is judged in onVerify, against the process's shared system roots when it comes to them.
        curl_easy_setopt(handle, CURLOPT_CAINFO, static_cast<const char*>(nullptr));
        curl_easy_setopt(handle, CURLOPT_CAPATH, static_cast<const char*>(nullptr));
        curl_easy_setopt(handle, CURLOPT_SSL_CTX_FUNCTION, &Transfer::onSSLContext);
        curl_easy_setopt(handle, CURLOPT_SSL_CTX_DATA, this);
    }

    void appendHeaderLine(const std::string& line) {
        curl_slist* longer = curl_slist_append(headerList.get(), line.c_str());
        // The head changes only when the list was empty; a failed append leaves the list as it was.
        if (longer && !headerList) headerList.reset(longer);
    }

    void setHeaders() {
        const URLRequest& request = owner.request_;
        for (const auto& [name, value] : request.allHTTPHeaderFields()) {
            // The length on the wire is the body's own; a stated one that differed would corrupt the request.
            if (caseInsensitiveCompare(name, "Content-Length") == 0) continue;
            // A line break inside a header would let a value smuggle further header lines.
            if (name.find_first_of("\r\n:") != std::string::npos ||
                value.find_first_of("\r\n") != std::string::npos) {
                logf("URLConnection: header %s dropped: it holds a line break or colon", name.c_str());
                continue;
            }
            appendHeaderLine(value.empty() ? name + ";" : name + ": " + value);
        }
        appendHeaderLine("Expect:");  // no 100-continue round trip
        // A request carries the fields its caller set, not an "Accept" of the transfer library's choosing.
        if (!request.valueForHTTPHeaderField("Accept")) appendHeaderLine("Accept:");
        // A body goes out with the type the caller named, never one the transfer library guesses.
        if (!request.valueForHTTPHeaderField("Content-Type")) appendHeaderLine("Content-Type:");
        curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, headerList.get());
    }

    void setMethodAndBody() {
        CURL* handle = easy.get();
        const std::string& method = owner.request_.HTTPMethod();
        if (memoryBody || file) {
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(bodyLength));
            curl_easy_setopt(handle, CURLOPT_READFUNCTION, &Transfer::onRead);
            curl_easy_setopt(handle, CURLOPT_READDATA, this);
            curl_easy_setopt(handle, CURLOPT_SEEKFUNCTION, &Transfer::onSeek);
            curl_easy_setopt(handle, CURLOPT_SEEKDATA, this);
            if (method != "POST") curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
        } else if (method == "HEAD") {
            curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        } else if (method == "POST") {
            curl_easy_setopt(handle, CURLOPT_POST, 1L);
            curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(0));
            curl_easy_setopt(handle, CURLOPT_POSTFIELDS, "");
        } else if (method != "GET") {
            curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, method.c_str());
        }
    }

    // Drives the transfer, and the redirects it follows, to the answer.
    std::optional<Error> perform() {
        for (;;) {
            if (auto failure = performOnce()) return failure;
            if (!redirectTarget) break;
            if (++redirects > kMaximumRedirects)
                return URLError::make(URLError::HTTPTooManyRedirects, "too many redirects");
            currentURL = *redirectTarget;
            redirectTarget.reset();
            status = 0;
            headers.clear();
            bodyReceived = 0;
            // The same method, header fields and body go to the new address.
            if (!rewindBody()) {
                bodyShort = true;
                return errorFor(CURLE_READ_ERROR);
            }
            curl_easy_setopt(easy.get(), CURLOPT_URL, currentURL.c_str());
        }
        deliverResponseIfNeeded();  // needs the handle for the final address
        return std::nullopt;
    }

    bool rewindBody() { return rewindBodyTo(0); }

    // Drives one exchange until it ends, is cancelled, makes no progress for the time-out, or the whole
    // transfer has lasted as long as the request allows.
    std::optional<Error> performOnce() {
        const auto timeout = std::chrono::duration_cast<SteadyClock::duration>(
            std::chrono::duration<double>(timeoutSeconds()));
        const auto end = started + std::chrono::duration_cast<SteadyClock::duration>(
                                       std::chrono::duration<double>(owner.request_.maximumDuration()));
        curl_multi_add_handle(multi.get(), easy.get());
        {
            std::lock_guard lock(owner.wakeMutex_);
            owner.multi_ = multi.get();
        }
        // Asked again just before the request goes out, as the transfer's start asked: the quit may have
        // begun since, while the first transfer of a process waited for the transfer library to load and
        // set itself up (over a second on a busy machine), and a request sent now would reach its server
        // after the quit. A cancel that came meanwhile (cancelAllForQuit's among them) is seen below,
        // before anything is sent.
        if (Quit::hasBegun()) owner.cancelled_.store(true);
        touch();
        int running = 1;
        for (;;) {
            if (owner.cancelled_.load()) break;
            if (curl_multi_perform(multi.get(), &running) != CURLM_OK || running == 0) break;
            if (owner.cancelled_.load()) break;
            const auto deadline = std::min(lastActivity + timeout, end);
            const auto now = SteadyClock::now();
            if (now >= deadline) {
                timedOut = true;
                outlasted = now >= end;
                break;
            }
            const auto wait =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count() + 1;
            curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(std::min<long long>(wait, 1000)),
                            nullptr);
        }
        {
            std::lock_guard lock(owner.wakeMutex_);
            owner.multi_ = nullptr;
        }

        CURLcode result = CURLE_OK;
        bool ended = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                ended = true;
            }
        }
        curl_multi_remove_handle(multi.get(), easy.get());

        if (!ended || result != CURLE_OK || owner.cancelled_.load())
            return errorFor(ended ? result : CURLE_ABORTED_BY_CALLBACK);
        return std::nullopt;
    }

    Error errorFor(CURLcode code) const {
        const std::string text = curl_easy_strerror(code);
        if (owner.cancelled_.load() || trustFailure == TrustFailure::Cancelled)
            return URLError::make(URLError::Cancelled, "cancelled");
        if (!redirectRefusal.empty()) return URLError::make(URLError::RedirectRefused, redirectRefusal);
        if (tooLong || code == CURLE_FILESIZE_EXCEEDED)
            return URLError::make(
                URLError::DataLengthExceedsMaximum,
                format("the answer is longer than the %llu bytes allowed",
                       static_cast<unsigned long long>(owner.request_.maximumResponseLength())));
        if (outlasted)
            return URLError::make(URLError::TimedOut, format("The request did not finish within %g seconds.",
                                                             owner.request_.maximumDuration()));
        if (timedOut || code == CURLE_OPERATION_TIMEDOUT)
            return URLError::make(URLError::TimedOut, "The request timed out.");
        if (bodyShort)
            return URLError::make(URLError::RequestBodyStreamExhausted,
                                  "the body file is shorter than stated");
        if (trustFailure == TrustFailure::Untrusted)
            return URLError::make(URLError::ServerCertificateUntrusted,
                                  "the server's certificate is not trusted" +
                                      (trustRefusal.empty() ? std::string() : ": " + trustRefusal));
        switch (code) {
            case CURLE_URL_MALFORMAT:
                return URLError::make(URLError::BadURL, text);
            case CURLE_UNSUPPORTED_PROTOCOL:
                return URLError::make(URLError::UnsupportedURL, text);
            case CURLE_COULDNT_RESOLVE_HOST:
            case CURLE_COULDNT_RESOLVE_PROXY:
                return URLError::make(URLError::CannotFindHost, text);
            case CURLE_COULDNT_CONNECT:
                return URLError::make(URLError::CannotConnectToHost, text);
            case CURLE_TOO_MANY_REDIRECTS:
                return URLError::make(URLError::HTTPTooManyRedirects, text);
            case CURLE_WEIRD_SERVER_REPLY:
            case CURLE_BAD_CONTENT_ENCODING:
                return URLError::make(URLError::BadServerResponse, text);
            case CURLE_PEER_FAILED_VERIFICATION:
                // libcurl's own checks after the chain was trusted (the host name) say what failed.
                return URLError::make(URLError::ServerCertificateUntrusted,
                                      transferError[0] ? std::string(transferError) : text);
            case CURLE_SSL_CONNECT_ERROR:
            case CURLE_SSL_CERTPROBLEM:
            case CURLE_SSL_CIPHER:
            case CURLE_SSL_CACERT_BADFILE:
            case CURLE_SSL_ENGINE_NOTFOUND:
            case CURLE_SSL_ENGINE_SETFAILED:
                return URLError::make(URLError::SecureConnectionFailed, text);
            case CURLE_SEND_ERROR:
            case CURLE_RECV_ERROR:
            case CURLE_GOT_NOTHING:
            case CURLE_PARTIAL_FILE:
            case CURLE_HTTP2:
            case CURLE_HTTP2_STREAM:
                return URLError::make(URLError::NetworkConnectionLost, text);
            case CURLE_READ_ERROR:
                return URLError::make(URLError::RequestBodyStreamExhausted, text);
            default:
                return URLError::make(URLError::Unknown, text);
        }
    }
};

std::shared_ptr<URLConnection> URLConnection::connectionWithRequest(
    URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate) {
    return std::make_shared<URLConnection>(std::move(request), std::move(delegate));
}

URLConnection::URLConnection(URLRequest request, std::shared_ptr<URLConnectionDelegate> delegate)
    : request_(std::move(request)), delegate_(std::move(delegate)) {}

URLConnection::~URLConnection() = default;

void URLConnection::start() {
    if (started_.exchange(true)) return;
    // Kept off the global queue's workers: a transfer waits on its server for as long as it takes, and
    // its trust callback may wait on a serial queue, which needs one of those workers to run.
    DispatchQueue::waitingOnTheOutside().async([self = shared_from_this()] {
        self->run();
        // The worker goes back to the pool, where it may wait idle until the quit ends it: what OpenSSL
        // keeps for the thread (its error queue, its random generators, some 6 kB) is released now, when
        // no OpenSSL work is under way on it, and made anew by the next handshake here, rather than held
        // by every worker that ever made a request for the rest of the run. A worker the quit ends would
        // let go of it then in any case, before OpenSSL's own clean-up at exit.
        OPENSSL_thread_stop();
    });
}

void URLConnection::cancel() {
    cancelled_.store(true);
    std::lock_guard lock(wakeMutex_);
    if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void URLConnection::SynchronousCancellation::cancel() {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (running_) running_->cancel();
}

bool URLConnection::SynchronousCancellation::isCancelled() const {
    std::lock_guard lock(mutex_);
    return cancelled_;
}

void URLConnection::cancelAllForQuit() {
    auto& transfers = runningTransfers();
    std::lock_guard lock(transfers.mutex);
    if (!transfers.quitting && !transfers.running.empty())
        logf("URLConnection: quitting; the %zu transfers under way end now", transfers.running.size());
    transfers.quitting = true;
    // Each stays registered, and so alive, until its run() takes it off under this lock.
    for (URLConnection* connection : transfers.running) connection->cancel();
}

void URLConnection::setAfterSetUpForTesting(std::function<void()> hook) {
    std::lock_guard lock(afterSetUp().mutex);
    afterSetUp().hook = std::move(hook);
}

URLConnection::SynchronousResult URLConnection::sendSynchronousRequest(
    const URLRequest& request, std::shared_ptr<URLConnectionDelegate> trustDelegate,
    SynchronousCancellation* cancellation) {
    auto collector = std::make_shared<Collector>(std::move(trustDelegate));
    URLConnection connection(request, collector);
    connection.started_.store(true);
    if (cancellation) {
        // Known to the cancellation while it runs, so that a cancel from another thread reaches it; one
        // that came before is this send's too.
        std::lock_guard lock(cancellation->mutex_);
        if (cancellation->cancelled_) connection.cancelled_.store(true);
        cancellation->running_ = &connection;
    }
    connection.run();
    if (cancellation) {
        std::lock_guard lock(cancellation->mutex_);
        cancellation->running_ = nullptr;
    }
    return std::move(collector->result);
}

void URLConnection::run() {
    // What OpenSSL puts on this thread's error queue during the transfer goes with it (libcurl leaves some
    // behind when a handshake fails): the thread is a worker that may run other work until the quit, or
    // the caller's own thread, where an error left behind keeps its text allocated and would pass for the
    // cause of a later failure.
    ERR_set_mark();
    auto& transfers = runningTransfers();
    {
        std::lock_guard lock(transfers.mutex);
        // Begun once the quit has begun (the rest of a start-up the signal caught, say): it would only be
        // cut short, so it ends before anything is sent, as one begun after cancelAllForQuit does.
        if (transfers.quitting || Quit::hasBegun()) cancelled_.store(true);
        transfers.running.insert(this);
    }
    std::optional<Error> error;
    {
        Transfer transfer(*this);
        error = transfer.execute();
    }  // the handles, the header list and the body file are released before the delegate hears the end
    {
        std::lock_guard lock(transfers.mutex);
        transfers.running.erase(this);
    }
    ERR_pop_to_mark();
    auto delegate = delegate_;
    if (error) {
        if (delegate) delegate->connection_didFailWithError(*this, *error);
    } else {
        if (delegate) delegate->connectionDidFinishLoading(*this);
    }
    delegate_.reset();  // the transfer has ended: the delegate is no longer needed
}

}  // namespace platform
