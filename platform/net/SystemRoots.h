#pragma once

#include <openssl/types.h>

namespace platform {

// The system's trusted roots: a bundle (one file of PEM certificates) and a certificate folder, where
// each root lies in a file named by the hash of its subject ("5ad8a5d6.0", as `openssl rehash` names
// them). SSL_CERT_FILE and SSL_CERT_DIR, the variables OpenSSL's own default paths honour, name another
// bundle or folder (folders, separated by colons) in place of the built-in ones, each on its own.
class SystemRoots {
public:
    // Reads the roots into `store`, all of them now: the bundle whole and every hash-named file of the
    // folder, where OpenSSL's folder lookup would read a root's file only once a check asks for it. A
    // check against the store then reads no file, so none can keep it waiting, and a store shared by
    // checks at once is not added to by them. For the same reason each certificate's extensions are
    // decoded here, ahead of the checks that would otherwise decode them and keep them in the
    // certificate as they ran. Only regular files are opened (followed through symbolic links): a FIFO,
    // a device or a socket in the bundle's place or in the folder would keep the reader waiting on it
    // for good, and is skipped with a log line. A root added to the folder afterwards is not seen by
    // this store.
    static void readInto(X509_STORE* store, const char* builtInBundle, const char* builtInFolder);
};

}  // namespace platform
