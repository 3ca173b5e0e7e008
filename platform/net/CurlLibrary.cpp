// libcurl is loaded when the first transfer needs it, not when the program starts: with the libraries
// it depends on (TLS, Kerberos, LDAP, SSH, RTMP, IDN...) it is some thirty shared libraries, and loading
// and binding them was a large part of the start-up time of a run that makes no request at all (no
// server configured).
//
// The program is not linked against libcurl. These definitions of the libcurl functions the program
// calls load it on the first call and forward to its own; when it cannot be loaded, each answers as
// libcurl answers a failed initialisation (no handle, CURLE_FAILED_INIT), after one log line.
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

#include "platform/base/Log.h"
#include "platform/mach/ImageLoader.h"

// curl.h wraps these in macros that check the number of arguments; the definitions below need the names.
#undef curl_easy_setopt
#undef curl_easy_getinfo
#undef curl_multi_setopt

namespace {

void* curlLibrary() {
    static void* const library = [] {
        // Through the platform's loader, so that the crash kit knows libcurl and what it brings in.
        void* handle = platform::mach::ImageLoader::load("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            platform::logf("Network: libcurl could not be loaded (%s); no request can be made",
                           why ? why : "");
        }
        return handle;
    }();
    return library;
}

template <typename Function>
Function* real(const char* name) {
    void* library = curlLibrary();
    return library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
}

// The function of libcurl with the name of the one calling this, looked up once.
#define CURL_REAL(name) static auto* const forward = real<decltype(name)>(#name)

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
    CURL_REAL(curl_global_init);
    return forward ? forward(flags) : CURLE_FAILED_INIT;
}

void curl_global_cleanup() {
    CURL_REAL(curl_global_cleanup);
    if (forward) forward();
}

char* curl_version() {
    CURL_REAL(curl_version);
    static char none[] = "libcurl (not loaded)";
    return forward ? forward() : none;
}

void curl_free(void* pointer) {
    CURL_REAL(curl_free);
    if (forward) forward(pointer);
}

curl_slist* curl_slist_append(curl_slist* list, const char* data) {
    CURL_REAL(curl_slist_append);
    return forward ? forward(list, data) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    CURL_REAL(curl_slist_free_all);
    if (forward) forward(list);
}

CURL* curl_easy_init() {
    CURL_REAL(curl_easy_init);
    return forward ? forward() : nullptr;
}

// The option enumerations are the last named parameters of the functions that take a variable argument,
// as in libcurl's own definitions: an int in all but name, which the argument area begins after. (Clang
// warns of promotion for any enumeration there; these promote to the same int.)
static_assert(sizeof(CURLoption) == sizeof(int) && sizeof(CURLINFO) == sizeof(int) &&
              sizeof(CURLMoption) == sizeof(int));
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wvarargs"
#endif

// The argument's type follows from the option's number: a long, a pointer (object, text, list, blob),
// a function or a file offset.
CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
    CURL_REAL(curl_easy_setopt);
    if (!forward) return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, option);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = forward(curl, option, va_arg(arguments, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = forward(curl, option, va_arg(arguments, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = forward(curl, option, va_arg(arguments, void (*)()));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = forward(curl, option, va_arg(arguments, curl_off_t));
    } else {
        result = forward(curl, option, va_arg(arguments, void*));
    }
    va_end(arguments);
    return result;
}

// Every piece of information is answered through a pointer.
CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
    CURL_REAL(curl_easy_getinfo);
    if (!forward) return CURLE_FAILED_INIT;
    va_list arguments;
    va_start(arguments, info);
    const CURLcode result = forward(curl, info, va_arg(arguments, void*));
    va_end(arguments);
    return result;
}

CURLcode curl_easy_perform(CURL* curl) {
    CURL_REAL(curl_easy_perform);
    return forward ? forward(curl) : CURLE_FAILED_INIT;
}

CURLcode curl_easy_pause(CURL* curl, int bitmask) {
    CURL_REAL(curl_easy_pause);
    return forward ? forward(curl, bitmask) : CURLE_FAILED_INIT;
}

void curl_easy_reset(CURL* curl) {
    CURL_REAL(curl_easy_reset);
    if (forward) forward(curl);
}

void curl_easy_cleanup(CURL* curl) {
    CURL_REAL(curl_easy_cleanup);
    if (forward) forward(curl);
}

const char* curl_easy_strerror(CURLcode code) {
    CURL_REAL(curl_easy_strerror);
    return forward ? forward(code) : "libcurl could not be loaded";
}

CURLM* curl_multi_init() {
    CURL_REAL(curl_multi_init);
    return forward ? forward() : nullptr;
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...) {
    CURL_REAL(curl_multi_setopt);
    if (!forward) return CURLM_INTERNAL_ERROR;
    va_list arguments;
    va_start(arguments, option);
    CURLMcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = forward(multi, option, va_arg(arguments, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = forward(multi, option, va_arg(arguments, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = forward(multi, option, va_arg(arguments, void (*)()));
    } else {
        result = forward(multi, option, va_arg(arguments, curl_off_t));
    }
    va_end(arguments);
    return result;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* curl) {
    CURL_REAL(curl_multi_add_handle);
    return forward ? forward(multi, curl) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* curl) {
    CURL_REAL(curl_multi_remove_handle);
    return forward ? forward(multi, curl) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    CURL_REAL(curl_multi_perform);
    return forward ? forward(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_wait(CURLM* multi, curl_waitfd extra[], unsigned int count, int milliseconds,
                          int* ready) {
    CURL_REAL(curl_multi_wait);
    return forward ? forward(multi, extra, count, milliseconds, ready) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count, int milliseconds,
                          int* ready) {
    CURL_REAL(curl_multi_poll);
    return forward ? forward(multi, extra, count, milliseconds, ready) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
    CURL_REAL(curl_multi_wakeup);
    return forward ? forward(multi) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* queued) {
    CURL_REAL(curl_multi_info_read);
    if (!forward && queued) *queued = 0;
    return forward ? forward(multi, queued) : nullptr;
}

CURLMcode curl_multi_timeout(CURLM* multi, long* milliseconds) {
    CURL_REAL(curl_multi_timeout);
    return forward ? forward(multi, milliseconds) : CURLM_INTERNAL_ERROR;
}

const char* curl_multi_strerror(CURLMcode code) {
    CURL_REAL(curl_multi_strerror);
    return forward ? forward(code) : "libcurl could not be loaded";
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    CURL_REAL(curl_multi_cleanup);
    return forward ? forward(multi) : CURLM_INTERNAL_ERROR;
}

CURLU* curl_url() {
    CURL_REAL(curl_url);
    return forward ? forward() : nullptr;
}

CURLU* curl_url_dup(CURLU* in) {
    CURL_REAL(curl_url_dup);
    return forward ? forward(in) : nullptr;
}

CURLUcode curl_url_get(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
    CURL_REAL(curl_url_get);
    return forward ? forward(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_set(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
    CURL_REAL(curl_url_set);
    return forward ? forward(handle, what, part, flags) : CURLUE_OUT_OF_MEMORY;
}

void curl_url_cleanup(CURLU* handle) {
    CURL_REAL(curl_url_cleanup);
    if (forward) forward(handle);
}

}  // extern "C"
