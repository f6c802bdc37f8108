// Loading a shared library at run time and finding its entry points.
#pragma once

#include <memory>
#include <string>

struct TLibraryUnloader {
    void operator()(void* handle) const noexcept;
};
using TLibraryHandle = std::unique_ptr<void, TLibraryUnloader>;

// Both raise EOSError with the loader's text when they fail.
TLibraryHandle LoadLibraryFile(const std::string& path);
void* ResolveEntryPoint(void* library, const char* name);
// Null when the library does not export `name`.
void* ResolveOptionalEntryPoint(void* library, const char* name) noexcept;
