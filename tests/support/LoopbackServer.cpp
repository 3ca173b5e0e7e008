#include "tests/support/LoopbackServer.h"

#include <httplib.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "platform/base/Strings.h"

#if defined(__SANITIZE_THREAD__)
// The packaged cpp-httplib is built without the thread sanitizer, so the sanitizer cannot see how the
// library's own threads synchronise: their accesses, seen through the C library functions the library
// calls (memcpy, memcmp), were reported as racing. This server stands in for a remote peer: what runs
// on its threads is the library and this file, never the code under test. Its threads therefore leave
// their memory accesses unchecked (their locks and the closing of their connections stay seen), and
// the code under test, on threads of its own, stays checked whole. Only reports whose racing access
// lies in the library's own code are dropped everywhere (race_top), so that a handler of ours on the
// library's threads elsewhere stays checked; fontconfig, which Pango drives from a worker thread of its
// own, is seen only through its calls into the C library, and those are dropped. tests/tsan.supp says
// the same for `make tsan`.
extern "C" const char* __tsan_default_suppressions() {
    return "race_top:libcpp-httplib.so\ncalled_from_lib:libfontconfig.so\n";
}
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace {
#if defined(__SANITIZE_THREAD__)
// Runs the accept loop with its accesses unchecked; a thread may not end so.
void listenUnchecked(httplib::Server& server) {
    __tsan_ignore_thread_begin();
    server.listen_after_bind();
    __tsan_ignore_thread_end();
}
#else
void listenUnchecked(httplib::Server& server) {
    server.listen_after_bind();
}
#endif

// The library's pool of request threads. After each request a thread lets go of what OpenSSL keeps for
// it (the error queue a handshake makes): the threads end when the server stops, and a thread that ends
// after OpenSSL's own clean-up at exit, whose keys then no longer lead to that state, leaves it to the
// leak check at exit. Under the thread sanitizer each request also runs with its accesses unchecked.
class RequestThreadPool : public httplib::ThreadPool {
public:
    using httplib::ThreadPool::ThreadPool;
    void enqueue(std::function<void()> fn) override {
        httplib::ThreadPool::enqueue([fn = std::move(fn)] {
#if defined(__SANITIZE_THREAD__)
            __tsan_ignore_thread_begin();
            fn();
            __tsan_ignore_thread_end();
#else
            fn();
#endif
            OPENSSL_thread_stop();
        });
    }
};

void useRequestThreadPool(httplib::Server& server) {
    server.new_task_queue = [] { return new RequestThreadPool(CPPHTTPLIB_THREAD_POOL_COUNT); };
}
}  // namespace

namespace testsupport {

namespace {
const std::string kHiddenContentType = "X-Loopback-Multipart-Content-Type";
}  // namespace

std::optional<std::string> LoopbackServer::Request::header(const std::string& name) const {
    for (const auto& [key, value] : headers)
        if (platform::caseInsensitiveCompare(key, name) == 0) return value;
    return std::nullopt;
}

LoopbackServer::LoopbackServer() = default;

LoopbackServer::~LoopbackServer() {
    stop();
}

bool LoopbackServer::start() {
    tls_ = false;
    return run(std::make_unique<httplib::Server>());
}

bool LoopbackServer::startTLS(const Identity& identity) {
    tls_ = true;
    // The certificate file may hold a chain; the library's path constructor would send only its first
    // certificate, so the context is set up here.
    const std::string certificatePath = identity.certificatePath;
    const std::string keyPath = identity.keyPath;
    auto server = std::make_unique<httplib::SSLServer>([certificatePath, keyPath](SSL_CTX& context) {
        return SSL_CTX_use_certificate_chain_file(&context, certificatePath.c_str()) == 1 &&
               SSL_CTX_use_PrivateKey_file(&context, keyPath.c_str(), SSL_FILETYPE_PEM) == 1 &&
               SSL_CTX_check_private_key(&context) == 1;
    });
    if (!server->is_valid()) return false;
    return run(std::move(server));
}

bool LoopbackServer::run(std::unique_ptr<httplib::Server> server) {
    if (server_) return false;
    server_ = std::move(server);
    useRequestThreadPool(*server_);
    // One request per connection: a client that has gone keeps no server thread waiting for more.
    server_->set_keep_alive_max_count(1);
    if (readTimeoutSeconds_ > 0)
        server_->set_read_timeout(std::chrono::duration<double>(readTimeoutSeconds_));
    auto handler = [this](const httplib::Request& req, httplib::Response& res) {
        Request recorded;
        recorded.method = req.method;
        recorded.path = req.path;
        recorded.target = req.target;
        for (const auto& [key, value] : req.headers) {
            // The library files the connection's addresses among the headers; no client sent them.
            if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" || key == "LOCAL_PORT")
                continue;
            recorded.headers.emplace_back(key == kHiddenContentType ? "Content-Type" : key, value);
        }
        recorded.body = req.body;
        int status = 200;
        HeaderFields headers;
        std::string body;
        bool drop = false;
        answer(recorded, status, headers, body, drop);
        res.status = status;
        std::string contentType = "text/plain";
        for (const auto& [key, value] : headers) {
            if (platform::caseInsensitiveCompare(key, "Content-Type") == 0) {
                contentType = value;
            } else {
                res.set_header(key, value);
            }
        }
        if (drop) {
            res.set_content_provider(body.size() + 1, contentType.c_str(),
                                     [](size_t, size_t, httplib::DataSink&) { return false; });
            return;
        }
        res.set_content(body, contentType.c_str());
    };
    // The library would take a multipart body apart (or refuse one it cannot parse) before a handler
    // sees it; tests want the bytes as sent. The request is the library's own mutable object, handed
    // over as const: its type is renamed for the library's reading and restored in the record.
    server_->set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        auto& headers = const_cast<httplib::Request&>(req).headers;
        auto it = headers.find("Content-Type");
        if (it != headers.end() && platform::hasPrefix(platform::toLowerASCII(it->second), "multipart/")) {
            std::string value = it->second;
            headers.erase(it);
            headers.emplace(kHiddenContentType, value);
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    const std::string all = ".*";
    server_->Get(all, handler);
    server_->Post(all, handler);
    server_->Put(all, handler);
    server_->Patch(all, handler);
    server_->Delete(all, handler);
    server_->Options(all, handler);
    // The socket listens once bound, so a client may connect before the accept loop has started.
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        server_.reset();
        return false;
    }
    thread_ = std::thread([s = server_.get()] { listenUnchecked(*s); });
    // stop() only takes effect once the accept loop runs; it starts within moments of the thread.
    while (!server_->is_running()) std::this_thread::yield();
    return true;
}

void LoopbackServer::stop() {
    {
        std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    stopping_.notify_all();
    if (server_) server_->stop();
    if (thread_.joinable()) thread_.join();
    server_.reset();
}

std::string LoopbackServer::baseURL() const {
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void LoopbackServer::enqueue(Answer answer) {
    std::lock_guard lock(mutex_);
    answers_.push_back(std::move(answer));
}

void LoopbackServer::enqueue(const std::string& path, Answer answer) {
    std::lock_guard lock(mutex_);
    pathAnswers_[path].push_back(std::move(answer));
}

void LoopbackServer::setDefaultAnswer(Answer answer) {
    std::lock_guard lock(mutex_);
    defaultAnswer_ = std::move(answer);
}

std::vector<LoopbackServer::Request> LoopbackServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t LoopbackServer::requestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

bool LoopbackServer::waitForRequests(size_t count, double timeoutSeconds) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                             [&] { return requests_.size() >= count; });
}

bool LoopbackServer::waitForHeldAnswers(size_t count, double timeoutSeconds) const {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::duration<double>(timeoutSeconds),
                             [&] { return holding_ >= count; });
}

void LoopbackServer::releaseHeldAnswers() {
    {
        std::lock_guard lock(mutex_);
        ++releases_;
    }
    stopping_.notify_all();
}

void LoopbackServer::answer(const Request& request, int& status, HeaderFields& headers, std::string& body,
                            bool& drop) {
    Answer next;
    {
        std::unique_lock lock(mutex_);
        requests_.push_back(request);
        arrived_.notify_all();
        auto it = pathAnswers_.find(request.path);
        if (it != pathAnswers_.end() && !it->second.empty()) {
            next = std::move(it->second.front());
            it->second.pop_front();
        } else if (!answers_.empty()) {
            next = std::move(answers_.front());
            answers_.pop_front();
        } else {
            next = defaultAnswer_;
        }
        if (next.delaySeconds > 0) {
            stopping_.wait_for(lock, std::chrono::duration<double>(next.delaySeconds),
                               [&] { return stopped_; });
        }
        if (next.held) {
            const uint64_t release = releases_;
            ++holding_;
            arrived_.notify_all();
            stopping_.wait_for(lock, std::chrono::duration<double>(next.holdLimitSeconds),
                               [&] { return stopped_ || releases_ != release; });
            --holding_;
        }
    }
    status = next.status;
    headers = std::move(next.headers);
    body = std::move(next.body);
    drop = next.dropConnection;
}

std::optional<LoopbackServer::Identity> LoopbackServer::makeSelfSignedIdentity(const std::string& folder,
                                                                               const std::string& host) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    std::optional<Identity> identity;
    if (key && cert) {
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 30);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(host.c_str()), -1, -1, 0);
        X509_set_issuer_name(cert, name);
        const bool isAddress = host.find_first_not_of("0123456789.") == std::string::npos;
        const std::string san = (isAddress ? "IP:" : "DNS:") + host;
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
        for (auto [nid, value] : {std::pair{NID_subject_alt_name, san.c_str()},
                                  std::pair{NID_basic_constraints, "critical,CA:TRUE"},
                                  std::pair{NID_key_usage, "critical,digitalSignature,keyCertSign"}}) {
            if (X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value)) {
                X509_add_ext(cert, ext, -1);
                X509_EXTENSION_free(ext);
            }
        }
        if (X509_sign(cert, key, EVP_sha256()) > 0) {
            Identity made{folder + "/server-cert.pem", folder + "/server-key.pem", {}, {}};
            FILE* certFile = fopen(made.certificatePath.c_str(), "wb");
            FILE* keyFile = fopen(made.keyPath.c_str(), "wb");
            bool written = certFile && keyFile && PEM_write_X509(certFile, cert) == 1 &&
                           PEM_write_PrivateKey(keyFile, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
            if (certFile) fclose(certFile);
            if (keyFile) fclose(keyFile);
            unsigned char* der = nullptr;
            int length = i2d_X509(cert, &der);
            if (written && length > 0) {
                made.certificateDER = platform::Data(der, static_cast<size_t>(length));
                made.chainDER = {made.certificateDER};
                identity = std::move(made);
            }
            OPENSSL_free(der);
        }
    }
    X509_free(cert);
    EVP_PKEY_free(key);
    return identity;
}

namespace {

struct Made {
    EVP_PKEY* key = nullptr;
    X509* certificate = nullptr;
    Made() = default;
    Made(const Made&) = delete;
    Made& operator=(const Made&) = delete;
    ~Made() {
        X509_free(certificate);
        EVP_PKEY_free(key);
    }
};

std::string pemOfCertificate(X509* certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    std::string pem;
    if (bio && PEM_write_bio_X509(bio, certificate) == 1) {
        char* bytes = nullptr;
        long length = BIO_get_mem_data(bio, &bytes);
        pem.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(bio);
    return pem;
}

std::string pemOfKey(EVP_PKEY* key) {
    BIO* bio = BIO_new(BIO_s_mem());
    std::string pem;
    if (bio && PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1) {
        char* bytes = nullptr;
        long length = BIO_get_mem_data(bio, &bytes);
        pem.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(bio);
    return pem;
}

platform::Data derOf(X509* certificate) {
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    platform::Data data;
    if (length > 0) data = platform::Data(der, static_cast<size_t>(length));
    OPENSSL_free(der);
    return data;
}

// A new key and a certificate for it, signed by the issuer (itself when none is given). An authority
// may sign others; a server certificate names its host and what it may be used for.
bool makeCertificate(Made& made, const std::string& commonName, bool authority, const std::string& host,
                     X509* issuer, EVP_PKEY* issuerKey, long serial,
                     const std::string& extendedKeyUsage = "serverAuth") {
    made.key = EVP_EC_gen("P-256");
    made.certificate = X509_new();
    if (!made.key || !made.certificate) return false;
    X509* cert = made.certificate;
    X509_set_version(cert, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 3600L * 24 * 30);
    X509_set_pubkey(cert, made.key);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                               reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
    std::vector<std::pair<int, std::string>> extensions;
    if (authority) {
        extensions = {{NID_basic_constraints, "critical,CA:TRUE"},
                      {NID_key_usage, "critical,keyCertSign,cRLSign"},
                      {NID_subject_key_identifier, "hash"}};
    } else {
        const bool isAddress = host.find_first_not_of("0123456789.") == std::string::npos;
        extensions = {{NID_subject_alt_name, (isAddress ? "IP:" : "DNS:") + host},
                      {NID_basic_constraints, "critical,CA:FALSE"},
                      {NID_key_usage, "critical,digitalSignature"},
                      {NID_ext_key_usage, extendedKeyUsage}};
    }
    if (issuer) extensions.emplace_back(NID_authority_key_identifier, "keyid:always");
    for (const auto& [nid, value] : extensions) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
        if (!ext) return false;
        X509_add_ext(cert, ext, -1);
        X509_EXTENSION_free(ext);
    }
    return X509_sign(cert, issuerKey ? issuerKey : made.key, EVP_sha256()) > 0;
}

}  // namespace

std::optional<LoopbackServer::Authority> LoopbackServer::makeRootAuthority(const std::string& commonName) {
    Made root;
    if (!makeCertificate(root, commonName, true, "", nullptr, nullptr, 1)) return std::nullopt;
    Authority authority{commonName, pemOfCertificate(root.certificate), pemOfKey(root.key),
                        derOf(root.certificate)};
    if (authority.certificatePEM.empty() || authority.keyPEM.empty() || authority.certificateDER.empty())
        return std::nullopt;
    return authority;
}

std::string LoopbackServer::hashedName(const Authority& root) {
    const unsigned char* bytes = root.certificateDER.bytes();
    X509* certificate = d2i_X509(nullptr, &bytes, static_cast<long>(root.certificateDER.size()));
    if (!certificate) return "";
    char name[16];
    snprintf(name, sizeof name, "%08lx.0", X509_subject_name_hash(certificate));
    X509_free(certificate);
    return name;
}

std::optional<LoopbackServer::Identity> LoopbackServer::makeIdentitySignedBy(
    const Authority& root, const std::string& folder, const std::string& host,
    const std::string& extendedKeyUsage) {
    BIO* certificateBio =
        BIO_new_mem_buf(root.certificatePEM.data(), static_cast<int>(root.certificatePEM.size()));
    BIO* keyBio = BIO_new_mem_buf(root.keyPEM.data(), static_cast<int>(root.keyPEM.size()));
    X509* rootCertificate =
        certificateBio ? PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr) : nullptr;
    EVP_PKEY* rootKey = keyBio ? PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr) : nullptr;
    BIO_free(certificateBio);
    BIO_free(keyBio);
    std::optional<Identity> identity;
    Made intermediate;
    Made leaf;
    if (rootCertificate && rootKey &&
        makeCertificate(intermediate, root.commonName + " Intermediate", true, "", rootCertificate, rootKey,
                        2) &&
        makeCertificate(leaf, host, false, host, intermediate.certificate, intermediate.key, 3,
                        extendedKeyUsage)) {
        std::error_code ignored;
        std::filesystem::create_directories(folder, ignored);
        Identity made{folder + "/chain-cert.pem",
                      folder + "/chain-key.pem",
                      derOf(leaf.certificate),
                      {derOf(leaf.certificate), derOf(intermediate.certificate)}};
        FILE* certificateFile = fopen(made.certificatePath.c_str(), "wb");
        FILE* keyFile = fopen(made.keyPath.c_str(), "wb");
        const bool written =
            certificateFile && keyFile && PEM_write_X509(certificateFile, leaf.certificate) == 1 &&
            PEM_write_X509(certificateFile, intermediate.certificate) == 1 &&
            PEM_write_PrivateKey(keyFile, leaf.key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
        if (certificateFile) fclose(certificateFile);
        if (keyFile) fclose(keyFile);
        if (written) identity = std::move(made);
    }
    X509_free(rootCertificate);
    EVP_PKEY_free(rootKey);
    return identity;
}

}  // namespace testsupport
