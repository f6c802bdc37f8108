// What a catalogue is made of: the discs and video files named on the command line and found in the
// folders named there, each taken once.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace catalogue {

enum class Kind { Disc, File };

struct Input {
    std::string path;  // as named, or as found under a named folder
    Kind kind = Kind::File;
};

// The inputs in the order named, each folder's finds sorted by path. A folder that is or holds
// VIDEO_TS, a VIDEO_TS.IFO and a disc image are discs; any other folder is searched through for
// discs, images (by the endings .iso and .img) and video files (by the endings job takes) outside
// VIDEO_TS folders. A disc named in several ways, or found and named, is taken the first time. A
// named path that does not exist or is no video stays an input, so that the run says why it failed.
std::vector<Input> FindInputs(const std::vector<std::string>& named);

// The newest change to the input: of any file in a disc's VIDEO_TS folder, or of the file. The
// epoch when it cannot be read.
std::filesystem::file_time_type InputTime(const Input& input);

// The input's own folder in the catalogue: its name, and a short hash of where it lies, so that
// discs of the same name in different places keep their sheets apart from run to run.
std::string FolderName(const Input& input);

}  // namespace catalogue
