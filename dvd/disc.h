// A DVD given as a VIDEO_TS folder, its parent, its VIDEO_TS.IFO or a disc image: its titles as the
// disc's own information files describe them. No Qt, so the window, the command line and the
// decoder library all use the same listing.
#pragma once

#include "dvd/audiostream.h"
#include "dvd/subpicturestream.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace dvd {

// A disc that cannot be read, or a title it does not have; the message is for the user, who knows
// which disc it concerns.
class DiscError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Scrambled sectors read back as successful reads, so an encrypted disc is found by its packs.
inline constexpr const char* kEncryptedMessage =
    "This DVD is encrypted (CSS). Stillreel reads only unencrypted DVD folders and images.";

enum class Aspect { FourThree, Wide };
enum class TvSystem { Ntsc, Pal };

struct TitleInfo {
    int number = 0;  // from 1, as the disc counts them
    std::int64_t lengthMs = 0;  // the program chain's playback time
    int chapters = 0;
    int angles = 1;
    Aspect aspect = Aspect::FourThree;
    TvSystem system = TvSystem::Pal;
    int titleSet = 0;  // the VTS_nn files that hold the title
    bool inOrder = true;  // cells in rising sector order, none repeated
    std::vector<AudioStream> audio;  // as the title set lists them
    std::vector<SubpictureStream> subtitles;  // as the title set lists them, for the title's aspect
    SubpicturePalette palette{};  // of the title's program chain
};

class DiscReader;  // the open libdvdread handle, shared with the titles served from it

class Disc {
public:
    // Opens and lists the disc; throws DiscError saying what is wrong (no disc there, an image
    // without UDF, a damaged part, an encrypted disc).
    explicit Disc(const std::string& path);
    ~Disc();
    Disc(const Disc&) = delete;
    Disc& operator=(const Disc&) = delete;

    const std::vector<TitleInfo>& Titles() const { return titles_; }
    // The number of the main title: the longest; among near-equal lengths the one whose cells
    // play in rising order without repeats, then the one with more chapters, then the lower number.
    int MainTitle() const { return mainTitle_; }
    // The image's volume name, or the name of the folder that holds VIDEO_TS.
    const std::string& Name() const { return name_; }

    // Title `number` (0: the main title); throws DiscError "title 7 not found: the disc has 4 titles".
    const TitleInfo& Title(int number) const;
    // Angle `angle` (0: the first) of title `number` (0: the main title), counted from 1; throws
    // DiscError "angle 3 not found: title 1 has 2 angles".
    int Angle(int number, int angle) const;
    // The start of each chapter of title `number` (0: the main title) at angle `angle` (0: the first),
    // in seconds from the title's start, chapter 1 first (at 0): one a chapter, as TitleInfo counts
    // them. A title played by several program chains has those of its first, the chain its bytes hold,
    // up to the first chapter in another. Throws DiscError as Title and Angle do, and when the
    // information puts a chapter at no cell.
    std::vector<double> ChapterStarts(int number, int angle) const;

    const std::shared_ptr<DiscReader>& Reader() const { return reader_; }

private:
    std::shared_ptr<DiscReader> reader_;
    std::vector<TitleInfo> titles_;
    int mainTitle_ = 0;
    std::string name_;
};

// The main title among `titles`, by the rule of Disc::MainTitle; 0 when there are none.
int MainTitleOf(const std::vector<TitleInfo>& titles);

// Whether `path` is to be opened as a disc rather than as one video file: a folder that is or holds
// VIDEO_TS, a file named VIDEO_TS.IFO, or an image (a file with ISO 9660 or UDF volume descriptors
// where a VOB has packs). Any other folder is opened as a file, which then says it is a folder.
bool IsDiscPath(const std::string& path);

// What a title's pictures are named after: "<disc name>_T<NN>".
std::string TitleVideoName(const Disc& disc, int title);

// h:mm:ss
std::string LengthText(std::int64_t lengthMs);
// "4:3" or "16:9"
std::string AspectText(Aspect aspect);

}  // namespace dvd
