#include "job/choices.h"

#include "common/exceptions.h"
#include "sheet/contactsheet.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

namespace job {

namespace {

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string PicturesFolder()
{
    const std::string home = Environment("HOME");
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty())
        config = home + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    const std::string key = "XDG_PICTURES_DIR=\"";
    for (std::string line; std::getline(dirs, line);) {
        if (!line.starts_with(key) || !line.ends_with('"'))
            continue;
        std::string folder = line.substr(key.size(), line.size() - key.size() - 1);
        if (folder.starts_with("$HOME"))
            folder = home + folder.substr(5);
        // The desktop's own rule: a folder that is the home folder itself means there is none.
        if (folder.starts_with('/') && WithSlash(folder) != WithSlash(home))
            return folder;
    }
    return home + "/Pictures";
}

namespace {

std::string DefaultRoot(Front front)
{
    if (front == Front::Window) {
        if (::access(AppFolder.c_str(), W_OK) == 0)
            return AppFolder;
        return PicturesFolder() + "/Stillreel";
    }
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    if (error)
        throw Exception("Unable to find the current folder (" + error.message() + ")");
    return current.string();
}

}  // namespace

std::string Problem(const Choices& choices)
{
    if (choices.mode == Mode::Range && choices.end < choices.start)
        return "the range ends before it starts";
    if (choices.mode == Mode::Pieces && PiecesProblem(choices.pieces))
        return PiecesProblem(choices.pieces);
    if (choices.sheet) {
        if (choices.mode == Mode::Whole || choices.mode == Mode::Range)
            return "a contact sheet is made of pieces or of chapters";
        // A chapter sheet's rows are known once the title is open; one row must fit already.
        const std::int32_t columns = choices.sheet->columns;
        const std::int32_t rows =
            choices.mode == Mode::Pieces && columns > 0 ? (choices.pieces + columns - 1) / columns : 1;
        if (std::string problem = sheet::Problem(choices.sheet->width, columns, rows); !problem.empty())
            return problem;
    }
    const char* size = SizeProblem(choices.width.value_or(1), choices.height.value_or(1));
    return size ? size : "";
}

std::string SaveRoot(const std::string& chosen, Front front)
{
    const std::string folder = chosen.empty() ? DefaultRoot(front) : chosen;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error)
        throw Exception("Unable to create folder: " + folder + " (" + error.message() + ")");
    return WithSlash(folder);
}

TConvertRec MakeJob(const Choices& choices, const std::string& videoName, const Picture& picture, Front front)
{
    const Size size = ThumbnailSize(picture, choices.width, choices.height);
    TConvertRec job;
    job.Width = size.width;
    job.Height = size.height;
    job.Whole = choices.mode == Mode::Whole;
    job.StartEnd = choices.mode == Mode::Range;
    job.Pieces = choices.pieces;
    job.VideoName = videoName;
    job.SaveFolder = SaveRoot(choices.saveFolder, front);
    job.StartPoint = choices.start;
    job.EndPoint = choices.end;
    return job;
}

}  // namespace job
