#include "support/fixtures.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

#ifndef STILLREEL_DEFAULT_FIXTURES
#define STILLREEL_DEFAULT_FIXTURES ""
#endif
#ifndef STILLREEL_DEFAULT_REALDVD
#define STILLREEL_DEFAULT_REALDVD ""
#endif

// The variable's value when it is set and not empty, otherwise the fallback.
std::string EnvironmentOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::string(value) : std::string(fallback);
}

bool HasVobExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == ".vob";
}

}  // namespace

std::string FixturePath(std::string_view name) {
    const std::string folder = EnvironmentOr("STILLREEL_FIXTURES", STILLREEL_DEFAULT_FIXTURES);
    if (folder.empty()) return std::string(name);
    return (fs::path(folder) / fs::path(name)).string();
}

std::string RealDvdFolder() {
    const std::string folder = EnvironmentOr("STILLREEL_REALDVD", STILLREEL_DEFAULT_REALDVD);
    std::error_code error;
    if (folder.empty() || !fs::is_directory(folder, error)) return {};
    return folder;
}

std::vector<std::string> RealDvdVobFiles() {
    std::vector<std::string> files;
    const std::string folder = RealDvdFolder();
    if (folder.empty()) return files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && HasVobExtension(entry.path())) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}
