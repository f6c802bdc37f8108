// Loading a shared library at run time and finding its entry points.
#pragma once

#include <memory>
#include <string>

struct TLibraryUnloader {
    void operator()(void* Handle) const noexcept;
};
using TLibraryHandle = std::unique_ptr<void, TLibraryUnloader>;

// Both raise EOSError with the loader's text when they fail.
TLibraryHandle LoadLibraryFile(const std::string& Path);
void* ResolveEntryPoint(void* Library, const char* Name);
// Null when the library does not export `Name`.
void* ResolveOptionalEntryPoint(void* Library, const char* Name) noexcept;
