#include "platform/net/SystemRoots.h"

#include <dirent.h>
#include <fcntl.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/base/Log.h"
#include "platform/base/Strings.h"

namespace platform {

namespace {

// The bytes of a roots file, or none when it is not a regular file or cannot be read (said in the log).
// Whether it is regular is asked before it is opened, so that nothing else is ever opened; the open does
// not wait (O_NONBLOCK) and is asked again, in case the path was swapped for a FIFO in between.
std::optional<std::string> readRegularRootsFile(const std::string& path, const char* what) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        logf("SystemRoots: %s %s cannot be read: %s", what, path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    const auto notRegular = [&] {
        logf("SystemRoots: %s %s is not a regular file; skipped", what, path.c_str());
        return std::nullopt;
    };
    if (!S_ISREG(info.st_mode)) return notRegular();
    const int descriptor = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        logf("SystemRoots: %s %s cannot be read: %s", what, path.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(descriptor);
        return notRegular();
    }
    std::string bytes;
    char buffer[16384];
    for (;;) {
        const ssize_t got = read(descriptor, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            logf("SystemRoots: %s %s cannot be read: %s", what, path.c_str(), std::strerror(errno));
            close(descriptor);
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<size_t>(got));
    }
    close(descriptor);
    return bytes;
}

// The PEM blocks of a text, each from its "-----BEGIN" to the end of its "-----END ...-----" line, as
// written.
std::vector<std::string_view> pemBlocksOf(std::string_view text) {
    std::vector<std::string_view> blocks;
    for (size_t at = text.find("-----BEGIN "); at != std::string_view::npos;
         at = text.find("-----BEGIN ", at)) {
        const size_t end = text.find("-----END ", at);
        const size_t close = end == std::string_view::npos ? end : text.find("-----", end + 9);
        if (close == std::string_view::npos) break;
        blocks.push_back(text.substr(at, close + 5 - at));
        at = close + 5;
    }
    return blocks;
}

// Adds the certificates and revocation lists of PEM texts to a store, as OpenSSL's own loading of a bundle
// does (a text that does not read whole adds nothing). A text whose every block was in a text read
// before is not read again: the folder's roots are, on Debian, each a copy of one of the bundle, and
// reading a certificate is most of the time the store takes to make, for nothing the store does not
// hold already.
class PEMRootsReader {
public:
    explicit PEMRootsReader(X509_STORE* store) : store_(store) {}

    // How many certificates and revocation lists the text holds (none when it does not read).
    size_t add(const std::string& text) {
        const auto blocks = pemBlocksOf(text);
        if (!blocks.empty() && std::all_of(blocks.begin(), blocks.end(), [&](std::string_view block) {
                return read_.count(std::string(block)) > 0;
            }))
            return blocks.size();
        BIO* bytes = BIO_new_mem_buf(text.data(), static_cast<int>(text.size()));
        STACK_OF(X509_INFO)* items =
            bytes ? PEM_X509_INFO_read_bio(bytes, nullptr, nullptr, nullptr) : nullptr;
        size_t found = 0;
        for (int i = 0; items && i < sk_X509_INFO_num(items); ++i) {
            const X509_INFO* item = sk_X509_INFO_value(items, i);
            // The store takes references of its own; one it holds already is not added twice.
            if (item->x509 && X509_STORE_add_cert(store_, item->x509) == 1) ++found;
            if (item->crl && X509_STORE_add_crl(store_, item->crl) == 1) ++found;
        }
        if (items)
            for (const auto block : blocks) read_.emplace(block);
        sk_X509_INFO_pop_free(items, X509_INFO_free);
        BIO_free(bytes);
        return found;
    }

private:
    X509_STORE* const store_;
    std::unordered_set<std::string> read_;  // the blocks of the texts read whole
};

// A name OpenSSL's folder lookup asks for: eight hexadecimal digits of a subject's hash, a dot, then the
// number of the certificate ("5ad8a5d6.0") or of the revocation list ("5ad8a5d6.r0") under that hash.
// Other files of the folder (Debian's keeps the bundle and each root under its own name there too) were
// never looked up and are not read.
bool isHashedRootName(const char* name) {
    const size_t length = std::strlen(name);
    if (length < 10 || name[8] != '.') return false;
    for (size_t i = 0; i < 8; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])) ||
            std::isupper(static_cast<unsigned char>(name[i])))
            return false;
    size_t at = name[9] == 'r' ? 10 : 9;
    if (at == length) return false;
    for (; at < length; ++at)
        if (!std::isdigit(static_cast<unsigned char>(name[at]))) return false;
    return true;
}

void readRootsFolder(PEMRootsReader& reader, const std::string& folder) {
    DIR* listing = opendir(folder.c_str());  // opens only a directory, at once, whatever the path is
    if (!listing) {
        logf("SystemRoots: the certificate folder %s cannot be read: %s", folder.c_str(),
             std::strerror(errno));
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(listing))
        if (isHashedRootName(entry->d_name)) names.emplace_back(entry->d_name);
    closedir(listing);
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        const std::string path = folder + "/" + name;
        const auto text = readRegularRootsFile(path, "the certificate folder's entry");
        if (text && reader.add(*text) == 0)
            logf("SystemRoots: the certificate folder's entry %s holds no certificate", path.c_str());
    }
}

}  // namespace

void SystemRoots::readInto(X509_STORE* store, const char* builtInBundle, const char* builtInFolder) {
    if (!store) return;
    // What reading leaves on this thread's error queue (a text that is no PEM) goes with it: the reading
    // may run inside a handshake, whose own entries stay.
    ERR_set_mark();
    const char* bundle = builtInBundle && *builtInBundle ? builtInBundle : nullptr;
    const char* folders = builtInFolder && *builtInFolder ? builtInFolder : nullptr;
    if (const char* named = secure_getenv(X509_get_default_cert_file_env()); named && *named) bundle = named;
    if (const char* named = secure_getenv(X509_get_default_cert_dir_env()); named && *named) folders = named;
    PEMRootsReader reader(store);
    if (bundle) {
        const auto text = readRegularRootsFile(bundle, "the certificate bundle");
        if (text && reader.add(*text) == 0)
            logf("SystemRoots: the system's trusted certificates cannot be read from %s", bundle);
    }
    if (folders) {
        for (const auto& folder : split(folders, ":"))
            if (!folder.empty()) readRootsFolder(reader, folder);
    }
    if (!bundle && !folders) logf("SystemRoots: no system certificate bundle is known; none is trusted");
    // Decoded now, while nothing else uses the store: a check that found them undecoded would decode and
    // keep them while another check read them.
    const STACK_OF(X509_OBJECT)* objects = X509_STORE_get0_objects(store);
    for (int i = 0; i < sk_X509_OBJECT_num(objects); ++i)
        if (X509* certificate = X509_OBJECT_get0_X509(sk_X509_OBJECT_value(objects, i)))
            X509_check_purpose(certificate, -1, 0);
    ERR_pop_to_mark();
}

}  // namespace platform
