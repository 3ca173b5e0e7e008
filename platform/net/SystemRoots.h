#pragma once

#include <openssl/x509.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace platform {

// The system's trusted roots: a bundle (one file of PEM certificates) and a certificate folder, where
// each root lies in a file named by the hash of its subject ("5ad8a5d6.0", then "5ad8a5d6.1" for another
// root of the same hash, as `openssl rehash` names them; "5ad8a5d6.r0" for a revocation list). SSL_CERT_FILE
// and SSL_CERT_DIR, the variables OpenSSL's own default paths honour, name another bundle or folder
// (folders, separated by colons) in place of the built-in ones, each on its own.
//
// Nothing is read for a check but what its chain names: the bundle once, when the first chain is given,
// kept as bytes indexed by the hash of each certificate's subject (a certificate is decoded only when a
// chain needs it: decoding the key is most of what reading a certificate costs), and from the folder, for
// each chain, only the files named by the hashes of the names OpenSSL's building of the chain asks its
// store for, in its order: the issuers of the chain's certificates, then of the roots found, the server
// certificate's own subject last. So a chain costs the same whether the folder holds a hundred roots or
// twenty thousand. An entry is loaded as OpenSSL's folder lookup loads one: every certificate in it joins
// the chain's roots, whatever its name, and a name the roots already hold (from the bundle, or from an
// entry read for another name) is not looked up in the folder; an entry that does not load (a block that
// does not read, no certificate, a folder, a file that cannot be read) ends the entries read under its
// hash, what came before its bad block counting. Only regular files are opened (followed through symbolic
// links): a FIFO, a device or a socket would keep the reader waiting on it for good, and is skipped with a
// log line, the entries after it still read; so is a file larger than any bundle anyone ships, in bounded
// time and memory. A folder that cannot be searched (a symbolic link that loops, no folder, no permission
// to search it) is left out of a check at its first entry, and said once for the object's life.
// Copies of one certificate count as OpenSSL's own loading counts them: the first in the bundle, then the
// folder's in the order read. A copy with trust settings ("TRUSTED CERTIFICATE", such as a root marked
// rejected for a server's use) ahead of a plain one is the one that counts, and the other way round. Safe
// to use from several threads at once.
class SystemRoots {
public:
    // A roots file (the bundle or a folder's entry) larger than this is skipped: the system's bundle is a
    // quarter of a megabyte. No more than this is ever read of one, in case it grows while it is read.
    static constexpr size_t kMostFileBytes = 16 << 20;
    // What one chain may have read from the folders and taken from the roots, at most (a chain of a real
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

    // The roots and revocation lists a chain may be verified against, read ahead of the check (each
    // certificate's extensions decoded too, which a check would otherwise decode and keep in the
    // certificate as it ran): a check then reads no file, and adds to a store of its own in memory.
    class ForChain {
    public:
        ForChain() = default;
        ForChain(ForChain&&) = default;
        ForChain& operator=(ForChain&&) = default;
        // Adds them to the store, which takes references of its own.
        void addTo(X509_STORE* store) const;

    private:
        friend class SystemRoots;
        struct X509Free {
            void operator()(X509* certificate) const;
        };
        struct CRLFree {
            void operator()(X509_CRL* list) const;
        };
        std::vector<std::unique_ptr<X509, X509Free>> certificates_;
        std::vector<std::unique_ptr<X509_CRL, CRLFree>> revocationLists_;
    };
    // Reads the bundle the first time, then what the chain names (the server's certificate, then the
    // others it sent). A bound reached is said in the log: the chain is then judged by what was read.
    ForChain rootsFor(X509* leaf, STACK_OF(X509) * sent) const;

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
        std::vector<std::unique_ptr<X509_CRL, ForChain::CRLFree>> revocationLists;
        size_t blocks = 0;
        size_t unread = 0;
    };
    static TextContents readText(std::string_view text);
    // The hash OpenSSL names a folder's files by, of the subject of a certificate's DER bytes, found by
    // walking its outer elements only; none when they do not read as a certificate's.
    static std::optional<unsigned long> subjectHashOfDER(std::string_view der);

private:
    struct Bundle;
    struct Gathering;
    void readBundleOnce() const;
    // Gives the chain what the bundle and the folders hold for the name asked for at `index`; of the
    // folders' certificates only copies of `copiesOf`, when it is given.
    void lookUp(Gathering& gathering, size_t index, X509* copiesOf) const;
    // The bundle's certificates under the hash, the first time it is asked: OpenSSL's store holds them
    // from the start, ahead of any of the folders of the same name.
    void takeFromBundle(Gathering& gathering, unsigned long hash) const;
    void gatherFromFolders(Gathering& gathering, unsigned long hash, const X509_NAME* name,
                           X509* copiesOf) const;
    // Says, the first time only, that the folder (an index into folders_) cannot be searched, and why.
    void sayUnsearchable(size_t folder, int error) const;
    // The decoded certificate of the bytes, shared through the cache when there is room.
    std::unique_ptr<X509, ForChain::X509Free> decoded(const CertificateBytes& bytes) const;

    std::optional<std::string> bundlePath_;
    std::vector<std::string> folders_;
    std::unique_ptr<std::atomic<bool>[]> unsearchableSaid_;  // one for each folder

    mutable std::once_flag bundleRead_;
    mutable std::unique_ptr<Bundle> bundle_;  // written once, under bundleRead_; read-only after

    // Certificates decoded for chains before, by their bytes (the "TRUSTED" ones marked), up to
    // kMostDecoded of them: a chain's root is decoded once a process.
    static constexpr size_t kMostDecoded = 4096;
    mutable std::mutex decodedMutex_;
    mutable std::unordered_map<std::string, X509*> decoded_;
};

}  // namespace platform
