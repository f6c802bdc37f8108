// The JPEG writer's threads: encodings come back in the order begun, each the bytes FreeImage's own
// memory writer makes of its picture, a failure in its turn, and a cancel lets go of everything.
#include "convert/thumbnailwriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <system_error>
#include <vector>

namespace {

struct TUnload {
    void operator()(FIBITMAP* dib) const noexcept { FreeImage_Unload(dib); }
};
using TDib = std::unique_ptr<FIBITMAP, TUnload>;

// A 24-bit picture of random pixels, so that no two encode alike.
TDib RandomPicture(int width, int height, std::mt19937& random)
{
    TDib dib(FreeImage_Allocate(width, height, 24));
    std::uniform_int_distribution<int> byte(0, 255);
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(dib.get(), y);
        for (int i = 0; i < width * 3; ++i)
            line[i] = static_cast<BYTE>(byte(random));
    }
    return dib;
}

// What FreeImage's memory writer makes of the picture at quality 100.
std::vector<BYTE> MemoryJpeg(FIBITMAP* dib)
{
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::vector<BYTE> bytes;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (FreeImage_SaveToMemory(FIF_JPEG, dib, memory, 100) && FreeImage_AcquireMemory(memory, &data, &size))
        bytes.assign(data, data + size);
    FreeImage_CloseMemory(memory);
    return bytes;
}

TEST(ThumbnailWriter, EncodingsComeBackInTheOrderBegunAsFreeImagesMemoryWriterMakesThem)
{
    std::mt19937 random(21);
    TThumbnailWriter writer(2);
    std::vector<TDib> pictures;
    for (const auto& [width, height] : {std::pair{720, 540}, std::pair{333, 187}, std::pair{64, 48}, std::pair{101, 76},
                                        std::pair{720, 405}, std::pair{1, 1}, std::pair{17, 3}})
        pictures.push_back(RandomPicture(width, height, random));
    // Filled with bytes of an earlier picture, as the ring's buffers are: they are replaced.
    std::vector<std::vector<BYTE>> jpegs(pictures.size(), std::vector<BYTE>(100000, 0xAB));

    for (std::size_t i = 0; i < pictures.size(); ++i)
        writer.Begin(pictures[i].get(), jpegs[i]);
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        writer.Finish();
        EXPECT_EQ(jpegs[i], MemoryJpeg(pictures[i].get())) << "picture " << i;
    }
}

TEST(ThumbnailWriter, AFailedEncodingIsReportedInItsTurnAndTheOthersStillCome)
{
    std::mt19937 random(22);
    TThumbnailWriter writer(2);
    const TDib good = RandomPicture(64, 48, random);
    // The JPEG writer takes no floating-point picture.
    const TDib refused(FreeImage_AllocateT(FIT_FLOAT, 8, 8));
    std::vector<BYTE> first, second, third;
    writer.Begin(good.get(), first);
    writer.Begin(refused.get(), second);
    writer.Begin(good.get(), third);

    EXPECT_NO_THROW(writer.Finish());
    EXPECT_THROW(writer.Finish(), std::system_error);
    EXPECT_NO_THROW(writer.Finish());
    EXPECT_EQ(first, MemoryJpeg(good.get()));
    EXPECT_EQ(third, first);
}

// After a cancel the pictures and buffers are the caller's again (a thread still writing into one
// would show as a race under ThreadSanitizer), and the writer goes on with what is begun next.
TEST(ThumbnailWriter, CancelDropsWhatWasNotStartedAndLetsGoOfEverything)
{
    std::mt19937 random(23);
    TThumbnailWriter writer(2);
    const TDib picture = RandomPicture(720, 576, random);
    std::vector<std::vector<BYTE>> jpegs(20);
    for (std::vector<BYTE>& jpeg : jpegs)
        writer.Begin(picture.get(), jpeg);

    writer.Cancel();

    EXPECT_GT(std::count_if(jpegs.begin(), jpegs.end(), [](const std::vector<BYTE>& jpeg) { return jpeg.empty(); }), 0);
    for (std::vector<BYTE>& jpeg : jpegs)
        jpeg.assign(10, 0);
    std::vector<BYTE> next;
    writer.Begin(picture.get(), next);
    writer.Finish();
    EXPECT_EQ(next, MemoryJpeg(picture.get()));
}

}  // namespace
