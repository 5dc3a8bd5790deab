// What the console's static papyr-server links in place of the C library's
// dynamic loader and name service.
//
// OpenSSL's static library always carries its module loader (DSO: engines,
// providers and configuration modules from disk) and its socket address
// lookups (BIO_lookup, BIO_gethostbyname), because its TLS core refers to
// them, although the service never uses them: it starts OpenSSL without a
// configuration file, uses only the built-in providers and binds its socket
// itself. In a static program glibc's dlopen would load a second C library
// from the console's disk and its name service would load NSS modules, and
// the linker warns of both; the release links with warnings as errors.
//
// The console build links with --wrap for each of these functions, so every
// call OpenSSL makes to them lands here instead: the loader refuses every
// module, as OpenSSL built without DSO support does, and address lookups take
// digits only (the same numeric stand-ins the HTTP server uses). Nothing is
// ever loaded or resolved, and the C library's loader and name service stay
// out of the program, as its link map shows.

#include <dlfcn.h>
#include <netdb.h>

#include "news_server/numeric_address.h"

namespace {

constexpr char kNoDynamicLoading[] = "papyr-server is a static program: it loads no shared objects";

// dlerror reports the last failure once, then nothing until the next one.
thread_local bool dl_failed = false;

void* refuse_loading() noexcept {
    dl_failed = true;
    return nullptr;
}

}  // namespace

extern "C" {

// The declarations first: these names exist only for the linker's --wrap.
void* __wrap_dlopen(const char* file, int mode) noexcept;
void* __wrap_dlsym(void* handle, const char* name) noexcept;
int __wrap_dlclose(void* handle) noexcept;
char* __wrap_dlerror() noexcept;
int __wrap_dladdr(const void* address, Dl_info* info) noexcept;
int __wrap_getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                       addrinfo** result) noexcept;
void __wrap_freeaddrinfo(addrinfo* list) noexcept;
int __wrap_getnameinfo(const sockaddr* address, socklen_t length, char* host, socklen_t host_length,
                       char* service, socklen_t service_length, int flags) noexcept;
hostent* __wrap_gethostbyname(const char* name) noexcept;

void* __wrap_dlopen(const char* /*file*/, int /*mode*/) noexcept {
    return refuse_loading();
}

void* __wrap_dlsym(void* /*handle*/, const char* /*name*/) noexcept {
    return refuse_loading();
}

int __wrap_dlclose(void* /*handle*/) noexcept {
    // No handle was ever given out.
    dl_failed = true;
    return -1;
}

char* __wrap_dlerror() noexcept {
    if (!dl_failed)
        return nullptr;
    dl_failed = false;
    // dlerror's callers only read the text.
    return const_cast<char*>(kNoDynamicLoading);  // NOLINT: the C interface is not const
}

int __wrap_dladdr(const void* /*address*/, Dl_info* /*info*/) noexcept {
    return 0;  // no symbol information: the program is stripped anyway
}

int __wrap_getaddrinfo(const char* node, const char* service, const addrinfo* hints,
                       addrinfo** result) noexcept {
    return papyr_numeric_getaddrinfo(node, service, hints, result);
}

void __wrap_freeaddrinfo(addrinfo* list) noexcept {
    papyr_numeric_freeaddrinfo(list);
}

int __wrap_getnameinfo(const sockaddr* address, socklen_t length, char* host, socklen_t host_length,
                       char* service, socklen_t service_length, int flags) noexcept {
    return papyr_numeric_getnameinfo(address, length, host, host_length, service, service_length,
                                     flags);
}

hostent* __wrap_gethostbyname(const char* /*name*/) noexcept {
    h_errno = HOST_NOT_FOUND;
    return nullptr;
}

}  // extern "C"
