#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/obj_mac.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

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
// PEM), the first number free, holding `text` (a folder when there is none); or something other than a
// file of roots in its place.
struct Filed {
    enum Kind {
        Roots,
        LinkToADevice,       // a symbolic link to /dev/null, which OpenSSL reads as holding nothing
        FIFO,                // which OpenSSL would wait on for good
        LargerThanAnyBundle  // `text`, then zero bytes past SystemRoots::kMostFileBytes
    };
    std::string under;
    std::optional<std::string> text;
    Kind kind = Roots;
};

// The entry's path; empty when it could not be made.
std::string fileEntry(const std::string& folder, const Filed& entry) {
    char hash[16];
    snprintf(hash, sizeof hash, "%08lx", TestRoots::subjectHashOf(entry.under));
    for (int number = 0; number < 64; ++number) {
        const std::string path = folder + "/" + hash + "." + std::to_string(number);
        std::error_code ignored;
        if (std::filesystem::exists(std::filesystem::symlink_status(path, ignored))) continue;
        bool made = false;
        switch (entry.kind) {
            case Filed::LinkToADevice:
                made = symlink("/dev/null", path.c_str()) == 0;
                break;
            case Filed::FIFO:
                made = mkfifo(path.c_str(), 0600) == 0;
                break;
            case Filed::LargerThanAnyBundle:
                // Sparse: made at once and costs no disk. OpenSSL reads the zeros as the file's end.
                made = std::ofstream(path) << entry.text.value_or("") &&
                       truncate(path.c_str(), static_cast<off_t>(SystemRoots::kMostFileBytes) + 1) == 0;
                break;
            case Filed::Roots:
                made = entry.text ? static_cast<bool>(std::ofstream(path) << *entry.text)
                                  : std::filesystem::create_directory(path);
                break;
        }
        return made ? path : "";
    }
    return "";
}

// The identity with the chain its server sends in place of its own (its own certificate first).
std::optional<LoopbackServer::Identity> sending(const LoopbackServer::Identity& identity,
                                                const std::vector<Data>& chain, const std::string& path) {
    std::ofstream file(path);
    for (const Data& der : chain) file << pemOfDER(der);
    if (!file.flush()) return std::nullopt;
    return LoopbackServer::Identity{path, identity.keyPath, chain.at(0), chain};
}

// Whether anything opened the watched paths, told by inotify: a FIFO must never be opened, even in a way
// that does not wait.
class OpeningsWatched {
public:
    OpeningsWatched() : descriptor_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}
    ~OpeningsWatched() {
        if (descriptor_ >= 0) close(descriptor_);
    }
    bool watch(const std::string& path) {
        return descriptor_ >= 0 && inotify_add_watch(descriptor_, path.c_str(), IN_OPEN) >= 0;
    }
    // The openings since the last call.
    size_t openings() {
        alignas(inotify_event) char events[4096];
        size_t count = 0;
        for (ssize_t got; (got = read(descriptor_, events, sizeof events)) > 0;)
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + at);
                count += (event->mask & IN_OPEN) != 0;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        return count;
    }

private:
    int descriptor_;
};

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
    // OpenSSL's own loading would wait on an entry for good (a FIFO): the chain is to be refused, and
    // OpenSSL is not asked.
    bool openSSLWaits = false;
    // An entry OpenSSL reads and the application does not (larger than any bundle) holds the reason of
    // OpenSSL's refusal: the application refuses too, for want of the root.
    bool refusedForWantOfTheRoot = false;
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
        ASSERT_EQ(cases.size(), 31u);
        std::ofstream text(bundle);
        for (const auto& c : cases) {
            for (const auto& pem : c.bundle) text << pem;
            for (const auto& entry : c.filed) {
                const std::string path = fileEntry(folder, entry);
                ASSERT_FALSE(path.empty()) << c.name;
                if (entry.kind == Filed::FIFO) fifos.push_back(path);
            }
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

        // The names are looked up as the chain's building reaches them, not as the server orders what it
        // sends: another authority it sends, off the chain, must not steer the root to a plain copy filed
        // under that authority's root's name, ahead of the root's own marked copy.
        for (const bool offChainFirst : {true, false}) {
            for (const bool rejected : {true, false}) {
                const std::string marked =
                    rejected ? "rejected for a server's use" : "trusted for a client's only";
                add(std::string("the root ") + marked +
                        " under its own name, a plain copy with another root, " +
                        (offChainFirst ? "that root's authority sent before the intermediate"
                                       : "that root's authority sent after the intermediate"),
                    false, [&](Case& c, const Forms& f) {
                        const std::string number = std::to_string(cases.size());
                        const auto steering = LoopbackServer::makeRootAuthority(
                            "Kestrune Trust Settings Steering Root " + number);
                        ASSERT_TRUE(steering);
                        const auto offChain =
                            LoopbackServer::makeIdentitySignedBy(*steering, home() + "/off" + number);
                        ASSERT_TRUE(offChain);
                        c.filed = {{steering->certificatePEM, steering->certificatePEM + f.plain}};
                        c.folder = {rejected ? f.rejected : f.forClients};
                        const Data& authority = offChain->chainDER.at(1);
                        const auto& own = c.identity.chainDER;
                        const auto sent =
                            sending(c.identity,
                                    offChainFirst ? std::vector<Data>{own[0], authority, own[1]}
                                                  : std::vector<Data>{own[0], own[1], authority},
                                    home() + "/sent" + number + ".pem");
                        ASSERT_TRUE(sent);
                        c.identity = *sent;
                    });
            }
        }

        // An entry that is no file of roots, or larger than any bundle, is never read: it ends what is read
        // of the folder, as one that does not load ends OpenSSL's numbering, where OpenSSL would read
        // nothing of a device, wait on a FIFO for good, or read the large file whole.
        add("a link to a device as the root's .0, the root as .1", false, [](Case& c, const Forms& f) {
            c.filed = {{f.plain, std::nullopt, Filed::LinkToADevice}};
            c.folder = {f.plain};
        });
        add("a FIFO as the root's .0, the root as .1", false, [&](Case& c, const Forms& f) {
            c.filed = {{f.plain, std::nullopt, Filed::FIFO}};
            c.folder = {f.plain};
            c.openSSLWaits = true;
        });
        add("a root rejected for a server's use in a .0 larger than any bundle, the plain root as .1", false,
            [&](Case& c, const Forms& f) {
                c.filed = {{f.plain, f.rejected, Filed::LargerThanAnyBundle}};
                c.folder = {f.plain};
                c.refusedForWantOfTheRoot = true;
            });
        add("a root rejected for a server's use in a file larger than any bundle under the intermediate's "
            "name, the plain root under its own",
            false, [&](Case& c, const Forms& f) {
                c.filed = {{f.intermediate, f.rejected, Filed::LargerThanAnyBundle}};
                c.folder = {f.plain};
                c.refusedForWantOfTheRoot = true;
            });
    }

    // OpenSSL's verdict on the case, "refused" alone where OpenSSL would wait for good; and whether the
    // application's verdict agrees with it: the same, reason and all, or a refusal where OpenSSL would
    // not have read the entry that decides.
    std::string expectedVerdict(const Case& c) const {
        return c.openSSLWaits ? "refused" : openSSLVerdict(c);
    }
    static bool agrees(const Case& c, const std::string& expected, const std::string& application) {
        if (c.openSSLWaits || c.refusedForWantOfTheRoot)
            return expected.rfind("refused", 0) == 0 &&
                   application == "refused: unable to get local issuer certificate";
        return application == expected;
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
    std::vector<std::string> fifos;  // never to be opened
};

// Copies of one root, some with OpenSSL's trust settings, count as OpenSSL's own loading of the same files
// counts them: the first in the bundle, then the folder's in their numbered order; a root rejected for a
// server's use ends no chain, nor does one trusted for a client's use only, while one trusted for a
// server's use only does. A chain may end at an intermediate the roots hold, and a root's key too weak
// for the handshake is refused. A folder's entry counts as OpenSSL's lookup counts it: every certificate
// in it, whatever the name it is filed under, read when the chain's building asks for that name; the
// entries under a name end at one that does not load. An entry that is no file of roots, or too large, is
// never read and ends the reading: the chain is refused where OpenSSL refuses it or would wait for good,
// and the FIFO is never opened. The application's verdict on each chain, judged as a transfer judges it,
// is OpenSSL's, reason and all; so is ServerTrust's evaluation by the system.
TEST_F(SystemRootsTrustSettingsTest, CopiesOfARootCountInFileOrderAsOpenSSLsOwnLoadingCountsThem) {
    OpeningsWatched watched;
    for (const auto& fifo : fifos) ASSERT_TRUE(watched.watch(fifo)) << fifo;
    const SystemRoots roots(bundle.c_str(), folder.c_str());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = expectedVerdict(c);
        const std::string application = TestRoots::handshakeVerdict(roots, c.identity.chainDER);
        const auto evaluated = ServerTrust("127.0.0.1", c.identity.chainDER).evaluateWithAnchors({}, false);
        fprintf(stderr, "%-100s OpenSSL: %-45s application: %-45s ServerTrust: %s\n", c.name.c_str(),
                expected.c_str(), application.c_str(),
                evaluated == ServerTrust::Proceed ? "proceed" : "refused");
        EXPECT_EQ(expected == "trusted", c.trusted) << expected;
        EXPECT_TRUE(agrees(c, expected, application)) << application;
        EXPECT_EQ(evaluated,
                  expected == "trusted" ? ServerTrust::Proceed : ServerTrust::RecoverableTrustFailure);
    }
    EXPECT_EQ(watched.openings(), 0u);
    ERR_clear_error();
}

// A transfer to a server of each case's root, in a process of its own (the transfers read the bundle once
// a process), is answered or refused as OpenSSL's own loading of the files judges the chain, for the same
// reason: the server is sent the request only when the chain is trusted. The FIFO is never opened.
TEST_F(SystemRootsTrustSettingsTest, ATransferTrustsAServerAsOpenSSLsOwnLoadingOfTheRootsDoes) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const auto allAgree = [this] {
        OpeningsWatched watched;
        bool agree = true;
        for (const auto& fifo : fifos) agree = agree && watched.watch(fifo);
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
            const std::string expected = expectedVerdict(c);
            const bool same = agrees(c, expected, transfer) && (expected == "trusted") == c.trusted &&
                              server.requestCount() == (c.trusted ? 1u : 0u);
            fprintf(stderr, "%s %s: OpenSSL: %s; the transfer: %s\n",
                    same ? "as expected" : "NOT AS EXPECTED", c.name.c_str(), expected.c_str(),
                    transfer.c_str());
            agree = agree && same;
        }
        const size_t openings = watched.openings();
        if (openings) fprintf(stderr, "NOT AS EXPECTED: the FIFO was opened %zu times\n", openings);
        agree = agree && openings == 0;
        // The process ends without the fixture's tear-down.
        std::error_code ignored;
        std::filesystem::remove_all(home(), ignored);
        return agree;
    };
    EXPECT_EXIT(std::_Exit(allAgree() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

}  // namespace
