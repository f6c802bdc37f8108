#include "catalogue/inputs.h"

#include "dvd/disc.h"
#include "job/video.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <set>

namespace catalogue {

namespace fs = std::filesystem;

namespace {

std::string Upper(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

bool IsVideoTs(const fs::path& path)
{
    return Upper(path.filename().string()) == "VIDEO_TS";
}

// The VIDEO_TS folder a disc folder holds (in any case), or nothing.
fs::path VideoTsIn(const fs::path& folder)
{
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (IsVideoTs(it->path()) && it->is_directory(error))
            return it->path();
    return {};
}

// Where a disc's files are: its VIDEO_TS folder, however the disc is named; the file for an image
// or a video.
fs::path Home(const Input& input)
{
    const fs::path path(input.path);
    std::error_code error;
    if (input.kind == Kind::File)
        return path;
    if (fs::is_directory(path, error))
        return IsVideoTs(path) ? path : VideoTsIn(path);
    const std::string name = Upper(path.filename().string());
    if (name == "VIDEO_TS.IFO" || name == "VIDEO_TS.BUP")
        return path.parent_path().empty() ? fs::path(".") : path.parent_path();
    return path;
}

// One name for one disc or file however it is reached: symbolic links and "." resolved.
std::string Identity(const Input& input)
{
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(Home(input), error);
    return error ? fs::absolute(input.path, error).lexically_normal().string() : canonical.string();
}

bool HasImageExtension(const fs::path& path)
{
    const std::string extension = Upper(path.extension().string());
    return extension == ".ISO" || extension == ".IMG";
}

// The discs and videos under `folder`, sorted by path; a disc's folders are not searched further.
std::vector<Input> Search(const fs::path& folder)
{
    std::vector<Input> found;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
        const fs::path& path = it->path();
        std::error_code statError;
        if (it->is_directory(statError)) {
            if (dvd::IsDiscPath(path.string())) {
                found.push_back({path.string(), Kind::Disc});
                it.disable_recursion_pending();
            }
        } else if (it->is_regular_file(statError)) {
            // A damaged image is listed as a disc that fails, not passed over.
            if (HasImageExtension(path))
                found.push_back({path.string(), Kind::Disc});
            else if (job::HasVideoExtension(path.string()))
                found.push_back({path.string(), Kind::File});
        }
    }
    std::sort(found.begin(), found.end(), [](const Input& a, const Input& b) { return a.path < b.path; });
    return found;
}

}  // namespace

std::vector<Input> FindInputs(const std::vector<std::string>& named)
{
    std::vector<Input> inputs;
    std::set<std::string> taken;
    const auto take = [&](const Input& input) {
        if (taken.insert(Identity(input)).second)
            inputs.push_back(input);
    };
    for (const std::string& path : named) {
        std::error_code error;
        if (dvd::IsDiscPath(path))
            take({path, Kind::Disc});
        else if (fs::is_directory(path, error))
            for (const Input& input : Search(path))
                take(input);
        else
            take({path, Kind::File});
    }
    return inputs;
}

fs::file_time_type InputTime(const Input& input)
{
    const fs::path home = Home(input);
    std::error_code error;
    fs::file_time_type newest = fs::last_write_time(home, error);
    if (error)
        newest = {};
    if (!fs::is_directory(home, error))
        return newest;
    for (fs::directory_iterator it(home, error), end; !error && it != end; it.increment(error)) {
        std::error_code timeError;
        const fs::file_time_type time = it->last_write_time(timeError);
        if (!timeError)
            newest = std::max(newest, time);
    }
    return newest;
}

std::string FolderName(const Input& input)
{
    // FNV-1a: stable across runs and builds, unlike std::hash.
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : Identity(input)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    std::error_code error;
    const fs::path home = fs::absolute(Home(input), error).lexically_normal();
    std::string name = (input.kind == Kind::Disc && IsVideoTs(home) ? home.parent_path() : home).filename().string();
    if (name.empty())
        name = "disc";
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "-%08x", static_cast<std::uint32_t>(hash ^ (hash >> 32)));
    return name + suffix;
}

}  // namespace catalogue
