#include "convert/FreeBitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class FreeBitmapFiles : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "freebitmap-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Folder = pattern;
    }
    void TearDown() override { fs::remove_all(Folder); }

    std::string PathOf(const std::string& name) const { return (Folder / name).string(); }

    fs::path Folder;
};

// A picture of one colour, bytes blue, green, red (and unused at 32 bits) as FreeImage keeps them.
TFreeBitmap Filled(int width, int height, int bpp, BYTE blue, BYTE green, BYTE red)
{
    TFreeBitmap bitmap(FIT_BITMAP, width, height, bpp);
    const unsigned bytes = unsigned(bpp) / 8;
    for (int y = 0; y < height; ++y) {
        BYTE* line = FreeImage_GetScanLine(bitmap.Dib(), y);
        for (int x = 0; x < width; ++x) {
            line[x * bytes + 0] = blue;
            line[x * bytes + 1] = green;
            line[x * bytes + 2] = red;
        }
    }
    return bitmap;
}

}  // namespace

TEST_F(FreeBitmapFiles, BitmapBuiltWithAZeroSizeIsEmptyAndSavesNothing)
{
    TFreeBitmap bitmap(FIT_BITMAP, 0, 10, 24);
    EXPECT_FALSE(bitmap.IsValid());
    EXPECT_FALSE(bitmap.Save(PathOf("empty.jpg"), 100));
    EXPECT_FALSE(fs::exists(PathOf("empty.jpg")));
    EXPECT_FALSE(bitmap.ConvertTo24Bits());
}

TEST_F(FreeBitmapFiles, TwentyFourBitPictureSavedAsJpgIsAJpegOfThatPicture)
{
    const TFreeBitmap bitmap = Filled(64, 48, 24, 50, 100, 200);

    ASSERT_TRUE(bitmap.Save(PathOf("clip_0.jpg"), 100));

    EXPECT_EQ(FreeImage_GetFileType(PathOf("clip_0.jpg").c_str(), 0), FIF_JPEG);
    FIBITMAP* loaded = FreeImage_Load(FIF_JPEG, PathOf("clip_0.jpg").c_str(), 0);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(FreeImage_GetWidth(loaded), 64u);
    EXPECT_EQ(FreeImage_GetHeight(loaded), 48u);
    RGBQUAD colour;
    ASSERT_TRUE(FreeImage_GetPixelColor(loaded, 32, 24, &colour));
    EXPECT_NEAR(colour.rgbBlue, 50, 3);
    EXPECT_NEAR(colour.rgbGreen, 100, 3);
    EXPECT_NEAR(colour.rgbRed, 200, 3);
    FreeImage_Unload(loaded);
}

TEST_F(FreeBitmapFiles, UnknownExtensionWritesNothing)
{
    const TFreeBitmap bitmap = Filled(8, 8, 24, 1, 2, 3);
    EXPECT_FALSE(bitmap.Save(PathOf("clip_0.unknownformat"), 100));
    EXPECT_FALSE(bitmap.Save(PathOf("clip_0"), 100));
    EXPECT_TRUE(fs::is_empty(Folder));
}

TEST_F(FreeBitmapFiles, SaveIntoAMissingFolderAnswersFalse)
{
    const TFreeBitmap bitmap = Filled(8, 8, 24, 1, 2, 3);
    EXPECT_FALSE(bitmap.Save(PathOf("missing/clip_0.jpg"), 100));
    EXPECT_FALSE(fs::exists(PathOf("missing")));
}

TEST(FreeBitmap, ConvertTo24BitsReplacesAThirtyTwoBitPictureKeepingSizeAndColour)
{
    TFreeBitmap bitmap = Filled(7, 5, 32, 10, 20, 30);
    int changes = 0;
    bitmap.OnChange = [&](TFreeBitmap*) { ++changes; };

    ASSERT_TRUE(bitmap.ConvertTo24Bits());

    EXPECT_EQ(changes, 1);
    EXPECT_EQ(FreeImage_GetBPP(bitmap.Dib()), 24u);
    EXPECT_EQ(FreeImage_GetWidth(bitmap.Dib()), 7u);
    EXPECT_EQ(FreeImage_GetHeight(bitmap.Dib()), 5u);
    const BYTE* line = FreeImage_GetScanLine(bitmap.Dib(), 4);
    EXPECT_EQ(line[18], 10);
    EXPECT_EQ(line[19], 20);
    EXPECT_EQ(line[20], 30);
}

TEST(FreeBitmap, HandledChangingLeavesTheOldPictureToTheHandler)
{
    TFreeBitmap bitmap(FIT_BITMAP, 4, 4, 32);
    FIBITMAP* const original = bitmap.Dib();
    FIBITMAP* kept = nullptr;
    bitmap.OnChanging = [&](TFreeBitmap*, FIBITMAP*& oldDib, FIBITMAP*&, bool& handled) {
        kept = oldDib;
        handled = true;
    };

    ASSERT_TRUE(bitmap.ConvertTo24Bits());

    ASSERT_EQ(kept, original);
    EXPECT_NE(bitmap.Dib(), original);
    EXPECT_EQ(FreeImage_GetBPP(kept), 32u);
    FreeImage_Unload(kept);
}

TEST(FreeBitmap, EightBitStandardBitmapGetsAGreyPalette)
{
    TFreeBitmap bitmap;
    ASSERT_TRUE(bitmap.SetSize(FIT_BITMAP, 4, 4, 8));
    const RGBQUAD* palette = FreeImage_GetPalette(bitmap.Dib());
    EXPECT_EQ(palette[200].rgbRed, 200);
    EXPECT_EQ(palette[200].rgbGreen, 200);
    EXPECT_EQ(palette[200].rgbBlue, 200);
    EXPECT_EQ(palette[255].rgbRed, 255);
}
