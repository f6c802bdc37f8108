// What the tests of the decoder binding share: a private temporary folder for the bindings'
// copies, the fake's script, and a look into the library file that a binding loaded.
#pragma once

#include "decoder/decoder.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class TScopedEnv {
public:
    TScopedEnv(const char* name, const std::string& value) : FName(name)
    {
        if (const char* old = getenv(name))
            FOld = old;
        setenv(name, value.c_str(), 1);
    }
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;
    ~TScopedEnv()
    {
        if (FOld)
            setenv(FName, FOld->c_str(), 1);
        else
            unsetenv(FName);
    }

private:
    const char* FName;
    std::optional<std::string> FOld;
};

class TTestFolder {
public:
    TTestFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "bindingtestXXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a test folder");
        FPath = pattern;
    }
    TTestFolder(const TTestFolder&) = delete;
    TTestFolder& operator=(const TTestFolder&) = delete;
    ~TTestFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }

    const std::filesystem::path& Path() const { return FPath; }

    std::vector<std::filesystem::path> Entries() const
    {
        return {std::filesystem::directory_iterator(FPath), std::filesystem::directory_iterator()};
    }

private:
    std::filesystem::path FPath;
};

// Sets TMPDIR to a folder of the test's own, so the copies that bindings make can be counted.
class TBindingTest : public testing::Test {
protected:
    void SetScript(const std::string& script) { setenv("STILLREEL_FAKE_DECODER", script.c_str(), 1); }

    TTestFolder FTempFolder;
    // Holds no library; made before TMPDIR changes, so it is not among the copies.
    TTestFolder FEmptyFolder;
    TScopedEnv FTmpDir{"TMPDIR", FTempFolder.Path().string()};
    TScopedEnv FScript{"STILLREEL_FAKE_DECODER", ""};
    const std::int32_t FCountBefore = DecoderCount;
};

template <typename TProc>
TProc LibrarySymbol(const TDecoder& decoder, const char* name)
{
    return reinterpret_cast<TProc>(dlsym(decoder.LibraryHandle(), name));
}

// The file name under which the loader knows the binding's library.
inline std::string LoadedFile(const TDecoder& decoder)
{
    Dl_info info{};
    if (!dladdr(dlsym(decoder.LibraryHandle(), "openFile"), &info) || !info.dli_fname)
        return {};
    return info.dli_fname;
}

// Successful opens seen by the binding's own copy of the fake library; -1 for another library.
inline std::int32_t FakeOpenCount(const TDecoder& decoder)
{
    using TOpenCountProc = std::int32_t (*)();
    const auto openCount = LibrarySymbol<TOpenCountProc>(decoder, "fakeOpenCount");
    return openCount ? openCount() : -1;
}

inline std::string FileBytes(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}
