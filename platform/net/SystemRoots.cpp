#include "platform/net/SystemRoots.h"

#include <fcntl.h>
#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <unordered_set>
#include <utility>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

// What became of a roots file: read (its bytes), missing (the end of a folder's entries under a hash),
// skipped as no regular file (a FIFO, a device: never opened), unread (a folder, or it cannot be read),
// too large, or out of reach because its folder cannot be searched. The caller says what it means.
struct RootsFile {
    enum Outcome { Read, Missing, Skipped, Unread, TooLarge, Unsearchable } outcome;
    std::string bytes;
    unsigned long long size = 0;  // TooLarge: what the file was found to hold, at least
    bool grew = false;            // TooLarge: its size was within the limit, and it grew past it as read
    int error = 0;                // Unread: why; Unsearchable: why its folder cannot be searched
};

// Why a folder's entries cannot be looked up (its path a loop or through something that is no folder, no
// permission to search it), or ENOENT when it is not there; 0 when they can. "." asks exactly that: it is
// found in every folder that can be searched.
int searchErrorOf(const std::string& folder) {
    struct stat info {};
    return stat((folder + "/.").c_str(), &info) == 0 ? 0 : errno;
}

// Reads a roots file, `limit` bytes at most; `folder` names the folder it is an entry of, none for the
// bundle. Whether it is regular is asked before it is opened, so that nothing else is ever opened; the
// open does not wait (O_NONBLOCK) and is asked again, in case the path was swapped for a FIFO in between.
// Its size is asked of the open file, and no more than limit + 1 bytes are read, in case it grows
// meanwhile: a file too large is skipped in bounded time and memory.
RootsFile readRootsFile(const std::string& path, size_t limit, const std::string* folder) {
    const auto unread = [](int error) { return RootsFile{RootsFile::Unread, {}, 0, false, error}; };
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        const int error = errno;
        if (folder) {
            if (error == ENOENT) return RootsFile{RootsFile::Missing, {}};
            // The folder itself, rather than this entry (a symbolic link that leads nowhere it may go)?
            // Then every other entry would fail the same way, and its search ends here.
            const int folderError = searchErrorOf(*folder);
            if (folderError == ENOENT) return RootsFile{RootsFile::Missing, {}};
            if (folderError) return RootsFile{RootsFile::Unsearchable, {}, 0, false, folderError};
        }
        return unread(error);
    }
    // A folder never keeps its reader waiting, and OpenSSL reads it as a file that cannot be read.
    if (S_ISDIR(info.st_mode)) return unread(EISDIR);
    if (!S_ISREG(info.st_mode)) return RootsFile{RootsFile::Skipped, {}};
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return unread(errno);
    struct Closer {
        int descriptor;
        ~Closer() { close(descriptor); }
    } closer{descriptor};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return RootsFile{RootsFile::Skipped, {}};
    if (info.st_size < 0 || static_cast<unsigned long long>(info.st_size) > limit)
        return RootsFile{RootsFile::TooLarge, {}, static_cast<unsigned long long>(info.st_size), false};
    std::string bytes;
    bytes.reserve(static_cast<size_t>(info.st_size) + 1);
    char buffer[65536];
    for (;;) {
        const size_t wanted = std::min(sizeof buffer, limit + 1 - bytes.size());
        const ssize_t got = read(descriptor, buffer, wanted);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return unread(errno);
        }
        bytes.append(buffer, static_cast<size_t>(got));
        if (bytes.size() > limit) return RootsFile{RootsFile::TooLarge, {}, bytes.size(), true};
    }
    return RootsFile{RootsFile::Read, std::move(bytes)};
}

// Says that a roots file is larger than any bundle of roots, and what follows from that.
void sayTooLarge(const char* what, const std::string& path, const RootsFile& file, const char* rest) {
    logf("SystemRoots: %s %s %s %zu bytes, more than any bundle of roots; skipped%s", what, path.c_str(),
         file.grew ? "grew past" : "is larger than", SystemRoots::kMostFileBytes, rest);
}

// The PEM blocks of a text, each from its "-----BEGIN" to the end of its "-----END ...-----" line, as
// written (with the line's end, when there is one).
std::vector<std::string_view> pemBlocksOf(std::string_view text) {
    std::vector<std::string_view> blocks;
    for (size_t at = text.find("-----BEGIN "); at != std::string_view::npos;
         at = text.find("-----BEGIN ", at)) {
        const size_t end = text.find("-----END ", at);
        const size_t close = end == std::string_view::npos ? end : text.find("-----", end + 9);
        if (close == std::string_view::npos) break;
        size_t after = close + 5;
        if (after < text.size() && text[after] == '\r') ++after;
        if (after < text.size() && text[after] == '\n') ++after;
        blocks.push_back(text.substr(at, after - at));
        at = after;
    }
    return blocks;
}

// One element of DER bytes: its tag and class, whether it is constructed, where its content lies and where
// the next element starts.
struct Element {
    int tag = 0;
    int tagClass = 0;
    bool constructed = false;
    const unsigned char* begin = nullptr;
    const unsigned char* content = nullptr;
    const unsigned char* next = nullptr;
};

// The element at `at`, within `end`; none when it does not read or its length is not definite (which DER
// requires).
std::optional<Element> elementAt(const unsigned char* at, const unsigned char* end) {
    if (!at || at >= end) return std::nullopt;
    const unsigned char* content = at;
    long length = 0;
    Element element;
    const int info = ASN1_get_object(&content, &length, &element.tag, &element.tagClass, end - at);
    if ((info & 0x80) || (info & 0x01) || length < 0 || length > end - content) return std::nullopt;
    element.constructed = (info & V_ASN1_CONSTRUCTED) != 0;
    element.begin = at;
    element.content = content;
    element.next = content + length;
    return element;
}

bool isUniversal(const std::optional<Element>& element, int tag, bool constructed) {
    return element && element->tagClass == V_ASN1_UNIVERSAL && element->tag == tag &&
           element->constructed == constructed;
}

// The hash of a name, as the folder's files are named by; none when it cannot be taken.
std::optional<unsigned long> hashOfName(const X509_NAME* name) {
    if (!name) return std::nullopt;
    int ok = 0;
    const unsigned long hash = X509_NAME_hash_ex(name, nullptr, nullptr, &ok);
    if (!ok) return std::nullopt;
    return hash;
}

// What an entry of a certificate folder gives, loaded as OpenSSL's folder lookup loads one
// (X509_load_cert_file, X509_load_crl_file): each certificate of it (each revocation list, of an ".r"
// entry), whatever its name, in order, other blocks passed over, up to the first block that does not read
// or `most` certificates. An entry loads when it reads to its end and gives one at least: only then does
// OpenSSL's lookup go on to the next entry under the hash. What came before a block that does not read
// is kept, as OpenSSL's store keeps it.
struct EntryContents {
    struct X509Owner {
        void operator()(X509* certificate) const { X509_free(certificate); }
    };
    struct CRLOwner {
        void operator()(X509_CRL* list) const { X509_CRL_free(list); }
    };
    std::vector<std::unique_ptr<X509, X509Owner>> certificates;
    std::vector<std::unique_ptr<X509_CRL, CRLOwner>> revocationLists;
    // Cut: `most` certificates read, and the rest left unread.
    enum { Loads, HoldsNone, BlockUnread, Cut } outcome = HoldsNone;
};

EntryContents loadEntry(std::string_view text, bool revocation, size_t most) {
    EntryContents contents;
    // Even an entry read whole ends in an error (no block left to start): the entry's errors go with it,
    // and those of the handshake it is read for stay.
    ERR_set_mark();
    BIO* bytes = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
    // As OpenSSL's lookup reads them: with an empty password, which no block of roots needs.
    void* const password = const_cast<char*>("");
    for (size_t count = 0; bytes; ++count) {
        if (!revocation && count == most) {
            contents.outcome = EntryContents::Cut;
            break;
        }
        X509_CRL* list = revocation ? PEM_read_bio_X509_CRL(bytes, nullptr, nullptr, password) : nullptr;
        X509* certificate = revocation ? nullptr : PEM_read_bio_X509_AUX(bytes, nullptr, nullptr, password);
        if (list) contents.revocationLists.emplace_back(list);
        if (certificate) contents.certificates.emplace_back(certificate);
        if (list || certificate) continue;
        // Read to its end (no block left to start), or stopped at a block that does not read.
        const bool atEnd = ERR_GET_REASON(ERR_peek_last_error()) == PEM_R_NO_START_LINE;
        contents.outcome = !atEnd  ? EntryContents::BlockUnread
                           : count ? EntryContents::Loads
                                   : EntryContents::HoldsNone;
        break;
    }
    BIO_free(bytes);
    ERR_pop_to_mark();
    return contents;
}

// The certificate's DER bytes: what tells one certificate from another in a store, which keeps the first
// copy it is given, trust settings and all.
std::string bytesOf(X509* certificate) {
    unsigned char* der = nullptr;
    const int length = i2d_X509(certificate, &der);
    std::string bytes =
        length > 0 ? std::string(reinterpret_cast<char*>(der), static_cast<size_t>(length)) : "";
    OPENSSL_free(der);
    return bytes;
}

// Whether the store holds an object of the type and name; the lookup's answer, `found` borrowing it (the
// caller takes a reference of its own, as it does of OpenSSL's own lookups' answers), when it is given.
bool storeHolds(X509_STORE* store, X509_LOOKUP_TYPE type, const X509_NAME* name, X509_OBJECT* found) {
    if (!X509_STORE_lock(store)) return false;
    X509_OBJECT* held = X509_OBJECT_retrieve_by_subject(X509_STORE_get0_objects(store), type, name);
    X509* certificate = held ? X509_OBJECT_get0_X509(held) : nullptr;
    X509_CRL* list = held ? X509_OBJECT_get0_X509_CRL(held) : nullptr;
    bool holds = certificate || list;
    if (holds && found) {
        holds = certificate ? X509_OBJECT_set1_X509(found, certificate) == 1
                            : X509_OBJECT_set1_X509_CRL(found, list) == 1;
        // The store's own reference keeps it alive for as long as the store: the answer only borrows it.
        if (holds && certificate) X509_free(certificate);
        if (holds && list) X509_CRL_free(list);
    }
    X509_STORE_unlock(store);
    return holds;
}

}  // namespace

void SystemRoots::X509Free::operator()(X509* certificate) const {
    X509_free(certificate);
}
void SystemRoots::CRLFree::operator()(X509_CRL* list) const {
    X509_CRL_free(list);
}

std::optional<unsigned long> SystemRoots::subjectHashOfDER(std::string_view der) {
    const auto* start = reinterpret_cast<const unsigned char*>(der.data());
    const unsigned char* const end = start + der.size();
    // Certificate ::= SEQUENCE { tbsCertificate, ... }; TBSCertificate ::= SEQUENCE { [0] version
    // OPTIONAL, serialNumber INTEGER, signature AlgorithmIdentifier, issuer Name, validity Validity,
    // subject Name, ... }
    const auto certificate = elementAt(start, end);
    if (!isUniversal(certificate, V_ASN1_SEQUENCE, true)) return std::nullopt;
    const auto toBeSigned = elementAt(certificate->content, certificate->next);
    if (!isUniversal(toBeSigned, V_ASN1_SEQUENCE, true)) return std::nullopt;
    const unsigned char* const fieldsEnd = toBeSigned->next;
    auto field = elementAt(toBeSigned->content, fieldsEnd);
    if (field && field->tagClass == V_ASN1_CONTEXT_SPECIFIC && field->tag == 0)
        field = elementAt(field->next, fieldsEnd);
    if (!isUniversal(field, V_ASN1_INTEGER, false)) return std::nullopt;
    for (int skipped = 0; skipped < 3; ++skipped) {  // the signature's algorithm, the issuer, the validity
        field = elementAt(field->next, fieldsEnd);
        if (!isUniversal(field, V_ASN1_SEQUENCE, true)) return std::nullopt;
    }
    const auto subject = elementAt(field->next, fieldsEnd);
    if (!isUniversal(subject, V_ASN1_SEQUENCE, true)) return std::nullopt;
    const unsigned char* nameBytes = subject->begin;
    const long nameLength = subject->next - subject->begin;
    X509_NAME* name = d2i_X509_NAME(nullptr, &nameBytes, nameLength);
    const bool whole = name && nameBytes == subject->next;
    const auto hash = whole ? hashOfName(name) : std::nullopt;
    X509_NAME_free(name);
    return hash;
}

SystemRoots::TextContents SystemRoots::readText(std::string_view text) {
    TextContents contents;
    for (const std::string_view block : pemBlocksOf(text)) {
        ++contents.blocks;
        BIO* bytes = BIO_new_mem_buf(block.data(), static_cast<int>(block.size()));
        char* name = nullptr;
        char* header = nullptr;
        unsigned char* data = nullptr;
        long length = 0;
        bool read = bytes && PEM_read_bio(bytes, &name, &header, &data, &length) == 1 && length >= 0;
        EVP_CIPHER_INFO cipher{};
        // An encrypted block: nothing a bundle of roots holds, and no password to read it with.
        read = read && PEM_get_EVP_CIPHER_INFO(header, &cipher) == 1 && cipher.cipher == nullptr;
        if (read) {
            const std::string_view kind(name);
            const std::string_view der(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
            if (kind == PEM_STRING_X509 || kind == PEM_STRING_X509_OLD || kind == PEM_STRING_X509_TRUSTED) {
                const auto hash = subjectHashOfDER(der);
                if (hash)
                    contents.certificates.push_back(
                        {std::string(der), *hash, kind == PEM_STRING_X509_TRUSTED});
                read = hash.has_value();
            } else if (kind == PEM_STRING_X509_CRL) {
                const unsigned char* at = data;
                X509_CRL* list = d2i_X509_CRL(nullptr, &at, length);
                if (list) contents.revocationLists.emplace_back(list);
                read = list != nullptr;
            }
            // Any other block (a key, say) is no root, and is passed over as OpenSSL's loading of a
            // bundle passes over it.
        }
        if (!read) ++contents.unread;
        OPENSSL_free(name);
        OPENSSL_free(header);
        OPENSSL_free(data);
        BIO_free(bytes);
    }
    return contents;
}

// The bundle's certificates, each once, by the hash of their subject, and its revocation lists by the hash
// of their issuer. Under each hash they keep their order in the file: a check's store keeps the first of
// two copies of one certificate it is given, so a copy with trust settings and a plain one count as
// OpenSSL's own loading of the file counts them, the first in the file counting.
struct SystemRoots::Bundle {
    std::vector<CertificateBytes> certificates;
    std::unordered_map<unsigned long, std::vector<size_t>> certificatesBySubject;
    std::vector<std::unique_ptr<X509_CRL, CRLFree>> revocationLists;
    std::unordered_map<unsigned long, std::vector<size_t>> revocationListsByIssuer;
};

// One check's lookup: what its store has been given so far, within the bounds, in the order OpenSSL's
// store would have been given it. Lives as long as the store, which frees it with the lookup.
struct SystemRoots::Check {
    explicit Check(const SystemRoots& roots) : roots(roots), unsearchable(roots.folders_.size(), false) {}

    const SystemRoots& roots;
    std::unordered_set<unsigned long> asked;             // the hashes of the names asked for
    std::unordered_set<unsigned long> bundleTaken;       // hashes whose certificates of the bundle are given
    std::unordered_set<unsigned long> bundleListsTaken;  // and whose revocation lists
    std::unordered_set<std::string> given;               // the bytes of the certificates given
    // For each folder and hash, the first revocation-list entry that did not load: OpenSSL's lookup reads
    // on from there when asked again, where it reads a name's certificates from ".0" every time.
    std::map<std::pair<size_t, unsigned long>, int> revocationEntryNext;
    std::vector<bool> unsearchable;        // the folders found so in this check, which looks no more in them
    std::unordered_set<std::string> said;  // the entries this check has said something of
    size_t folderBytes = 0;
    // A bound met or an entry skipped: nothing more is read or given for this check, so that its store
    // holds what OpenSSL's would up to there, and no other.
    bool ended = false;

    // Whether the name's hash may be looked up: asked before, or within the bound.
    bool ask(unsigned long hash) {
        if (asked.count(hash)) return true;
        if (asked.size() < kMostNamesPerChain) {
            asked.insert(hash);
            return true;
        }
        logf("SystemRoots: a chain names more than %zu subjects; nothing more is read for it",
             kMostNamesPerChain);
        ended = true;
        return false;
    }
    // Gives the store the certificate (a copy it holds already it keeps as it is), within the bound.
    void give(X509_STORE* store, X509* certificate) {
        if (!certificate || ended) return;
        std::string bytes = bytesOf(certificate);
        if (given.count(bytes)) return;
        if (given.size() >= kMostRootsPerChain) {
            logf(
                "SystemRoots: more than %zu roots may issue a chain's certificates; nothing more is read for "
                "it",
                kMostRootsPerChain);
            ended = true;
            return;
        }
        X509_STORE_add_cert(store, certificate);  // the store takes a reference of its own
        given.insert(std::move(bytes));
    }
    // Whether the entry is said of for the first time in this check: a name asked again (each time the
    // chain's building needs it and the store does not hold it) reads the same entries again.
    bool firstSaid(const std::string& path) { return said.insert(path).second; }

    static int getBySubject(X509_LOOKUP* lookup, X509_LOOKUP_TYPE type, const X509_NAME* name,
                            X509_OBJECT* found) {
        auto* check = static_cast<Check*>(X509_LOOKUP_get_method_data(lookup));
        X509_STORE* store = X509_LOOKUP_get_store(lookup);
        if (!check || !store || !name) return 0;
        return check->roots.lookUp(*check, store, type, name, found);
    }
    static void freeWithLookup(X509_LOOKUP* lookup) {
        delete static_cast<Check*>(X509_LOOKUP_get_method_data(lookup));
    }
    // Made once a process, and never freed: each store given the lookup refers to it.
    static X509_LOOKUP_METHOD* method() {
        static X509_LOOKUP_METHOD* const made = [] {
            X509_LOOKUP_METHOD* method = X509_LOOKUP_meth_new("Kestrune system roots");
            if (method && (X509_LOOKUP_meth_set_get_by_subject(method, &Check::getBySubject) != 1 ||
                           X509_LOOKUP_meth_set_free(method, &Check::freeWithLookup) != 1)) {
                X509_LOOKUP_meth_free(method);
                method = nullptr;
            }
            return method;
        }();
        return made;
    }
};

SystemRoots::SystemRoots(const char* builtInBundle, const char* builtInFolder) {
    const char* bundle = builtInBundle && *builtInBundle ? builtInBundle : nullptr;
    const char* folders = builtInFolder && *builtInFolder ? builtInFolder : nullptr;
    if (const char* named = secure_getenv(X509_get_default_cert_file_env()); named && *named) bundle = named;
    if (const char* named = secure_getenv(X509_get_default_cert_dir_env()); named && *named) folders = named;
    if (bundle) bundlePath_ = bundle;
    if (folders)
        for (auto& folder : split(folders, ":"))
            if (!folder.empty()) folders_.push_back(std::move(folder));
    unsearchableSaid_ = std::make_unique<std::atomic<bool>[]>(folders_.size());
}

SystemRoots::~SystemRoots() {
    for (auto& [bytes, certificate] : decoded_) X509_free(certificate);
}

bool SystemRoots::addLookupTo(X509_STORE* store) const {
    if (!store) return false;
    // What reading leaves on this thread's error queue (a block that is no PEM) goes with it: the store
    // may be made inside a handshake, whose own entries stay.
    ERR_set_mark();
    readBundleOnce();
    X509_LOOKUP_METHOD* const method = Check::method();
    X509_LOOKUP* const lookup = method ? X509_STORE_add_lookup(store, method) : nullptr;
    bool added = false;
    // A store that has the lookup already has the state of its check: a second would be the first's.
    if (lookup && !X509_LOOKUP_get_method_data(lookup)) {
        auto check = std::make_unique<Check>(*this);
        if (X509_LOOKUP_set_method_data(lookup, check.get()) == 1) {
            check.release();  // the lookup's, freed with it
            added = true;
        }
    }
    ERR_pop_to_mark();
    return added;
}

void SystemRoots::readBundleOnce() const {
    std::call_once(bundleRead_, [this] {
        auto bundle = std::make_unique<Bundle>();
        if (bundlePath_) {
            const char* const what = "the certificate bundle";
            const auto file = readRootsFile(*bundlePath_, kMostFileBytes, nullptr);
            if (file.outcome == RootsFile::TooLarge) sayTooLarge(what, *bundlePath_, file, "");
            if (file.outcome == RootsFile::Skipped)
                logf("SystemRoots: %s %s is not a regular file; skipped", what, bundlePath_->c_str());
            if (file.outcome == RootsFile::Unread)
                logf("SystemRoots: %s %s cannot be read: %s", what, bundlePath_->c_str(),
                     std::strerror(file.error));
            if (file.outcome == RootsFile::Read) {
                TextContents contents = readText(file.bytes);
                if (contents.unread)
                    logf(
                        "SystemRoots: %zu of the %zu PEM blocks of the certificate bundle %s do not read; "
                        "left out",
                        contents.unread, contents.blocks, bundlePath_->c_str());
                if (contents.certificates.empty() && contents.revocationLists.empty())
                    logf(
                        "SystemRoots: the certificate bundle %s holds no certificate (%s); none is trusted "
                        "from it",
                        bundlePath_->c_str(),
                        file.bytes.empty()     ? "it is empty"
                        : contents.blocks == 0 ? "it holds no PEM block"
                        : contents.unread == 0 ? "none of its PEM blocks is a certificate"
                                               : "none of its PEM blocks that read is a certificate");
                bundle->certificates = std::move(contents.certificates);
                // A root the bundle holds twice is indexed once (a bundle made of copies of one root
                // would otherwise give a check nothing but that root).
                std::unordered_set<std::string_view> seen;
                for (size_t i = 0; i < bundle->certificates.size(); ++i) {
                    auto& certificate = bundle->certificates[i];
                    if (seen.insert(certificate.der).second)
                        bundle->certificatesBySubject[certificate.subjectHash].push_back(i);
                }
                bundle->revocationLists = std::move(contents.revocationLists);
                for (size_t i = 0; i < bundle->revocationLists.size(); ++i)
                    if (const auto hash = hashOfName(X509_CRL_get_issuer(bundle->revocationLists[i].get())))
                        bundle->revocationListsByIssuer[*hash].push_back(i);
            }
        }
        // Each folder is asked whether it can be searched, never opened: its files are looked up by name.
        for (size_t i = 0; i < folders_.size(); ++i) {
            const int error = searchErrorOf(folders_[i]);
            if (error == ENOENT)
                logf("SystemRoots: the certificate folder %s does not exist", folders_[i].c_str());
            else if (error)
                sayUnsearchable(i, error);
        }
        if (!bundlePath_ && folders_.empty())
            logf("SystemRoots: no system certificate bundle is known; none is trusted");
        bundle_ = std::move(bundle);
    });
}

std::unique_ptr<X509, SystemRoots::X509Free> SystemRoots::decoded(const CertificateBytes& bytes) const {
    std::string key = (bytes.withTrustSettings ? "T" : "C") + bytes.der;
    {
        std::lock_guard lock(decodedMutex_);
        if (const auto found = decoded_.find(key); found != decoded_.end()) {
            X509_up_ref(found->second);
            return std::unique_ptr<X509, X509Free>(found->second);
        }
    }
    const auto* at = reinterpret_cast<const unsigned char*>(bytes.der.data());
    const long length = static_cast<long>(bytes.der.size());
    X509* certificate =
        bytes.withTrustSettings ? d2i_X509_AUX(nullptr, &at, length) : d2i_X509(nullptr, &at, length);
    if (!certificate) {
        logf("SystemRoots: a root certificate whose subject reads does not read whole; left out");
        return nullptr;
    }
    // Decoded now, while no other thread holds it: a check that found its extensions undecoded would
    // decode and keep them while another check read them.
    X509_check_purpose(certificate, -1, 0);
    std::lock_guard lock(decodedMutex_);
    if (const auto found = decoded_.find(key); found != decoded_.end()) {
        X509_free(certificate);  // decoded meanwhile for another check
        certificate = found->second;
    } else if (decoded_.size() < kMostDecoded) {
        decoded_.emplace(std::move(key), certificate);
    } else {
        return std::unique_ptr<X509, X509Free>(certificate);  // this check's alone
    }
    X509_up_ref(certificate);
    return std::unique_ptr<X509, X509Free>(certificate);
}

void SystemRoots::takeFromBundle(Check& check, X509_STORE* store, unsigned long hash) const {
    if (check.ended || !check.bundleTaken.insert(hash).second) return;
    const auto found = bundle_->certificatesBySubject.find(hash);
    if (found == bundle_->certificatesBySubject.end()) return;
    for (const size_t i : found->second) {
        if (check.ended) break;
        check.give(store, decoded(bundle_->certificates[i]).get());
    }
}

void SystemRoots::takeRevocationListsFromBundle(Check& check, X509_STORE* store, unsigned long hash) const {
    if (check.ended || !check.bundleListsTaken.insert(hash).second) return;
    const auto found = bundle_->revocationListsByIssuer.find(hash);
    if (found == bundle_->revocationListsByIssuer.end()) return;
    for (const size_t i : found->second) X509_STORE_add_crl(store, bundle_->revocationLists[i].get());
}

void SystemRoots::sayUnsearchable(size_t folder, int error) const {
    if (!unsearchableSaid_[folder].exchange(true))
        logf(
            "SystemRoots: the certificate folder %s cannot be searched (%s); its roots are left out while it "
            "stays so",
            folders_[folder].c_str(), std::strerror(error));
}

namespace {

// Whether an entry past the last one read under a hash is there, or may be: said, and the check reads no
// more. A folder of exactly as many as are read has left none out.
bool saidMoreEntries(const std::string& folder, unsigned long hash, bool revocation) {
    const std::string next =
        folder + format("/%08lx.%s%d", hash, revocation ? "r" : "", SystemRoots::kMostEntriesPerName);
    struct stat info {};
    if (lstat(next.c_str(), &info) != 0 && errno == ENOENT) return false;
    logf(
        "SystemRoots: the certificate folder %s holds more than %d %s for %08lx; %s and those after it are "
        "left out, and nothing more is read for the chain",
        folder.c_str(), SystemRoots::kMostEntriesPerName, revocation ? "revocation-list entries" : "entries",
        hash, next.c_str());
    return true;
}

// What follows a skipped entry: OpenSSL would have read it (or waited on it) for whatever it holds, which
// may be a root rejected for a server's use filed under any name; the check may only be given less.
constexpr const char* kNothingMore = ", and nothing more is read of the certificate folders for the chain";

}  // namespace

void SystemRoots::readFromFolder(Check& check, X509_STORE* store, size_t f, unsigned long hash,
                                 bool revocation) const {
    const std::string& folder = folders_[f];
    const char* const what = "the certificate folder's entry";
    int entry = revocation ? check.revocationEntryNext[{f, hash}] : 0;
    for (; entry < kMostEntriesPerName && !check.ended; ++entry) {
        const std::string path = folder + format("/%08lx.%s%d", hash, revocation ? "r" : "", entry);
        if (check.folderBytes >= kMostFolderBytesPerChain) {
            logf(
                "SystemRoots: a chain has had %zu bytes of the certificate folders read; nothing more is "
                "read for it",
                kMostFolderBytesPerChain);
            check.ended = true;
            break;
        }
        const auto file = readRootsFile(
            path, std::min(kMostFileBytes, kMostFolderBytesPerChain - check.folderBytes), &folder);
        if (file.outcome == RootsFile::Missing) break;
        if (file.outcome == RootsFile::Unsearchable) {
            check.unsearchable[f] = true;
            sayUnsearchable(f, file.error);
            break;
        }
        if (file.outcome == RootsFile::Unread) {
            if (check.firstSaid(path))
                logf(
                    "SystemRoots: %s %s cannot be read: %s; the entries after it under its hash are left out",
                    what, path.c_str(), std::strerror(file.error));
            break;
        }
        // Never opened, where OpenSSL would wait on it (a FIFO) or read on for good (a device).
        if (file.outcome == RootsFile::Skipped) {
            logf("SystemRoots: %s %s is not a regular file; skipped%s", what, path.c_str(), kNothingMore);
            check.ended = true;
            break;
        }
        if (file.outcome == RootsFile::TooLarge) {
            if (file.size <= kMostFileBytes)
                logf(
                    "SystemRoots: a chain has had %zu of the %zu bytes it may read of the certificate "
                    "folders; the entry %s (%llu bytes) and the rest are left out",
                    check.folderBytes, kMostFolderBytesPerChain, path.c_str(), file.size);
            else
                sayTooLarge(what, path, file, kNothingMore);
            check.ended = true;
            break;
        }
        check.folderBytes += file.bytes.size();
        // One more than there is room for, so that the bound, when it is met, is said.
        EntryContents contents =
            loadEntry(file.bytes, revocation, kMostRootsPerChain + 1 - check.given.size());
        for (auto& list : contents.revocationLists) X509_STORE_add_crl(store, list.get());
        for (auto& certificate : contents.certificates) {
            // The bundle's certificates of its name come first, as OpenSSL's store had them first.
            if (const auto itsHash = hashOfName(X509_get_subject_name(certificate.get())))
                takeFromBundle(check, store, *itsHash);
            check.give(store, certificate.get());
        }
        if (check.ended) break;
        if (contents.outcome == EntryContents::Cut) {
            // Copies given before took the room: what is left of the entry would pass the bound.
            logf(
                "SystemRoots: the certificate folder's entry %s holds more roots than a chain may be given; "
                "the rest, and anything after it, are left out",
                path.c_str());
            check.ended = true;
            break;
        }
        if (contents.outcome != EntryContents::Loads) {
            if (check.firstSaid(path))
                logf("SystemRoots: %s %s %s; the entries after it under its hash are left out", what,
                     path.c_str(),
                     contents.outcome == EntryContents::BlockUnread
                         ? "holds a PEM block that does not read (what comes before it counts)"
                     : revocation ? "holds no revocation list"
                                  : "holds no certificate");
            break;
        }
    }
    if (entry == kMostEntriesPerName && !check.ended && saidMoreEntries(folder, hash, revocation))
        check.ended = true;
    if (revocation) {
        int& next = check.revocationEntryNext[{f, hash}];
        next = std::max(next, entry);
    }
}

int SystemRoots::lookUp(Check& check, X509_STORE* store, X509_LOOKUP_TYPE type, const X509_NAME* name,
                        X509_OBJECT* found) const {
    if (type != X509_LU_X509 && type != X509_LU_CRL) return 0;
    const bool revocation = type == X509_LU_CRL;
    // The reading's errors go with it; those of the handshake the check runs in stay.
    ERR_set_mark();
    if (const auto hash = hashOfName(name); hash && !check.ended && check.ask(*hash)) {
        if (revocation)
            takeRevocationListsFromBundle(check, store, *hash);
        else
            takeFromBundle(check, store, *hash);
        // OpenSSL's store holds the bundle from the start, and looks a name up no further while it holds a
        // certificate of it. (Its revocation lists it looks up every time.)
        if (revocation || !storeHolds(store, type, name, nullptr)) {
            // Each folder in turn, until one has given the name.
            for (size_t f = 0; f < folders_.size() && !check.ended; ++f) {
                if (check.unsearchable[f]) continue;
                readFromFolder(check, store, f, *hash, revocation);
                if (storeHolds(store, type, name, nullptr)) break;
            }
        }
    }
    ERR_pop_to_mark();
    return storeHolds(store, type, name, found) ? 1 : 0;
}

}  // namespace platform
