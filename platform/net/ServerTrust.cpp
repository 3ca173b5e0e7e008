#include "platform/net/ServerTrust.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>
#include <optional>

#include "platform/base/Log.h"
#include "platform/net/SystemRoots.h"

namespace platform {

namespace {

struct X509Free {
    void operator()(X509* x) const { X509_free(x); }
};
using X509Ptr = std::unique_ptr<X509, X509Free>;

X509Ptr parse(const Data& der) {
    const unsigned char* p = der.bytes();
    if (der.empty()) return nullptr;
    X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
    if (cert && p != der.bytes() + der.size()) return nullptr;  // trailing bytes: not one certificate
    return cert;
}

bool isIPAddress(const std::string& host) {
    return host.find_first_not_of("0123456789.") == std::string::npos || host.find(':') != std::string::npos;
}

// The security level of a TLS context made as the transfers' are, by the configuration OpenSSL reads: a
// handshake checks the server's chain at it (a root's key too weak for it is refused), once a process.
int securityLevelOfTransfers() {
    static const int level = [] {
        ERR_set_mark();
        SSL_CTX* context = SSL_CTX_new(TLS_client_method());
        const int found = context ? SSL_CTX_get_security_level(context) : -1;
        SSL_CTX_free(context);
        ERR_pop_to_mark();
        return found;
    }();
    return level;
}

}  // namespace

ServerTrust::Result ServerTrust::evaluateWithAnchors(const std::vector<Data>& anchors,
                                                     bool anchorsOnly) const {
    // A chain that does not read or verify leaves its reasons on this thread's error queue; they are taken
    // off on the way out, and only they: the check may run inside a handshake, whose own entries stay.
    struct OwnErrorsTakenOff {
        OwnErrorsTakenOff() { ERR_set_mark(); }
        ~OwnErrorsTakenOff() { ERR_pop_to_mark(); }
    } ownErrors;
    if (chain_.empty()) return Invalid;
    std::vector<X509Ptr> certificates;
    for (const Data& der : chain_) {
        X509Ptr cert = parse(der);
        if (!cert) {
            logf("ServerTrust: the server's certificate chain for %s cannot be read", host_.c_str());
            return Invalid;
        }
        certificates.push_back(std::move(cert));
    }

    // The system's roots, read as the transfers' checks read them (OpenSSL's built-in places stand in for
    // libcurl's, which only a loaded libcurl could name): a lookup of the store, asked for the names the
    // check reaches; a file that is no regular file, or too large, is never read. Read anew for each
    // evaluation, bundle and all, as SSL_CERT_FILE and SSL_CERT_DIR say then (tests name roots of their own
    // there one after another), where the transfers keep the bundle they read first: the application's one
    // caller, the kits' pinning, judges by its anchors alone and reads none of them. Made before the store,
    // which refers to it until it goes.
    std::optional<SystemRoots> systemRoots;
    if (!anchorsOnly) systemRoots.emplace(X509_get_default_cert_file(), X509_get_default_cert_dir());
    std::unique_ptr<X509_STORE, decltype(&X509_STORE_free)> store(X509_STORE_new(), X509_STORE_free);
    std::unique_ptr<STACK_OF(X509), void (*)(STACK_OF(X509)*)> intermediates(
        sk_X509_new_null(), [](STACK_OF(X509) * s) { sk_X509_free(s); });
    std::unique_ptr<X509_STORE_CTX, decltype(&X509_STORE_CTX_free)> ctx(X509_STORE_CTX_new(),
                                                                        X509_STORE_CTX_free);
    if (!store || !intermediates || !ctx) return Invalid;
    if (systemRoots && !systemRoots->addLookupTo(store.get())) return Invalid;
    for (size_t i = 1; i < certificates.size(); ++i) sk_X509_push(intermediates.get(), certificates[i].get());
    for (const Data& der : anchors) {
        X509Ptr anchor = parse(der);
        if (!anchor) {
            logf("ServerTrust: an anchor certificate cannot be read");
            return Invalid;
        }
        X509_STORE_add_cert(store.get(), anchor.get());  // the store takes its own reference
    }

    if (X509_STORE_CTX_init(ctx.get(), store.get(), certificates[0].get(), intermediates.get()) != 1)
        return Invalid;
    X509_VERIFY_PARAM* param = X509_STORE_CTX_get0_param(ctx.get());
    // For a TLS server's use: its purpose, and the roots' trust settings for it (a root marked rejected
    // for a server's use, or trusted for a client's only, ends no chain). The anchors carry no trust
    // settings: they are judged as before, a self-signed one trusted for any use.
    X509_STORE_CTX_set_default(ctx.get(), "ssl_server");
    if (!anchorsOnly) {
        // As a transfer's handshake has its chain left to the system's roots judged (see
        // verifyWithSystemRoots): at the handshake's security level, and, as libcurl has it, ending at
        // whichever certificate the roots hold, a stored intermediate as well as a root.
        X509_VERIFY_PARAM_set_flags(param, X509_V_FLAG_PARTIAL_CHAIN);
        if (const int level = securityLevelOfTransfers(); level >= 0)
            X509_VERIFY_PARAM_set_auth_level(param, level);
    }
    if (!host_.empty()) {
        if (isIPAddress(host_)) {
            X509_VERIFY_PARAM_set1_ip_asc(param, host_.c_str());
        } else {
            X509_VERIFY_PARAM_set1_host(param, host_.c_str(), host_.size());
        }
    }
    const int verified = X509_verify_cert(ctx.get());
    if (verified == 1) return Proceed;
    logf("ServerTrust: the chain of %s does not verify: %s", host_.c_str(),
         X509_verify_cert_error_string(X509_STORE_CTX_get_error(ctx.get())));
    return RecoverableTrustFailure;
}

}  // namespace platform
