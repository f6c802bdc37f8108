#include "decoder/library.h"

#include "common/exceptions.h"

#include <dlfcn.h>

#include <cerrno>

namespace {

// glibc's loader reports a failure only as text and leaves errno as it was, so there is no
// code to show; EOSError gets ELIBACC ("Can not access a needed shared library") in its place.
[[noreturn]] void RaiseLoaderError()
{
    const char* text = dlerror();
    throw EOSError(ELIBACC, text ? text : "");
}

#ifdef STILLREEL_SANITIZED
// A library stays mapped after it is let go of, so LeakSanitizer still sees the memory that its
// globals (FFmpeg's among them) hold at exit instead of reporting it as lost.
constexpr int KeepMapped = RTLD_NODELETE;
#else
constexpr int KeepMapped = 0;
#endif

} // namespace

void TLibraryUnloader::operator()(void* Handle) const noexcept
{
    dlclose(Handle);
}

TLibraryHandle LoadLibraryFile(const std::string& Path)
{
    TLibraryHandle library(dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL | KeepMapped));
    if (!library)
        RaiseLoaderError();
    return library;
}

void* ResolveEntryPoint(void* Library, const char* Name)
{
    dlerror();
    void* address = dlsym(Library, Name);
    if (!address)
        RaiseLoaderError();
    return address;
}

void* ResolveOptionalEntryPoint(void* Library, const char* Name) noexcept
{
    return dlsym(Library, Name);
}
