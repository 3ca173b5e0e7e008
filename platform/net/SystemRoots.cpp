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

#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

// What became of a roots file: read (its bytes), missing (the end of a folder's entries under a hash, said
// nowhere), skipped as no regular file (a FIFO, a device: never opened; said in the log), unread (a folder,
// or it cannot be read: said in the log), too large (said by the caller, who knows what the limit stood
// for), or out of reach because its folder cannot be searched (said by the caller, once).
struct RootsFile {
    enum Outcome { Read, Missing, Skipped, Unread, TooLarge, Unsearchable } outcome;
    std::string bytes;
    unsigned long long size = 0;  // TooLarge: what the file was found to hold, at least
    bool grew = false;            // TooLarge: its size was within the limit, and it grew past it as read
    int error = 0;                // Unsearchable: why its folder cannot be searched
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
RootsFile readRootsFile(const std::string& path, const char* what, size_t limit, const std::string* folder) {
    // An entry OpenSSL's lookup cannot read ends its numbering: the entries after it are not looked at.
    const char* const rest = folder ? "; the entries after it under its hash are left out" : "";
    const auto unread = [&](int error) {
        logf("SystemRoots: %s %s cannot be read: %s%s", what, path.c_str(), std::strerror(error), rest);
        return RootsFile{RootsFile::Unread, {}};
    };
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
    const auto notRegular = [&] {
        logf("SystemRoots: %s %s is not a regular file; skipped", what, path.c_str());
        return RootsFile{RootsFile::Skipped, {}};
    };
    if (!S_ISREG(info.st_mode)) return notRegular();
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return unread(errno);
    struct Closer {
        int descriptor;
        ~Closer() { close(descriptor); }
    } closer{descriptor};
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) return notRegular();
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

// Says that a roots file is larger than any bundle of roots.
void sayTooLarge(const char* what, const std::string& path, const RootsFile& file) {
    logf("SystemRoots: %s %s %s %zu bytes, more than any bundle of roots; skipped", what, path.c_str(),
         file.grew ? "grew past" : "is larger than", SystemRoots::kMostFileBytes);
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
    enum { Loads, HoldsNone, BlockUnread } outcome = HoldsNone;
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
            contents.outcome = EntryContents::Loads;  // the rest is past the chain's bound on roots
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

// The certificate's bytes, its trust settings with them: what tells one copy from another.
std::string bytesWithTrustSettingsOf(X509* certificate) {
    unsigned char* der = nullptr;
    const int length = i2d_X509_AUX(certificate, &der);
    std::string bytes =
        length > 0 ? std::string(reinterpret_cast<char*>(der), static_cast<size_t>(length)) : "";
    OPENSSL_free(der);
    return bytes;
}

}  // namespace

void SystemRoots::ForChain::X509Free::operator()(X509* certificate) const {
    X509_free(certificate);
}
void SystemRoots::ForChain::CRLFree::operator()(X509_CRL* list) const {
    X509_CRL_free(list);
}

void SystemRoots::ForChain::addTo(X509_STORE* store) const {
    if (!store) return;
    // Each adds to the store's list, which OpenSSL searches (sorting it first) on every addition: a
    // chain's few roots, never a bundle of them. In the order gathered: of two copies of one certificate
    // (one with trust settings, one without) the store keeps the first it is given.
    for (const auto& certificate : certificates_) X509_STORE_add_cert(store, certificate.get());
    for (const auto& list : revocationLists_) X509_STORE_add_crl(store, list.get());
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
    std::vector<std::unique_ptr<X509_CRL, ForChain::CRLFree>> revocationLists;
    std::unordered_map<unsigned long, std::vector<size_t>> revocationListsByIssuer;
};

// What one chain has asked for and been given so far, within the bounds: the roots as OpenSSL's store for
// the chain would hold them, in the order it would have been given them.
struct SystemRoots::Gathering {
    struct Name {
        unsigned long hash;
        const X509_NAME* name;  // of a certificate of the chain or of the roots, which outlive the gathering
    };
    ForChain roots;
    std::vector<Name> names;  // in the order asked for
    std::unordered_set<unsigned long> asked;
    std::unordered_set<unsigned long> bundleTaken;  // hashes whose certificates of the bundle are given
    std::unordered_set<std::string> taken;          // the bytes of the certificates given
    size_t folderBytes = 0;
    bool folderBytesSpent = false;   // no more is read of the folders for this chain
    std::vector<bool> unsearchable;  // the folders found so in this check, which looks no more in them
    bool namesBoundSaid = false, rootsBoundSaid = false;

    void ask(const X509_NAME* name) {
        const auto hash = hashOfName(name);
        if (!hash || asked.count(*hash)) return;
        if (asked.size() >= kMostNamesPerChain) {
            if (!namesBoundSaid)
                logf(
                    "SystemRoots: a chain names more than %zu subjects; the roots of the others are not read",
                    kMostNamesPerChain);
            namesBoundSaid = true;
            return;
        }
        asked.insert(*hash);
        names.push_back({*hash, name});
    }
    // Whether a certificate of the name has been given: OpenSSL's store then looks it up no further.
    bool holds(const X509_NAME* name) const {
        for (const auto& certificate : roots.certificates_)
            if (X509_NAME_cmp(X509_get_subject_name(certificate.get()), name) == 0) return true;
        return false;
    }
    // Whether the folders may still be read for this chain.
    bool folderBytesLeft() {
        if (!folderBytesSpent && folderBytes >= kMostFolderBytesPerChain) {
            logf(
                "SystemRoots: a chain has had %zu bytes of the certificate folders read; the rest are left "
                "out",
                kMostFolderBytesPerChain);
            folderBytesSpent = true;
        }
        return !folderBytesSpent;
    }
    // An entry no larger than a roots file may be, that would take the chain past what it may read of the
    // folders: what is left is too little for it, and said to be spent.
    void spendFolderBytes(const std::string& path, unsigned long long size) {
        logf(
            "SystemRoots: a chain has had %zu of the %zu bytes it may read of the certificate folders; the "
            "entry %s (%llu bytes) and the rest are left out",
            folderBytes, kMostFolderBytesPerChain, path.c_str(), size);
        folderBytesSpent = true;
    }
    bool roomForRoots() {
        if (roots.certificates_.size() < kMostRootsPerChain) return true;
        if (!rootsBoundSaid)
            logf("SystemRoots: more than %zu roots may issue a chain's certificates; the others are left out",
                 kMostRootsPerChain);
        rootsBoundSaid = true;
        return false;
    }
    // Gives the certificate, unless the same bytes were given before; `key` names its bytes.
    void take(std::unique_ptr<X509, ForChain::X509Free> certificate, std::string key) {
        if (!certificate || !taken.insert(std::move(key)).second) return;
        // A root's own issuer (a cross-signed root, or an intermediate the folder holds) is asked for in
        // turn.
        if (X509_NAME_cmp(X509_get_issuer_name(certificate.get()),
                          X509_get_subject_name(certificate.get())) != 0)
            ask(X509_get_issuer_name(certificate.get()));
        roots.certificates_.push_back(std::move(certificate));
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

void SystemRoots::readBundleOnce() const {
    std::call_once(bundleRead_, [this] {
        auto bundle = std::make_unique<Bundle>();
        if (bundlePath_) {
            const auto file = readRootsFile(*bundlePath_, "the certificate bundle", kMostFileBytes, nullptr);
            if (file.outcome == RootsFile::TooLarge)
                sayTooLarge("the certificate bundle", *bundlePath_, file);
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
                // would otherwise give a chain nothing but that root).
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

std::unique_ptr<X509, SystemRoots::ForChain::X509Free> SystemRoots::decoded(
    const CertificateBytes& bytes) const {
    std::string key = (bytes.withTrustSettings ? "T" : "C") + bytes.der;
    {
        std::lock_guard lock(decodedMutex_);
        if (const auto found = decoded_.find(key); found != decoded_.end()) {
            X509_up_ref(found->second);
            return std::unique_ptr<X509, ForChain::X509Free>(found->second);
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
        X509_free(certificate);  // decoded meanwhile for another chain
        certificate = found->second;
    } else if (decoded_.size() < kMostDecoded) {
        decoded_.emplace(std::move(key), certificate);
    } else {
        return std::unique_ptr<X509, ForChain::X509Free>(certificate);  // this chain's alone
    }
    X509_up_ref(certificate);
    return std::unique_ptr<X509, ForChain::X509Free>(certificate);
}

void SystemRoots::takeFromBundle(Gathering& gathering, unsigned long hash) const {
    if (!gathering.bundleTaken.insert(hash).second) return;
    const auto found = bundle_->certificatesBySubject.find(hash);
    if (found == bundle_->certificatesBySubject.end()) return;
    for (const size_t i : found->second) {
        if (!gathering.roomForRoots()) break;
        const CertificateBytes& bytes = bundle_->certificates[i];
        gathering.take(decoded(bytes), (bytes.withTrustSettings ? "T" : "C") + bytes.der);
    }
}

void SystemRoots::sayUnsearchable(size_t folder, int error) const {
    if (!unsearchableSaid_[folder].exchange(true))
        logf(
            "SystemRoots: the certificate folder %s cannot be searched (%s); its roots are left out while it "
            "stays so",
            folders_[folder].c_str(), std::strerror(error));
}

namespace {

// Said only when an entry past the last one read is there, or may be: a folder of exactly as many as are
// read has left none out.
void sayIfMoreEntries(const std::string& folder, unsigned long hash, bool revocation) {
    const std::string next =
        folder + format("/%08lx.%s%d", hash, revocation ? "r" : "", SystemRoots::kMostEntriesPerName);
    struct stat info {};
    if (lstat(next.c_str(), &info) == 0 || errno != ENOENT)
        logf(
            "SystemRoots: the certificate folder %s holds more than %d %s for %08lx; %s and those after it "
            "are left out",
            folder.c_str(), SystemRoots::kMostEntriesPerName,
            revocation ? "revocation-list entries" : "entries", hash, next.c_str());
}

}  // namespace

void SystemRoots::gatherFromFolders(Gathering& gathering, unsigned long hash, const X509_NAME* name,
                                    X509* copiesOf) const {
    for (size_t f = 0; f < folders_.size(); ++f) {
        const std::string& folder = folders_[f];
        for (const bool revocation : {false, true}) {
            if (gathering.unsearchable[f]) break;
            // OpenSSL's store looks a name up in the folders only while it holds no certificate of it: not
            // when the bundle holds one, nor once an earlier folder, or an entry read for another name, gave
            // one. (Its revocation lists it looks up every time.)
            if (!revocation && gathering.holds(name)) continue;
            int entry = 0;
            for (; entry < kMostEntriesPerName; ++entry) {
                if (!gathering.folderBytesLeft()) return;
                const std::string path = folder + format("/%08lx.%s%d", hash, revocation ? "r" : "", entry);
                const char* const what = "the certificate folder's entry";
                const auto file = readRootsFile(
                    path, what, std::min(kMostFileBytes, kMostFolderBytesPerChain - gathering.folderBytes),
                    &folder);
                if (file.outcome == RootsFile::Missing || file.outcome == RootsFile::Unread) break;
                if (file.outcome == RootsFile::Unsearchable) {
                    gathering.unsearchable[f] = true;
                    sayUnsearchable(f, file.error);
                    break;
                }
                if (file.outcome == RootsFile::TooLarge) {
                    if (file.size <= kMostFileBytes) {
                        gathering.spendFolderBytes(path, file.size);
                        return;
                    }
                    sayTooLarge(what, path, file);
                    continue;  // the next may still read
                }
                // Never opened, where OpenSSL would wait on it (a FIFO) or read on for good (a device).
                if (file.outcome == RootsFile::Skipped) continue;
                gathering.folderBytes += file.bytes.size();
                // One more than there is room for, so that the bound, when it is met, is said.
                EntryContents contents = loadEntry(
                    file.bytes, revocation, kMostRootsPerChain + 1 - gathering.roots.certificates_.size());
                for (auto& list : contents.revocationLists)
                    gathering.roots.revocationLists_.emplace_back(list.release());
                for (auto& loaded : contents.certificates) {
                    std::unique_ptr<X509, ForChain::X509Free> certificate(loaded.release());
                    if (copiesOf && X509_cmp(certificate.get(), copiesOf) != 0) continue;
                    // The bundle's certificates of its name come first, as OpenSSL's store had them first.
                    if (const auto itsHash = hashOfName(X509_get_subject_name(certificate.get())))
                        takeFromBundle(gathering, *itsHash);
                    if (!gathering.roomForRoots()) break;
                    std::string key = "F" + bytesWithTrustSettingsOf(certificate.get());
                    // Decoded now, as the bundle's are before a check shares them.
                    X509_check_purpose(certificate.get(), -1, 0);
                    gathering.take(std::move(certificate), std::move(key));
                }
                if (contents.outcome != EntryContents::Loads) {
                    logf(
                        "SystemRoots: the certificate folder's entry %s %s; the entries after it under its "
                        "hash are left out",
                        path.c_str(),
                        contents.outcome == EntryContents::BlockUnread
                            ? "holds a PEM block that does not read (what comes before it counts)"
                        : revocation ? "holds no revocation list"
                                     : "holds no certificate");
                    break;
                }
            }
            if (entry == kMostEntriesPerName) sayIfMoreEntries(folder, hash, revocation);
        }
    }
}

void SystemRoots::lookUp(Gathering& gathering, size_t index, X509* copiesOf) const {
    const Gathering::Name asked = gathering.names[index];  // a copy: asking more may move the names
    takeFromBundle(gathering, asked.hash);
    if (const auto found = bundle_->revocationListsByIssuer.find(asked.hash);
        found != bundle_->revocationListsByIssuer.end()) {
        for (const size_t i : found->second) {
            X509_CRL* list = bundle_->revocationLists[i].get();
            X509_CRL_up_ref(list);
            gathering.roots.revocationLists_.emplace_back(list);
        }
    }
    gatherFromFolders(gathering, asked.hash, asked.name, copiesOf);
}

SystemRoots::ForChain SystemRoots::rootsFor(X509* leaf, STACK_OF(X509) * sent) const {
    // What reading leaves on this thread's error queue (a block that is no PEM) goes with it: the reading
    // runs inside a handshake, whose own entries stay.
    ERR_set_mark();
    readBundleOnce();
    Gathering gathering;
    gathering.unsearchable.assign(folders_.size(), false);
    // The names in the order OpenSSL's building of the chain asks its store for them, since what an entry
    // read for one name holds of another decides what that other is found as: the issuer of the server's
    // certificate, then of the others it sent, in their order, then of the roots as they are found.
    if (leaf) gathering.ask(X509_get_issuer_name(leaf));
    for (int i = 0; sent && i < sk_X509_num(sent); ++i)
        gathering.ask(X509_get_issuer_name(sk_X509_value(sent, i)));
    size_t next = 0;
    for (; next < gathering.names.size(); ++next) lookUp(gathering, next, nullptr);
    // Last, the server's own certificate, which OpenSSL looks for (for a chain that may end at it) only
    // when nothing else of the chain was found: what the folder holds under its name then comes too late
    // to issue anything, and only copies of the certificate itself count.
    if (leaf) {
        gathering.ask(X509_get_subject_name(leaf));
        if (next < gathering.names.size()) lookUp(gathering, next, leaf);
    }
    ERR_pop_to_mark();
    return std::move(gathering.roots);
}

}  // namespace platform
