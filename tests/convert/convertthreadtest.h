// What the conversion thread's tests share: a job run with the test body as the main thread, the
// reports it received, and the written pictures read back.
#pragma once

#include "convert/convertthread.h"
#include "support/fixtures.h"
#include "support/frameindex.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

// One report as the handler saw it.
struct TReport {
    TStatusFlags Status;
    TConvertProgress Progress;
    std::string Error;
};

constexpr TStatusFlags Saved{TStatusFlag::stFrameSaved};
constexpr TStatusFlags StoppedEnd{TStatusFlag::stConvertStopped, TStatusFlag::stConvertEnd};
constexpr TStatusFlags Done{TStatusFlag::stConvertDone};
constexpr TStatusFlags Failed{TStatusFlag::stConvertError, TStatusFlag::stConvertStopped};

// The flags of each report without stConvertRate, which depends on how fast the machine is.
inline std::vector<std::uint16_t> Sequence(const std::vector<TReport>& reports)
{
    std::vector<std::uint16_t> bits;
    for (const TReport& report : reports)
        bits.push_back(report.Status.Bits() & ~static_cast<std::uint16_t>(TStatusFlag::stConvertRate));
    return bits;
}

// saved reports of stFrameSaved followed by the given closing reports.
inline std::vector<std::uint16_t> Expected(int saved, std::initializer_list<TStatusFlags> closing)
{
    std::vector<std::uint16_t> bits(saved, Saved.Bits());
    for (TStatusFlags status : closing)
        bits.push_back(status.Bits());
    return bits;
}

// Runs the job on a thread of its own and waits for it here, so the reports are handed to this thread.
inline std::vector<TReport> RunJob(TDecoder& decoder, std::int32_t totalSeconds, const TConvertRec& job)
{
    std::vector<TReport> reports;
    TConvertThread thread(decoder, totalSeconds, job, [&](TStatusFlags status, const TConvertProgress* info) {
        reports.push_back({status, *info, thread.LastError()});
    });
    thread.Start();
    thread.WaitFor();
    return reports;
}

// A picture file loaded back; empty when it cannot be read.
class TPicture {
public:
    explicit TPicture(const fs::path& file)
        : FDib(FreeImage_Load(FreeImage_GetFileType(file.c_str(), 0), file.c_str(), 0))
    {
    }
    bool IsValid() const { return FDib != nullptr; }
    int Width() const { return static_cast<int>(FreeImage_GetWidth(FDib.get())); }
    int Height() const { return static_cast<int>(FreeImage_GetHeight(FDib.get())); }
    int Bpp() const { return static_cast<int>(FreeImage_GetBPP(FDib.get())); }
    // The frame index painted in the picture as it is shown, or -1.
    int Index() const { return Read(Height() - 1, -Pitch()); }
    // The same, reading the picture upside down.
    int IndexUpsideDown() const { return Read(0, Pitch()); }

private:
    struct TUnload {
        void operator()(FIBITMAP* dib) const noexcept { FreeImage_Unload(dib); }
    };
    std::ptrdiff_t Pitch() const { return FreeImage_GetPitch(FDib.get()); }
    // FreeImage keeps the bottom row first.
    int Read(int firstRow, std::ptrdiff_t stride) const
    {
        if (!IsValid() || Bpp() != 24)
            return -1;
        return ReadFrameIndex(FreeImage_GetScanLine(FDib.get(), firstRow), Width(), Height(), stride, 3);
    }

    std::unique_ptr<FIBITMAP, TUnload> FDib;
};

inline std::vector<std::string> FileNames(const fs::path& folder)
{
    std::vector<std::string> names;
    if (fs::is_directory(folder))
        for (const fs::directory_entry& entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// "<name>_0.jpg" to "<name>_<count - 1>.jpg", in the order FileNames gives.
inline std::vector<std::string> NumberedNames(const std::string& name, int count)
{
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back(name + "_" + std::to_string(i) + ".jpg");
    std::sort(names.begin(), names.end());
    return names;
}

// A fresh folder per test, removed with everything in it afterwards; the save folder ends in "/".
class TConvertTest : public testing::Test {
protected:
    TConvertTest()
    {
        std::string pattern = (fs::temp_directory_path() / "convertthread-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a test folder");
        FFolder = pattern;
    }
    ~TConvertTest() override
    {
        std::error_code ignored;
        fs::remove_all(FFolder, ignored);
    }

    std::string SaveFolder() const { return FFolder.string() + "/"; }

    TConvertRec Job(std::int32_t width, std::int32_t height, const std::string& videoName = "clip") const
    {
        TConvertRec job;
        job.Width = width;
        job.Height = height;
        job.VideoName = videoName;
        job.SaveFolder = SaveFolder();
        return job;
    }

    fs::path FFolder;
};
