#include <openssl/err.h>
#include <openssl/obj_mac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/net/ServerTrust.h"
#include "platform/net/SystemRoots.h"
#include "platform/net/URLConnection.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/TestEnvironment.h"
#include "tests/support/TestRoots.h"

using platform::Data;
using platform::ServerTrust;
using platform::SystemRoots;
using platform::URLConnection;
using platform::URLRequest;
using testsupport::LoopbackServer;
using testsupport::TestRoots;

namespace {

std::string pemOfDER(const Data& der) {
    const unsigned char* at = der.bytes();
    X509* certificate = d2i_X509(nullptr, &at, static_cast<long>(der.size()));
    BIO* text = BIO_new(BIO_s_mem());
    std::string pem;
    char* bytes = nullptr;
    if (certificate && text && PEM_write_bio_X509(text, certificate) == 1) {
        const long length = BIO_get_mem_data(text, &bytes);
        if (length > 0) pem.assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(text);
    X509_free(certificate);
    return pem;
}

// An entry put in the certificate folder by hand: under the hash of the subject of `under` (a certificate,
// PEM), the first number free, holding `text`; a folder when there is none.
struct Filed {
    std::string under;
    std::optional<std::string> text;
};

bool fileEntry(const std::string& folder, const Filed& entry) {
    char hash[16];
    snprintf(hash, sizeof hash, "%08lx", TestRoots::subjectHashOf(entry.under));
    for (int number = 0; number < 64; ++number) {
        const std::string path = folder + "/" + hash + "." + std::to_string(number);
        std::error_code ignored;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) continue;
        if (!entry.text) return std::filesystem::create_directory(path);
        return static_cast<bool>(std::ofstream(path) << *entry.text);
    }
    return false;
}

// One arrangement of a root's copies: what the bundle holds of it, in file order, and what the certificate
// folder holds, in numbered order (".0", ".1"...), each under its own subject's hash, after the entries
// filed by hand; and the chain a server of that root sends.
struct Case {
    std::string name;
    std::vector<std::string> bundle;
    std::vector<Filed> filed;
    std::vector<std::string> folder;
    LoopbackServer::Identity identity;
    bool trusted;  // as OpenSSL's own loading of the same files judges the chain
};

// Each case has a root of its own, and all of them lie in one bundle and one folder, as the system has
// one of each: the transfers read the bundle once a process.
class SystemRootsTrustSettingsTest : public testsupport::KestruneTest {
protected:
    void SetUp() override {
        KestruneTest::SetUp();
        bundle = home() + "/roots.pem";
        folder = home() + "/certs";
        ASSERT_TRUE(std::filesystem::create_directories(folder));
        setenv(X509_get_default_cert_file_env(), bundle.c_str(), 1);
        setenv(X509_get_default_cert_dir_env(), folder.c_str(), 1);
        makeCases();
        ASSERT_EQ(cases.size(), 23u);
        std::ofstream text(bundle);
        for (const auto& c : cases) {
            for (const auto& pem : c.bundle) text << pem;
            for (const auto& entry : c.filed) ASSERT_TRUE(fileEntry(folder, entry)) << c.name;
            for (const auto& pem : c.folder)
                ASSERT_FALSE(
                    TestRoots::addToFolder(folder, TestRoots::Root{pem, TestRoots::subjectHashOf(pem)})
                        .empty());
        }
        ASSERT_TRUE(text.flush());
    }

    // A case's root, plain and with trust settings, and the intermediate and certificate its server sends.
    struct Forms {
        std::string plain, rejected, forClients, forServers, intermediate, server;
    };

    void makeCases() {
        const auto add = [&](const std::string& name, bool trusted, auto arrange,
                             std::optional<LoopbackServer::Authority> root = std::nullopt) {
            if (!root)
                root = LoopbackServer::makeRootAuthority("Kestrune Trust Settings Root " +
                                                         std::to_string(cases.size()));
            ASSERT_TRUE(root);
            const auto identity =
                LoopbackServer::makeIdentitySignedBy(*root, home() + "/chain" + std::to_string(cases.size()));
            ASSERT_TRUE(identity);
            const std::string& plain = root->certificatePEM;
            const Forms forms{plain,
                              TestRoots::withTrustSettings(plain, {}, {NID_server_auth}),
                              TestRoots::withTrustSettings(plain, {NID_client_auth}, {}),
                              TestRoots::withTrustSettings(plain, {NID_server_auth}, {}),
                              pemOfDER(identity->chainDER.at(1)),
                              pemOfDER(identity->chainDER.at(0))};
            ASSERT_FALSE(forms.rejected.empty() || forms.forClients.empty() || forms.forServers.empty() ||
                         forms.intermediate.empty() || forms.server.empty());
            Case made{name, {}, {}, {}, *identity, trusted};
            arrange(made, forms);
            cases.push_back(std::move(made));
        };
        add("a root rejected for a server's use, then a plain copy", false, [](Case& c, const Forms& f) {
            c.bundle = {f.rejected, f.plain};
        });
        add("a plain root, then a copy rejected for a server's use", true, [](Case& c, const Forms& f) {
            c.bundle = {f.plain, f.rejected};
        });
        add("a root trusted for a client's use only, then a plain copy", false, [](Case& c, const Forms& f) {
            c.bundle = {f.forClients, f.plain};
        });
        add("a plain root, then a copy trusted for a client's use only", true, [](Case& c, const Forms& f) {
            c.bundle = {f.plain, f.forClients};
        });
        add("a root rejected for a server's use, alone", false,
            [](Case& c, const Forms& f) { c.bundle = {f.rejected}; });
        add("a root trusted for a server's use only", true,
            [](Case& c, const Forms& f) { c.bundle = {f.forServers}; });
        add("the chain's intermediate, without its root", true,
            [](Case& c, const Forms& f) { c.bundle = {f.intermediate}; });
        add(
            "a root whose key is too weak for the handshake", false,
            [](Case& c, const Forms& f) { c.bundle = {f.plain}; },
            TestRoots::rootWithRSAKey("Kestrune Weak Trust Settings Root", 512));
        add("the folder's .0 rejected for a server's use, its .1 a plain copy", false,
            [](Case& c, const Forms& f) {
                c.folder = {f.rejected, f.plain};
            });
        add("the folder's .0 a plain root, its .1 a copy rejected for a server's use", true,
            [](Case& c, const Forms& f) {
                c.folder = {f.plain, f.rejected};
            });
        add("the bundle's copy rejected for a server's use, the folder's plain", false,
            [](Case& c, const Forms& f) {
                c.bundle = {f.rejected};
                c.folder = {f.plain};
            });
        add("the bundle's copy plain, the folder's rejected for a server's use", true,
            [](Case& c, const Forms& f) {
                c.bundle = {f.plain};
                c.folder = {f.rejected};
            });
        // A name the bundle answers is not looked up in the folder: the chain's root there plays no part.
        const auto sameName = LoopbackServer::makeRootAuthority("Kestrune Trust Settings Same Name Root");
        const auto otherKey = LoopbackServer::makeRootAuthority("Kestrune Trust Settings Same Name Root");
        ASSERT_TRUE(otherKey);
        add(
            "another root of the same name in the bundle, the chain's root in the folder", false,
            [&](Case& c, const Forms& f) {
                c.bundle = {otherKey->certificatePEM};
                c.folder = {f.plain};
            },
            sameName);

        // Every certificate of an entry OpenSSL reads joins its store, whatever the entry's name, and a name
        // the store holds is not looked up again: what the entry read for the intermediate's name (the
        // first asked for) holds of the root's name stands for the root.
        add("a root rejected for a server's use filed under the intermediate's name, the plain root under "
            "its own",
            false, [](Case& c, const Forms& f) {
                c.filed = {{f.intermediate, f.rejected}};
                c.folder = {f.plain};
            });
        const auto misfiledName = LoopbackServer::makeRootAuthority("Kestrune Trust Settings Misfiled Root");
        const auto misfiledKey = LoopbackServer::makeRootAuthority("Kestrune Trust Settings Misfiled Root");
        ASSERT_TRUE(misfiledKey);
        add(
            "another key of the root's name filed under the intermediate's name, the chain's root under its "
            "own",
            false,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.intermediate, misfiledKey->certificatePEM}};
                c.folder = {f.plain};
            },
            misfiledName);
        add("the root filed under the intermediate's name alone", true, [](Case& c, const Forms& f) {
            c.filed = {{f.intermediate, f.plain}};
        });
        // An entry that does not load (a block that does not read, no certificate, a folder) ends the entries
        // read under its name; what came before its bad block counts.
        const std::string unreadable =
            "-----BEGIN CERTIFICATE-----\nbm90IGEgY2VydGlmaWNhdGU=\n-----END CERTIFICATE-----\n";
        add("the root then a block that does not read, filed under the intermediate's name", true,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.intermediate, f.plain + unreadable}};
            });
        add("a block that does not read as the root's .0, the root as .1", false,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.plain, unreadable}};
                c.folder = {f.plain};
            });
        add("a block that does not read then the root, as the root's .0", false,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.plain, unreadable + f.plain}};
            });
        add("half a certificate as the root's .0, the root as .1", false, [](Case& c, const Forms& f) {
            c.filed = {{f.plain, f.plain.substr(0, f.plain.size() / 2)}};
            c.folder = {f.plain};
        });
        add("no certificate as the root's .0, the root as .1", false, [](Case& c, const Forms& f) {
            c.filed = {{f.plain, "no roots here\n"}};
            c.folder = {f.plain};
        });
        add("a folder as the root's .0, the root as .1", false, [](Case& c, const Forms& f) {
            c.filed = {{f.plain, std::nullopt}};
            c.folder = {f.plain};
        });
        // The server's own name is looked up last, and only when nothing else was found: a root filed under
        // it comes too late to issue anything.
        add("the root behind a block that does not read, and filed under the server's own name", false,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.plain, unreadable}, {f.server, f.plain}};
                c.folder = {f.plain};
            });
    }

    // OpenSSL's own verdict: the bundle loaded as `openssl verify -CAfile` and `curl --cacert` load it,
    // the folder looked up as with -CApath and --capath.
    std::string openSSLVerdict(const Case& c) const {
        std::unique_ptr<X509_STORE, void (*)(X509_STORE*)> store(X509_STORE_new(), X509_STORE_free);
        if (!store || X509_STORE_load_file(store.get(), bundle.c_str()) != 1 ||
            X509_STORE_load_path(store.get(), folder.c_str()) != 1)
            return "the bundle or the folder does not load";
        return TestRoots::handshakeVerdict(store.get(), c.identity.chainDER);
    }

    std::string bundle;
    std::string folder;
    std::vector<Case> cases;
};

// Copies of one root, some with OpenSSL's trust settings, count as OpenSSL's own loading of the same files
// counts them: the first in the bundle, then the folder's in their numbered order; a root rejected for a
// server's use ends no chain, nor does one trusted for a client's use only, while one trusted for a
// server's use only does. A chain may end at an intermediate the roots hold, and a root's key too weak
// for the handshake is refused. A folder's entry counts as OpenSSL's lookup counts it: every certificate
// in it, whatever the name it is filed under, and the entries under a name end at one that does not load.
// The roots the application gathers for each chain, judged as a transfer judges them, give OpenSSL's
// verdict, reason and all; so does ServerTrust's evaluation by the system.
TEST_F(SystemRootsTrustSettingsTest, CopiesOfARootCountInFileOrderAsOpenSSLsOwnLoadingCountsThem) {
    const SystemRoots roots(bundle.c_str(), folder.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = openSSLVerdict(c);
        const std::string application = TestRoots::handshakeVerdict(roots, c.identity.chainDER);
        const auto evaluated = ServerTrust("127.0.0.1", c.identity.chainDER).evaluateWithAnchors({}, false);
        fprintf(stderr, "%-100s OpenSSL: %-45s application: %-45s ServerTrust: %s\n", c.name.c_str(),
                expected.c_str(), application.c_str(),
                evaluated == ServerTrust::Proceed ? "proceed" : "refused");
        EXPECT_EQ(expected == "trusted", c.trusted) << expected;
        EXPECT_EQ(application, expected);
        EXPECT_EQ(evaluated,
                  expected == "trusted" ? ServerTrust::Proceed : ServerTrust::RecoverableTrustFailure);
    }
    ERR_clear_error();
}

// A transfer to a server of each case's root, in a process of its own (the transfers read the bundle once
// a process), is answered or refused as OpenSSL's own loading of the files judges the chain, for the same
// reason: the server is sent the request only when the chain is trusted.
TEST_F(SystemRootsTrustSettingsTest, ATransferTrustsAServerAsOpenSSLsOwnLoadingOfTheRootsDoes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto allAgree = [this] {
        bool agree = true;
        for (const auto& c : cases) {
            LoopbackServer server;
            if (!server.startTLS(c.identity)) return false;
            server.setDefaultAnswer({200, {}, "trusted"});
            const auto result = URLConnection::sendSynchronousRequest(URLRequest(server.url("/"), 10));
            const std::string refusal = "the server's certificate is not trusted: ";
            std::string transfer;
            if (!result.error && result.data && result.data->toString() == "trusted")
                transfer = "trusted";
            else if (result.error && result.error->description.rfind(refusal, 0) == 0)
                transfer = "refused: " + result.error->description.substr(refusal.size());
            else
                transfer = "failed otherwise: " + (result.error ? result.error->description : "");
            const std::string expected = openSSLVerdict(c);
            const bool same = transfer == expected && (expected == "trusted") == c.trusted &&
                              server.requestCount() == (c.trusted ? 1u : 0u);
            fprintf(stderr, "%s %s: OpenSSL: %s; the transfer: %s\n",
                    same ? "as expected" : "NOT AS EXPECTED", c.name.c_str(), expected.c_str(),
                    transfer.c_str());
            agree = agree && same;
        }
        // The process ends without the fixture's tear-down.
        std::error_code ignored;
        std::filesystem::remove_all(home(), ignored);
        return agree;
    };
    EXPECT_EXIT(std::_Exit(allAgree() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
