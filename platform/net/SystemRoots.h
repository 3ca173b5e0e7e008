#pragma once

#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

// The system's trusted roots: a bundle (one file of PEM certificates) and a certificate folder, where
// each root lies in a file named by the hash of its subject ("5ad8a5d6.0", then "5ad8a5d6.1" for another
// root of the same hash, as `openssl rehash` names them; "5ad8a5d6.r0" for a revocation list). SSL_CERT_FILE
// and SSL_CERT_DIR, the variables OpenSSL's own default paths honour, name another bundle or folder
// (folders, separated by colons) in place of the built-in ones, each on its own.
//
// They answer a check as a lookup of its store, asked only for the names the check's building of the
// chain asks for, when it asks, as OpenSSL's folder lookup is asked: so what the server sends off its
// chain cannot steer which copy of a root the check meets first. The bundle is read once, when the first
// store is given the lookup, and kept as bytes indexed by the hash of each certificate's subject (a
// certificate is decoded only when a check asks for its name: decoding the key is most of what reading a
// certificate costs); OpenSSL's store holds the bundle from the start, so a check's store is given the
// bundle's certificates of a hash before anything else of that hash, and a name they answer is not looked
// up in the folders. The folders are read for the name asked as OpenSSL's lookup reads them: for each
// folder in turn, the entries under its hash, every certificate of an entry joining the store whatever its
// name (the first of two copies counting, trust settings and all), until one is missing or does not load
// (a block that does not read, no certificate, a folder, a file that cannot be read; what came before its
// bad block counting); then a folder that gave the name ends the search. So a chain costs the same whether
// the folder holds a hundred roots or twenty thousand.
//
// Where OpenSSL would read what is not read here, the check is given less, never other: only regular files
// are opened (followed through symbolic links), as a FIFO, a device or a socket would keep the reader
// waiting for good; one is never opened, nor is a file larger than any bundle anyone ships read, and
// either ends what the check reads of the folders, with a log line, as does any of the bounds below. What
// the check's store holds is then what OpenSSL's would hold up to that point: the chain may be refused
// where OpenSSL would trust it, never trusted where OpenSSL would refuse it. A folder that cannot be
// searched (a symbolic link that loops, no folder, no permission to search it) is left out of a check at
// its first entry, and said once for the object's life. Safe to use from several threads at once, one
// store each.
class SystemRoots {
public:
    // A roots file (the bundle or a folder's entry) larger than this is skipped: the system's bundle is a
    // quarter of a megabyte. No more than this is ever read of one, in case it grows while it is read.
    static constexpr size_t kMostFileBytes = 16 << 20;
    // What one check may have read from the folders and given its store, at most (a chain of a real
    // server names three or four subjects, each a file or two of a few kilobytes).
    static constexpr size_t kMostFolderBytesPerChain = 16 << 20;
    static constexpr size_t kMostNamesPerChain = 128;
    static constexpr size_t kMostRootsPerChain = 256;
    static constexpr int kMostEntriesPerName = 64;  // "5ad8a5d6.0" to "5ad8a5d6.63"

    // Names the bundle and folders, the variables' in place of the built-in ones; reads nothing yet.
    SystemRoots(const char* builtInBundle, const char* builtInFolder);
    ~SystemRoots();
    SystemRoots(const SystemRoots&) = delete;
    SystemRoots& operator=(const SystemRoots&) = delete;

    // Makes the roots a lookup of the store, with the state of one check, which goes with the store: the
    // roots must outlive it. Reads the bundle the first time. A bound met, or an entry skipped, is said in
    // the log, and the check is then judged by what was read before it. False when the store cannot take
    // the lookup (it has one of these already, or there is no memory).
    bool addLookupTo(X509_STORE* store) const;

    struct X509Free {
        void operator()(X509* certificate) const;
    };
    struct CRLFree {
        void operator()(X509_CRL* list) const;
    };

    // The PEM blocks of a roots file's text, each read on its own: a certificate as its DER bytes with the
    // hash of its subject, found without decoding the rest of it, a revocation list decoded. A block
    // that does not read is counted and left out. (Public for the fuzz target.)
    struct CertificateBytes {
        std::string der;
        unsigned long subjectHash;
        bool withTrustSettings;  // a "TRUSTED CERTIFICATE" block: the certificate, then OpenSSL's trust data
    };
    struct TextContents {
        std::vector<CertificateBytes> certificates;
        std::vector<std::unique_ptr<X509_CRL, CRLFree>> revocationLists;
        size_t blocks = 0;
        size_t unread = 0;
    };
    static TextContents readText(std::string_view text);
    // The hash OpenSSL names a folder's files by, of the subject of a certificate's DER bytes, found by
    // walking its outer elements only; none when they do not read as a certificate's.
    static std::optional<unsigned long> subjectHashOfDER(std::string_view der);

private:
    struct Bundle;
    struct Check;
    void readBundleOnce() const;
    // The lookup's answer for the name: what the store holds of it, once the bundle and the folders have
    // given the store what they hold for it. 1 when found, with `found` borrowing the store's object.
    int lookUp(Check& check, X509_STORE* store, X509_LOOKUP_TYPE type, const X509_NAME* name,
               X509_OBJECT* found) const;
    // The bundle's certificates under the hash, the first time the check asks: OpenSSL's store holds them
    // from the start, ahead of any of the folders of the same name.
    void takeFromBundle(Check& check, X509_STORE* store, unsigned long hash) const;
    void takeRevocationListsFromBundle(Check& check, X509_STORE* store, unsigned long hash) const;
    // Reads the folder's entries under the hash into the store, as OpenSSL's lookup reads them.
    void readFromFolder(Check& check, X509_STORE* store, size_t folder, unsigned long hash,
                        bool revocation) const;
    // Says, the first time only, that the folder (an index into folders_) cannot be searched, and why.
    void sayUnsearchable(size_t folder, int error) const;
    // The decoded certificate of the bytes, shared through the cache when there is room.
    std::unique_ptr<X509, X509Free> decoded(const CertificateBytes& bytes) const;

    std::optional<std::string> bundlePath_;
    std::vector<std::string> folders_;
    std::unique_ptr<std::atomic<bool>[]> unsearchableSaid_;  // one for each folder

    mutable std::once_flag bundleRead_;
    mutable std::unique_ptr<Bundle> bundle_;  // written once, under bundleRead_; read-only after

    // Certificates of the bundle decoded for checks before, by their bytes (the "TRUSTED" ones marked), up
    // to kMostDecoded of them: a chain's root is decoded once a process.
    static constexpr size_t kMostDecoded = 4096;
    mutable std::mutex decodedMutex_;
    mutable std::unordered_map<std::string, X509*> decoded_;
};

}  // namespace platform
