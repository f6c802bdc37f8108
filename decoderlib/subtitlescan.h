// The subtitle streams of a video file: the subpicture substreams its packs carry, and where the file
// is a title set's VOB in a VIDEO_TS folder, the languages, kinds and palette the title set's
// information gives them.
#pragma once

#include "dvd/subpicturestream.h"

#include <optional>
#include <string>
#include <vector>

namespace decoderlib {

class VideoFile;

// The palette of subpictures no disc information describes: the one dvdauthor gives a title without a
// palette of its own, white at index 0 and black at the other fifteen (0x00YYCrCb).
inline constexpr dvd::SubpicturePalette kDefaultSubpicturePalette = {
    0xeb8080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080,
    0x108080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080, 0x108080};

struct VideoSubtitles {
    // Each numbered from 1; from the packs, without a language or kind, where no information names them.
    std::vector<dvd::SubpictureStream> streams;
    dvd::SubpicturePalette palette = kDefaultSubpicturePalette;
    bool fromDisc = false;  // the streams and palette are the title set's
};

// The substreams (0-31, rising) of private stream 1 that carry subpictures, from a walk over every
// pack of the file: subpictures come only where subtitles show, so a stream may first appear anywhere,
// and no sample of the file can be sure to meet it. The walk reads the whole file once.
std::vector<int> SubpictureSubstreams(const VideoFile& file);

// The subtitles of the video at `path`, open as `file`: for a disc, those its title `title` (0: the
// main title) plays, with the title's palette; for VTS_nn_m.VOB (m from 1) in a VIDEO_TS folder whose
// information reads, the streams and palette of the first title of title set nn; for any other file
// the substreams its packs carry, under the default palette.
VideoSubtitles FindSubtitles(const std::string& path, int title, const VideoFile& file);

// Where stream `number` of FindSubtitles lies and the palette it is drawn in, or nothing where the
// video has no such stream. A plain file is read only as far as it takes to be sure: stream n is
// certain once the n lowest substreams have all been met.
struct SubtitleStream {
    int substream = 0;
    dvd::SubpicturePalette palette = kDefaultSubpicturePalette;
};
// Stream `number` among streams already found.
std::optional<SubtitleStream> StreamNumbered(const VideoSubtitles& subtitles, int number);
std::optional<SubtitleStream> FindSubtitleStream(const std::string& path, int title, const VideoFile& file,
                                                 int number);

}  // namespace decoderlib
