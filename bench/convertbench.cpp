// Runs conversion jobs as the program does: this process's main thread starts a TConvertThread and
// waits for it while serving its reports. Also reads back the frame index of JPEG files, and of each
// cell of a contact sheet, so that the benchmarks can tell which frame each tool took, and counts the
// light pixels of a part of each picture, so that they can tell whether a subtitle is drawn there.
// Prints one "key value" line per figure.
#include "convert/convertthread.h"
#include "sheet/layout.h"
#include "support/frameindex.h"

#include <FreeImage.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

int Usage()
{
    std::fprintf(stderr,
                 "usage: bench_convert whole FILE.vob FOLDER WIDTH HEIGHT\n"
                 "       bench_convert pieces FILE.vob FOLDER WIDTH HEIGHT COUNT\n"
                 "       bench_convert index FILE.jpg...\n"
                 "       bench_convert sheet-cell COLS ROWS WIDTH\n"
                 "       bench_convert sheet-index SHEET.jpg COLS ROWS WIDTH\n"
                 "       bench_convert light LEFT TOP RIGHT BOTTOM FILE.jpg...\n");
    return 2;
}

// Pictures land in FOLDER/<video name>/<video name>_<i>.jpg.
int Convert(bool whole, const std::string& video, const std::string& folder, int width, int height, int pieces)
{
    const Clock::time_point start = Clock::now();
    TDecoder decoder;
    decoder.OpenFile(video, 0, 0);
    const std::int32_t totalSeconds = decoder.FileInfo()->TotalSeconds;

    TConvertRec job;
    job.Width = width;
    job.Height = height;
    job.Whole = whole;
    job.Pieces = pieces;
    job.VideoName = std::filesystem::path(video).stem().string();
    job.SaveFolder = folder.back() == '/' ? folder : folder + "/";
    std::int64_t written = 0;
    bool done = false;
    TConvertThread thread(decoder, totalSeconds, job, [&](TStatusFlags status, const TConvertProgress* progress) {
        if (status.Has(TStatusFlag::stFrameSaved))
            written = progress->Current + 1;
        if (status.Has(TStatusFlag::stConvertDone))
            done = true;
    });
    thread.Start();
    thread.WaitFor();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();

    if (!done) {
        std::fprintf(stderr, "the job failed: %s\n", thread.LastError().c_str());
        return 1;
    }
    std::printf("total_seconds %d\n", totalSeconds);
    std::printf("pictures %lld\n", static_cast<long long>(written));
    std::printf("seconds %.3f\n", seconds);
    std::printf("pictures_per_second %.2f\n", static_cast<double>(written) / seconds);
    return 0;
}

// One line per file: its name and the index it carries (-1: none readable).
int PrintIndices(int count, char** files)
{
    for (int i = 0; i < count; ++i) {
        int index = -1;
        FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(files[i], 0), files[i], 0);
        if (FIBITMAP* dib = loaded ? FreeImage_ConvertTo24Bits(loaded) : nullptr) {
            const int height = static_cast<int>(FreeImage_GetHeight(dib));
            // FreeImage keeps the bottom row first.
            index = ReadFrameIndex(FreeImage_GetScanLine(dib, height - 1), static_cast<int>(FreeImage_GetWidth(dib)),
                                   height, -static_cast<std::ptrdiff_t>(FreeImage_GetPitch(dib)), 3);
            FreeImage_Unload(dib);
        }
        if (loaded)
            FreeImage_Unload(loaded);
        std::printf("%s %d\n", files[i], index);
    }
    return 0;
}

// One line per file: its name and how many pixels of the part [LEFT, RIGHT) x [TOP, BOTTOM), given as
// fractions of its width and height from the top left, are light in all three channels (-1: not a
// picture). A subtitle's white text on a black band counts thousands; the band, however compressed,
// none.
int PrintLightPixels(double left, double top, double right, double bottom, int count, char** files)
{
    constexpr int kLight = 160;
    for (int i = 0; i < count; ++i) {
        long light = -1;
        FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(files[i], 0), files[i], 0);
        if (FIBITMAP* dib = loaded ? FreeImage_ConvertTo24Bits(loaded) : nullptr) {
            const int width = static_cast<int>(FreeImage_GetWidth(dib));
            const int height = static_cast<int>(FreeImage_GetHeight(dib));
            light = 0;
            for (int y = static_cast<int>(top * height); y < static_cast<int>(bottom * height); ++y) {
                // FreeImage keeps the bottom row first.
                const std::uint8_t* row = FreeImage_GetScanLine(dib, height - 1 - y);
                for (int x = static_cast<int>(left * width); x < static_cast<int>(right * width); ++x)
                    light += row[3 * x] > kLight && row[3 * x + 1] > kLight && row[3 * x + 2] > kLight;
            }
            FreeImage_Unload(dib);
        }
        if (loaded)
            FreeImage_Unload(loaded);
        std::printf("%s %ld\n", files[i], light);
    }
    return 0;
}

// The benchmark videos are 4:3, and a sheet's heading has two lines: the video and its facts.
sheet::Layout SheetLayout(int columns, int rows, int width)
{
    return sheet::LayOut(width, columns, rows, 4.0 / 3.0, 2);
}

int PrintCellSize(int columns, int rows, int width)
{
    const sheet::Layout layout = SheetLayout(columns, rows, width);
    std::printf("cell_width %d\ncell_height %d\n", layout.cellWidth, layout.cellHeight);
    return 0;
}

// One line per cell of the sheet: its number and the index its picture carries (-1: none readable).
int PrintSheetIndices(const char* file, int columns, int rows, int width)
{
    const sheet::Layout layout = SheetLayout(columns, rows, width);
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(file, 0), file, 0);
    FIBITMAP* dib = loaded ? FreeImage_ConvertTo24Bits(loaded) : nullptr;
    if (loaded)
        FreeImage_Unload(loaded);
    if (!dib) {
        std::fprintf(stderr, "%s: not a picture\n", file);
        return 1;
    }
    const int sheetWidth = static_cast<int>(FreeImage_GetWidth(dib));
    const int sheetHeight = static_cast<int>(FreeImage_GetHeight(dib));
    // A sheet of another size was laid out otherwise: its cells would be read in the wrong places.
    if (sheetWidth != layout.width || sheetHeight != layout.height) {
        std::fprintf(stderr, "%s is %d x %d, not the %d x %d of that layout\n", file, sheetWidth, sheetHeight,
                     layout.width, layout.height);
        FreeImage_Unload(dib);
        return 1;
    }
    const auto pitch = static_cast<std::ptrdiff_t>(FreeImage_GetPitch(dib));
    for (int k = 0; k < columns * rows; ++k) {
        const sheet::Rect cell = layout.Cell(k);
        // FreeImage keeps the bottom row first: the cell's top row is sheetHeight - 1 - top from it.
        const std::uint8_t* top = FreeImage_GetScanLine(dib, sheetHeight - 1 - cell.top) + 3 * cell.left;
        std::printf("%d %d\n", k, ReadFrameIndex(top, cell.width, cell.height, -pitch, 3));
    }
    FreeImage_Unload(dib);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string mode = argv[1];
    try {
        if (mode == "whole" && argc == 6)
            return Convert(true, argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), 0);
        if (mode == "pieces" && argc == 7)
            return Convert(false, argv[2], argv[3], std::atoi(argv[4]), std::atoi(argv[5]), std::atoi(argv[6]));
        if (mode == "index")
            return PrintIndices(argc - 2, argv + 2);
        if (mode == "light" && argc >= 7)
            return PrintLightPixels(std::atof(argv[2]), std::atof(argv[3]), std::atof(argv[4]), std::atof(argv[5]),
                                    argc - 6, argv + 6);
        if (mode == "sheet-cell" && argc == 5)
            return PrintCellSize(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
        if (mode == "sheet-index" && argc == 6)
            return PrintSheetIndices(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
    } catch (const Exception& e) {
        std::fprintf(stderr, "%s\n", e.Message().c_str());
        return 1;
    }
    return Usage();
}
